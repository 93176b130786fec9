#pragma once

#include "fiscal/period_window.h"
#include "gui/shell/screen_dialog.h"

#include <functional>

class QBoxLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace balcora::gui {

// The frame of the fiscal-memory reading and file windows over a
// PeriodWindow: the interval ("Data" or the counters), the four fields
// ("start_date", "end_date", "start_number", "end_number") of which only the
// interval's two are enabled, and "&Gerar" ("generate") / "&Fechar"
// ("close"). Enter moves through the fields and generates from the last. A
// window adds its own choices above the interval through choices().
class PeriodDialog : public ScreenDialog<fiscal::PeriodWindow> {
    Q_OBJECT
  protected:
    PeriodDialog(fiscal::PeriodWindow& window, QWidget* parent, const char* name,
                 const char* caption, const char* counter_caption, std::function<void()> generate);

    // Where a window puts its own choices (before the interval).
    QBoxLayout* choices() const { return choices_; }
    // "&Gerar": the fields into the window, then the generation given.
    void generate();
    // Widgets for the tab order ahead of the interval.
    void lead_with(std::vector<QWidget*> widgets);

    QPushButton* generate_button_ = nullptr;
    QPushButton* close_button_ = nullptr;

  private:
    void settle_interval();
    void show_focus();

    fiscal::PeriodWindow& window_;
    std::function<void()> generate_;
    QBoxLayout* choices_ = nullptr;
    QRadioButton* by_date_ = nullptr;
    QRadioButton* by_number_ = nullptr;
    QLineEdit* start_date_ = nullptr;
    QLineEdit* end_date_ = nullptr;
    QLineEdit* start_number_ = nullptr;
    QLineEdit* end_number_ = nullptr;
};

// A group of two or more exclusive choices, the first checked unless `checked`
// says otherwise; the buttons are named by `names`.
QWidget* choice_group(QWidget* parent, const QString& title, const std::vector<QString>& captions,
                      const std::vector<const char*>& names, int checked,
                      std::vector<QRadioButton*>& out);

}  // namespace balcora::gui
