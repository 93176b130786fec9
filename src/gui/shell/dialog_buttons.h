#pragma once

#include <QString>

#include <functional>

class QDialog;
class QDialogButtonBox;
class QPushButton;

namespace balcora::gui {

// The confirm button ("ok") and "&Cancelar" ("cancel") of a small dialog:
// confirming runs `on_ok`, cancelling rejects the dialog (its own reject()).
QDialogButtonBox* ok_cancel(QDialog* dialog, const QString& ok_text, std::function<void()> on_ok);

// The two buttons of a box made by ok_cancel, for the tab order.
QPushButton* ok_button(QDialogButtonBox* box);
QPushButton* cancel_button(QDialogButtonBox* box);

}  // namespace balcora::gui
