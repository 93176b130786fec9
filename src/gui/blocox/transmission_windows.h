#pragma once

#include "blocox/reg60m_browse.h"
#include "blocox/transmission.h"
#include "forms/maqecf_form.h"
#include "ui/screen_port.h"

#include <QDialog>
#include <QWidget>

class QLabel;
class QLineEdit;
class QTabBar;
class QTableWidget;

namespace balcora::gui {

// "Gera XML - Bloco XX": the one line of a Bloco X run, modal while it runs
// and closed at its end. Label "linha".
class BlocoXProgressWindow : public QDialog, public blocox::ProgressView {
    Q_OBJECT
  public:
    explicit BlocoXProgressWindow(QWidget* parent = nullptr);

    void open(const std::string& caption) override;
    void line(const std::string& text) override;
    void wait() override;
    void close() override;

  private:
    QLabel* line_;
};

// "Envio da Redução Z - Bloco X" over a Reg60mBrowse: period fields
// "inicio" and "fim", tabs "ordem" (Id, Dt Movimento), list "reducoes",
// buttons "consult", "add", "edit", "remove" (the record form),
// "consultar_fisco" (every transmitted reduction), "perguntar_fisco" (the
// selected one: its state and history at the authority) and "fechar". Enter
// in the period refreshes.
class Reg60mBrowseWindow final : public QWidget {
    Q_OBJECT
  public:
    // Opens the record form; true when it saved. By default "Form reg60m".
    using FormOpener = std::function<bool(forms::FormMode mode, std::int32_t id_reg60m)>;
    explicit Reg60mBrowseWindow(QWidget* parent = nullptr, FormOpener opener = {});

  private:
    void refresh();
    void fill();
    void query_authority();
    void ask_authority();
    std::int32_t selected_id() const;
    void open_form(forms::FormMode mode);
    void remove_selected();

    FormOpener opener_;
    blocox::Reg60mBrowse browse_;
    QLineEdit* from_;
    QLineEdit* to_;
    QTabBar* order_;
    QTableWidget* list_;
};

// BLOCOX with its progress window.
void provide_transmission_windows(ui::ScreenPort& port);
// BROWSEREG60M, over the frame.
void provide_reg60m_browse(ui::ScreenPort& port, QWidget* frame);

}  // namespace balcora::gui
