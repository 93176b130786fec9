#include "gui/ecf/tape_window.h"
#include "demo/demo_data.h"
#include "ecf/printer.h"
#include "ecf/printer_driver.h"
#include "ecf/printer_layouts.h"
#include "ecf/tape_file.h"
#include "globals/globals.h"
#include "gui_support/screenshot.h"
#include "support/amounts.h"
#include "support/test_database.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <filesystem>
#include <fstream>

namespace balcora::test {

namespace fs = std::filesystem;

namespace {

QString shown(gui::TapeWindow& w) {
    return w.findChild<QPlainTextEdit*>("tape")->toPlainText();
}

}  // namespace

class TapeWindowGui : public EnvTest {
  protected:
    TapeWindowGui() {
        glo::numfab = "BV202612000001";
        tape_ = ecf::tape_file();
    }
    void print(const std::string& text) {
        fs::create_directories(tape_.parent_path());
        std::ofstream(tape_, std::ios::app | std::ios::binary) << text;
    }
    fs::path tape_;
};

TEST_F(TapeWindowGui, TheTapeLivesInThePrintersFolderUnderTheDataRoot) {
    EXPECT_EQ(tape_,
              root_.path() / "sistemas" / "balcora" / "ecf" / "BV202612000001" / "bobina.txt");
    glo::numfab = "  ";
    EXPECT_TRUE(ecf::tape_file().empty());
}

TEST_F(TapeWindowGui, ShowsWhatIsPrintedAsItArrivesWholeLinesOnly) {
    gui::TapeWindow window(tape_);
    window.show();
    auto* path = window.findChild<QLabel*>("path");
    EXPECT_TRUE(path->text().startsWith("Bobina ainda não impressa: "));
    EXPECT_TRUE(shown(window).isEmpty());

    print("      MERCADINHO BALCORA LTDA\nCNPJ: 11.222.333/0001-81\nLEITURA X\nAçú");
    window.refresh();
    EXPECT_EQ(path->text(), QString::fromStdString(tape_.string()));
    EXPECT_EQ(shown(window),
              "      MERCADINHO BALCORA LTDA\nCNPJ: 11.222.333/0001-81\nLEITURA X\n");

    // The rest of a line cut in the middle of a character arrives later.
    print("car\r\n");
    window.refresh();
    EXPECT_TRUE(shown(window).endsWith("LEITURA X\nAçúcar\n"));
    window.refresh();
    EXPECT_EQ(shown(window).count("Açúcar"), 1);
}

TEST_F(TapeWindowGui, FollowsTheEndAndStartsOverWhenTheTapeIsCutBack) {
    gui::TapeWindow window(tape_);
    window.show();
    for (int i = 0; i < 200; ++i) print("linha " + std::to_string(i) + "\n");
    window.refresh();
    QApplication::processEvents();
    QScrollBar* bar = window.findChild<QPlainTextEdit*>("tape")->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());

    fs::resize_file(tape_, 8);  // "linha 0\n": what survived a power failure
    print("CUPOM CANCELADO\n");
    window.refresh();
    EXPECT_EQ(shown(window), "linha 0\nCUPOM CANCELADO\n");
}

TEST_F(TapeWindowGui, AWideTapeFitsWithoutWrapping) {
    // Lines of the full 48 columns, accented ones included.
    const std::string rule(48, '-');
    print(rule + "\n" + "            MERCADINHO BALCORA LTDA\n" +
          "07/12/2026 10:00:00                   COO:000123\n" + "                 CUPOM FISCAL\n" +
          rule + "\n" + "001 0000000000002 ARROZ TIPO 1 5KG\n" +
          "         2,000 UN X 27,49       T07,00%    54,98\n" + rule + "\n" +
          "TOTAL R$                                   54,98\n" +
          "OBRIGADO PELA PREFERÊNCIA, VOLTE SEMPRE! ÁÉÍÓÚÇ.\n");
    gui::TapeWindow window(tape_);
    window.show();
    QApplication::processEvents();
    auto* text = window.findChild<QPlainTextEdit*>("tape");
    EXPECT_EQ(text->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(text->horizontalScrollBar()->maximum(), 0);
    save_screenshot(window, "tape_window");
}

class TapeWindowWithVirtualPrinter : public DbTest {
  protected:
    void SetUp() override {
        if (!fs::exists(ecf::default_driver_path())) GTEST_SKIP() << "virtual printer not built";
        ASSERT_TRUE(load_demo_data());
        glo::numfab = demo::kPrinterSerial;
        glo::id_empresa = demo::kCompanyId;
        ASSERT_TRUE(ecf::load_driver(ecf::default_driver_path()));
    }
    void TearDown() override { ecf::unload_driver(); }
};

TEST_F(TapeWindowWithVirtualPrinter, ShowsWhatThePrinterJustPrinted) {
    ASSERT_TRUE(ecf::send(ecf::CMD_OPEN_DAY, {*ecf::opening_supply(cents(15'000))}));
    ASSERT_TRUE(ecf::send(ecf::CMD_OPEN_REPORT, {"RG"}));
    ASSERT_TRUE(ecf::send(ecf::CMD_REPORT_LINE, {ecf::document_line("CONFERÊNCIA DE CAIXA")}));
    ASSERT_TRUE(ecf::send(ecf::CMD_CLOSE_REPORT));

    gui::open_tape_window(nullptr);
    gui::TapeWindow* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* tape = qobject_cast<gui::TapeWindow*>(w)) window = tape;
    }
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(shown(*window).contains("RELATÓRIO GERENCIAL"));
    EXPECT_TRUE(shown(*window).contains("CONFERÊNCIA DE CAIXA"));
    save_screenshot(*window, "tape_window_virtual_printer");

    // Printing more shows up on the next look at the file.
    ASSERT_TRUE(ecf::send(ecf::CMD_X_READING));
    window->refresh();
    EXPECT_TRUE(shown(*window).contains("LEITURA X"));
    window->close();
}

}  // namespace balcora::test
