#pragma once

#include "gui/qt_text.h"
#include "gui/shell/form_dialog.h"

#include <QDialog>
#include <QLineEdit>

#include <string>
#include <vector>

namespace balcora::gui {

// A dialog bound to one screen controller, named for tests and styles.
// However it is closed from the window (Esc, the close box, "Cancelar",
// "Fechar"), the screen is left first by `Leave`.
template <class Screen, auto Leave = &Screen::cancel>
class ScreenDialog : public QDialog {
  public:
    void reject() override {
        (screen_.*Leave)();
        QDialog::reject();
    }

  protected:
    ScreenDialog(Screen& screen, QWidget* parent, const char* name)
        : QDialog(parent), screen_(screen) {
        setObjectName(name);
    }

    Screen& screen_;
};

// A form dialog whose fields are the screen's texts: confirming copies every
// field into the screen and runs its ok(); while the screen stays open the
// dialog shows what the screen asks again, else it ends with the screen. The
// screen names its fields by a `Field` and points to one by focus().
template <class Screen>
class ScreenFormDialog : public ScreenDialog<Screen> {
  protected:
    using ScreenDialog<Screen>::ScreenDialog;
    using Field = typename Screen::Field;

    // `field`, which the screen calls `which`, feeds `value`; a `shown_back`
    // one (a password) takes the screen's value again each time the screen
    // is shown, as the screen empties it after a refusal.
    QLineEdit* bind(QLineEdit* field, Field which, std::string& value, bool shown_back = false) {
        fields_.push_back({field, which, &value, shown_back});
        return field;
    }

    // `succeeded` tells, once the screen has closed, whether it did its work.
    template <class Succeeded>
    void submit(Succeeded succeeded) {
        for (const Bound& b : fields_) *b.value = b.field->text().toStdString();
        this->screen_.ok();
        if (!ended_with_screen(this, this->screen_.is_open(), succeeded())) show_screen();
    }

    void show_screen() {
        for (const Bound& b : fields_) {
            if (b.shown_back) b.field->setText(qs(*b.value));
            if (b.which == this->screen_.focus()) focus_field(b.field);
        }
    }

  private:
    struct Bound {
        QLineEdit* field;
        Field which;
        std::string* value;
        bool shown_back;
    };
    std::vector<Bound> fields_;
};

}  // namespace balcora::gui
