#include "gui/shell/enter_navigation.h"

#include <QKeyEvent>
#include <QWidget>

namespace balcora::gui {

namespace {

// The widget Tab would reach from `from`.
void focus_next(QWidget* from) {
    for (QWidget* w = from->nextInFocusChain(); w && w != from; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(from->window())) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
}

}  // namespace

EnterNavigation::EnterNavigation(QWidget* window, std::function<void()> on_last)
    : QObject(window), on_last_(std::move(on_last)) {}

void EnterNavigation::watch(std::vector<QWidget*> fields) {
    fields_ = std::move(fields);
    for (QWidget* f : fields_) f->installEventFilter(this);
}

bool EnterNavigation::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
        (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    const bool last = !fields_.empty() && watched == fields_.back();
    if (last && on_last_)
        on_last_();
    else
        focus_next(static_cast<QWidget*>(watched));
    return true;
}

int field_width(const QWidget& widget, int width) {
    return widget.fontMetrics().horizontalAdvance(QLatin1Char('M')) * width + 12;
}

}  // namespace balcora::gui
