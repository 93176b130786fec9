#include "blocox/transmission_fixture.h"
#include "gui/blocox/reg60m_form_dialog.h"
#include "gui/blocox/transmission_windows.h"
#include "gui/modal_helper.h"
#include "gui_support/screenshot.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>

namespace balcora::test {

namespace {

// The progress window as the program shows it, photographed at its first
// line and remembering every line.
class RecordedProgress : public gui::BlocoXProgressWindow {
  public:
    void line(const std::string& text) override {
        gui::BlocoXProgressWindow::line(text);
        if (lines.empty()) save_screenshot(*this, "blocox_progress");
        lines.push_back(text);
    }
    std::vector<std::string> lines;
};

QStringList column(QTableWidget& table, int c) {
    QStringList out;
    for (int r = 0; r < table.rowCount(); ++r) out << table.item(r, c)->text();
    return out;
}

}  // namespace

class BlocoXWindows : public TransmissionFixture {};

TEST_F(BlocoXWindows, TheReductionBrowseListsThePeriodAndItsQueryRunsInTheProgressWindow) {
    reductions(3);
    ASSERT_EQ(
        QUERYSQL("UPDATE balcora.reg60m SET sit_blocox='T', rec_blocox='" + std::string(kReceipt) +
                 "', data_blocox=data+1, hora_blocox='08:30:00', vl_venda_bruta=1234.5 "
                 "WHERE num_cont_red_z>=2;"),
        "1");
    ASSERT_EQ(QUERYSQL("UPDATE balcora.maqecf SET num_cred_ecf=4242;"), "1");
    std::vector<std::string> lines;
    screens_.provide_view<blocox::BlocoXRun>([&lines](blocox::BlocoXRun& run) {
        RecordedProgress window;
        run.execute(window);
        lines = window.lines;
    });

    gui::Reg60mBrowseWindow window;
    window.show();
    auto& list = *child<QTableWidget>(window, "reducoes");
    EXPECT_EQ(column(list, 1), (QStringList{"04/12/2026", "05/12/2026", "06/12/2026"}));
    EXPECT_EQ(column(list, 2), (QStringList(3, demo::kPrinterSerial)));
    EXPECT_EQ(column(list, 4), (QStringList{"0,00", "1.234,50", "1.234,50"}));
    EXPECT_EQ(column(list, 5), (QStringList{"Pendente", "Transmitido", "Transmitido"}));
    EXPECT_EQ(column(list, 6), (QStringList{"", "06/12/2026", "07/12/2026"}));
    save_screenshot(window, "reg60m_browse");

    // A period that leaves the first day out, then the list by id.
    child<QLineEdit>(window, "inicio")->setText("05/12/2026");
    emit child<QLineEdit>(window, "inicio")->returnPressed();
    EXPECT_EQ(list.rowCount(), 2);
    child<QTabBar>(window, "ordem")->setCurrentIndex(0);
    EXPECT_EQ(column(list, 3), (QStringList{"2", "3"}));

    answer("1", "Processado", kReceipt);
    child<QPushButton>(window, "consultar_fisco")->click();
    EXPECT_EQ(lines, (std::vector<std::string>{"Consulta Redução Z - 05/12/2026 - 2",
                                               "Consulta Redução Z - 06/12/2026 - 3"}));
    EXPECT_EQ(column(list, 5), (QStringList{"Aceito p/Fisco", "Aceito p/Fisco"}));

    // The selected row alone, with its receipt's state at the authority.
    prompt_.clear();
    child<QPushButton>(window, "perguntar_fisco")->click();
    ASSERT_FALSE(texts().empty());
    EXPECT_NE(
        texts().back().find("Consulta ao Fisco: Redução Z 2 de 05/12/2026|Recibo: " +
                            std::string(kReceipt) + "|Situação no Fisco: Processado e aceito"),
        std::string::npos)
        << texts().back();
}

TEST_F(BlocoXWindows, TheRecordFormSavesAPendingReductionFromItsFields) {
    reductions(1);
    blocox::Reg60mForm form;
    ASSERT_TRUE(form.open(forms::FormMode::kChange, std::stoi(value("SELECT max(id_reg60m) FROM "
                                                                    "balcora.reg60m;"))));
    gui::Reg60mFormDialog dialog(form);
    dialog.show();
    EXPECT_EQ(child<QLabel>(dialog, "situacao")->text(), "Pendente");
    child<QLineEdit>(dialog, "hr_emissao")->setText("23:10:05");
    save_screenshot(dialog, "reg60m_form");
    child<QPushButton>(dialog, "ok")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(value("SELECT hr_emissao FROM balcora.reg60m;"), "23:10:05");
}

}  // namespace balcora::test
