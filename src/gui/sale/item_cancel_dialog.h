#pragma once

#include <QDialog>

#include <optional>

class QLineEdit;

namespace balcora::gui {

// "Cancelamento de Item": the number of the item to cancel (up to three
// digits). S confirms; N or Alt+N closes.
class ItemCancelDialog : public QDialog {
    Q_OBJECT
  public:
    explicit ItemCancelDialog(QWidget* parent = nullptr);
    std::optional<int> number() const { return number_; }

    // Runs the dialog; the number typed, or nothing when it was closed.
    static std::optional<int> ask(QWidget* parent);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void confirm();

    QLineEdit* field_;
    std::optional<int> number_;
};

}  // namespace balcora::gui
