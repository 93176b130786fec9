#pragma once

#include <QObject>

#include <functional>
#include <vector>

class QWidget;

namespace balcora::gui {

// Enter in a watched field moves to the next field as Tab does; in the last
// watched field it runs `on_last` when one is given (e.g. "&Ok"), or moves on
// as well. Keyboard-first screens: the operator never needs the mouse.
class EnterNavigation : public QObject {
  public:
    EnterNavigation(QWidget* window, std::function<void()> on_last = {});
    void watch(std::vector<QWidget*> fields);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void()> on_last_;
    std::vector<QWidget*> fields_;
};

// A field of `width` characters of the widget's font, with room for the frame.
int field_width(const QWidget& widget, int width);

}  // namespace balcora::gui
