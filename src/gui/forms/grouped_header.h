#pragma once

#include <QHeaderView>
#include <QString>

#include <vector>

namespace balcora::gui {

// A horizontal header of two lines where a caption spans a run of columns
// (the product list's "Sit. Tributária" over "Sit." and "Alíq."); the other
// columns keep one caption over both lines.
class GroupedHeader : public QHeaderView {
  public:
    explicit GroupedHeader(QWidget* parent = nullptr);
    void add_group(int first, int last, const QString& caption);
    // The caption over a column, empty when it is in no group.
    QString group_caption(int logical) const;

  protected:
    QSize sizeHint() const override;
    void paintSection(QPainter* painter, const QRect& rect, int logical) const override;

  private:
    struct Group {
        int first;
        int last;
        QString caption;
    };
    const Group* group_of(int logical) const;

    std::vector<Group> groups_;
};

}  // namespace balcora::gui
