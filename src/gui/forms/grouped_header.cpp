#include "gui/forms/grouped_header.h"

#include <QPainter>
#include <QStyleOptionHeader>

namespace balcora::gui {

GroupedHeader::GroupedHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(false);
    setDefaultAlignment(Qt::AlignCenter);
}

void GroupedHeader::add_group(int first, int last, const QString& caption) {
    groups_.push_back({first, last, caption});
    viewport()->update();
}

QString GroupedHeader::group_caption(int logical) const {
    const Group* g = group_of(logical);
    return g ? g->caption : QString();
}

const GroupedHeader::Group* GroupedHeader::group_of(int logical) const {
    for (const Group& g : groups_)
        if (logical >= g.first && logical <= g.last) return &g;
    return nullptr;
}

QSize GroupedHeader::sizeHint() const {
    QSize size = QHeaderView::sizeHint();
    size.setHeight(2 * fontMetrics().height() + 10);
    return size;
}

void GroupedHeader::paintSection(QPainter* painter, const QRect& rect, int logical) const {
    const Group* g = group_of(logical);
    if (!g) {
        QHeaderView::paintSection(painter, rect, logical);
        return;
    }
    const int top_height = rect.height() / 2;
    // The caption is drawn across the whole run and clipped to this column,
    // so the columns of the run together show it once, centred.
    const int left = sectionViewportPosition(g->first);
    const int right = sectionViewportPosition(g->last) + sectionSize(g->last);
    QStyleOptionHeader caption;
    initStyleOption(&caption);
    caption.rect = QRect(left, rect.top(), right - left, top_height);
    caption.text = g->caption;
    caption.textAlignment = Qt::AlignCenter;
    caption.section = logical;
    caption.position = QStyleOptionHeader::Middle;
    painter->save();
    painter->setClipRect(rect.adjusted(0, 0, 0, top_height - rect.height()));
    style()->drawControl(QStyle::CE_Header, &caption, painter, this);
    painter->restore();
    QHeaderView::paintSection(painter, rect.adjusted(0, top_height, 0, 0), logical);
}

}  // namespace balcora::gui
