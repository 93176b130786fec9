#include "fiscal/fiscal_menu.h"
#include "db/settings.h"
#include "ecf/aux_file.h"
#include "ecf/printer.h"
#include "ecf/printer_layouts.h"
#include "ecf/recording_driver.h"
#include "fiscal/cotepe_window.h"
#include "fiscal/ead_signing.h"
#include "fiscal/lmf_window.h"
#include "fiscal/mfd_mirror_window.h"
#include "fiscal/program_reports.h"
#include "fiscal/registers_window.h"
#include "sale/sale_fixture.h"

#include <filesystem>

namespace balcora::test {

namespace fs = std::filesystem;

namespace {

std::string read_all(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

int count_of(const std::string& text, const std::string& part) {
    int n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

}  // namespace

// The demo shop on the virtual printer, its point of sale configured.
class FiscalMenuTest : public SaleFixture {
  protected:
    void SetUp() override {
        SaleFixture::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        ASSERT_TRUE(write_ini("PDV", "Configuração OK", "1", "balcora.ini"));
        folder_ = fiscal::pafecf_folder();
    }
    // A day with one reduction in the fiscal memory.
    void reduce_today() {
        ASSERT_TRUE(ecf::send(ecf::CMD_OPEN_DAY, {*ecf::opening_supply({})}));
        ASSERT_TRUE(ecf::send(ecf::CMD_Z_REDUCTION));
        prompt_.clear();
    }
    std::vector<std::string> files() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(folder_)) out.push_back(e.path().filename());
        std::sort(out.begin(), out.end());
        return out;
    }
    fs::path folder_;
};

TEST_F(FiscalMenuTest, PeriodWindowsSendFocusBackOnABadPeriodAndCloseAfterTheirCommand) {
    reduce_today();
    fiscal::LmfWindow lmf;
    EXPECT_FALSE(lmf.generate());
    EXPECT_EQ(lmf.focus(), fiscal::PeriodField::kStartDate);
    lmf.start_date = "07/12/2026";
    lmf.end_date = "06/12/2026";
    EXPECT_FALSE(lmf.generate());
    EXPECT_EQ(lmf.focus(), fiscal::PeriodField::kEndDate);
    lmf.by_date = false;
    lmf.start_number = "0";
    lmf.end_number = "1";
    EXPECT_FALSE(lmf.generate());
    EXPECT_EQ(lmf.focus(), fiscal::PeriodField::kStartNumber);
    EXPECT_TRUE(lmf.is_open());
    EXPECT_TRUE(prompt_.shown().empty());

    // Equal ends are a period of one reduction; the mirror file is named by
    // the kind of reading.
    lmf.start_number = "1";
    lmf.to_file = true;
    lmf.complete = false;
    EXPECT_TRUE(lmf.generate());
    EXPECT_FALSE(lmf.is_open());
    EXPECT_TRUE(fs::exists(folder_ / "lmfs.txt"));
    EXPECT_EQ(prompt_.count_containing(") Espelho LMF gerado com Sucesso!!!"), 1);

    fiscal::MfdMirrorWindow mirror;
    mirror.by_date = false;
    mirror.start_number = "3";
    mirror.end_number = "2";
    EXPECT_FALSE(mirror.generate());
    EXPECT_EQ(mirror.focus(), fiscal::PeriodField::kEndNumber);
    // A range the printer refuses still closes the window, without success.
    prompt_.clear();
    mirror.end_number = "999999";
    mirror.start_number = "999990";
    EXPECT_FALSE(mirror.generate());
    EXPECT_FALSE(mirror.is_open());
    EXPECT_EQ(prompt_.count_containing("gerado com Sucesso"), 0);
    EXPECT_FALSE(fs::exists(folder_ / "espelhomfd.txt"));
}

TEST_F(FiscalMenuTest, MemoryDownloadsAreRenamedAndSignedAndAFailedStepIsNoSuccess) {
    reduce_today();
    fiscal::FiscalMenu menu;
    ASSERT_TRUE(menu.open());
    menu.press(fiscal::FiscalMenu::Button::kMfFile);
    menu.press(fiscal::FiscalMenu::Button::kMfdFile);
    const std::string mf = "MF" + std::string(demo::kPrinterSerial) + "_20261207_100000.mf";
    const std::string mfd = "MFD" + std::string(demo::kPrinterSerial) + "_20261207_100000.mfd";
    EXPECT_EQ(files(), (std::vector<std::string>{mf, mf + ".txt", mfd, mfd + ".txt"}));
    EXPECT_TRUE(fiscal::verify_ead(folder_ / mf));
    EXPECT_TRUE(fiscal::verify_ead(folder_ / mfd));
    EXPECT_EQ(read_all(folder_ / mf).rfind("BALCORA-ECF-VIRTUAL-MF|", 0), 0u);
    EXPECT_EQ(prompt_.count_containing("Arquivo Binário da MF (" + (folder_ / mf).string() +
                                       ") gerado com Sucesso!!!|"),
              1);
    EXPECT_EQ(prompt_.count_containing("Arquivo Binário da MFD ("), 1);

    // A name that cannot be taken, then a signature that cannot be written:
    // each is shown, and neither download claims success.
    clock_.set({2026, 12, 7, 10, 0, 5});
    fs::create_directories(
        folder_ / ("MF" + std::string(demo::kPrinterSerial) + "_20261207_100005.mf") / "x");
    fs::create_directories(
        folder_ / ("MFD" + std::string(demo::kPrinterSerial) + "_20261207_100005.mfd.txt") / "x");
    prompt_.clear();
    menu.press(fiscal::FiscalMenu::Button::kMfFile);
    menu.press(fiscal::FiscalMenu::Button::kMfdFile);
    EXPECT_EQ(prompt_.count_containing(") ao renomear o arquivo "), 1);
    EXPECT_EQ(prompt_.count_containing("gerado com Sucesso"), 0);
    EXPECT_EQ(prompt_.shown().size(), 2u);
    menu.close();
}

TEST_F(FiscalMenuTest, CotepeFileIsResignedUnderTheNameOfTheNextSecond) {
    reduce_today();
    fiscal::CotepeWindow window;
    window.type = 3;
    window.start_date = "07/12/2026";
    window.end_date = "07/12/2026";
    ASSERT_TRUE(window.generate());
    EXPECT_FALSE(window.is_open());
    const std::string name = "RZ" + std::string(demo::kPrinterSerial) + "_20261207_100001.txt";
    EXPECT_EQ(window.file(), (folder_ / name).string());
    // The printer's own file is gone: only the renamed, signed one is left.
    EXPECT_EQ(files(), std::vector<std::string>{name});
    const std::string text = read_all(folder_ / name);
    EXPECT_EQ(text.rfind("E00|AC1704|3|", 0), 0u);
    EXPECT_EQ(count_of(text, "\r\nEAD"), 1);
    EXPECT_TRUE(fiscal::verify_ead(folder_ / name));
    EXPECT_EQ(prompt_.count_containing("Geração de Arquivo Ato COTEPE/ICMS 17/04 (" +
                                       (folder_ / name).string() + ") RZ gerado com Sucesso!!!|"),
              1);

    // A printer that says yes but writes nothing: the earlier file is neither
    // renamed nor deleted.
    {
        RecordingDriver says_yes;
        fiscal::CotepeWindow silent;
        silent.start_date = silent.end_date = "07/12/2026";
        prompt_.clear();
        EXPECT_FALSE(silent.generate());
        EXPECT_EQ(prompt_.count_containing("Arquivo gerado pela impressora não encontrado"), 1);
    }
    EXPECT_EQ(files(), std::vector<std::string>{name});
    EXPECT_EQ(read_all(folder_ / name), text);

    // A start of 0 is no reduction.
    fiscal::CotepeWindow by_reduction;
    by_reduction.by_date = false;
    by_reduction.start_number = "0000";
    EXPECT_FALSE(by_reduction.generate());
    EXPECT_EQ(by_reduction.focus(), fiscal::PeriodField::kStartNumber);
    EXPECT_TRUE(by_reduction.is_open());
}

TEST_F(FiscalMenuTest, IdentificationReportPrintsTheProgramAndItsFilesIn48Columns) {
    ASSERT_EQ(QUERYSQL("INSERT INTO balcora.arquivo (ordem, nome, pasta, cod_md5) VALUES "
                       "(1, 'balcora', 'pgms', '0123456789abcdef0123456789abcdef'), "
                       "(2, 'semmd5.dll', 'pgms', ''), "
                       "(3, 'libbalcora.so', 'pgms', 'fedcba9876543210fedcba9876543210');"),
              "1");
    glo::md5txt = "00112233445566778899aabbccddeeff";
    ASSERT_TRUE(ecf::install_aux_file());
    glo::md5txt.clear();
    fiscal::FiscalMenu menu;
    ASSERT_TRUE(menu.open());
    menu.press(fiscal::FiscalMenu::Button::kIdentification);
    const std::string tape = paper();
    const std::string md5(16, ' ');
    for (const std::string& line :
         {std::string(12, ' ') + "IDENTIFICAÇÃO DO PAF-ECF\n\nNº do laudo: BAL0012026\n\n" +
              "Identicação da empresa desenvolvedora:\n",
          std::string(" SAO PAULO SP\n"),
          std::string("balcora\n") + md5 + "0123456789abcdef0123456789abcdef\n\nlibbalcora.so\n",
          std::string("md5.txt\n") + md5 + "00112233445566778899aabbccddeeff\n",
          std::string("Versão da ER PAF-ECF: 02.06\nData Emissão Laudo  : 05/01/2026\n"),
          "ECF Autorizado: " + std::string(demo::kPrinterSerial) + "\n"})
        EXPECT_NE(tape.find(line), std::string::npos) << line;
    EXPECT_EQ(tape.find("semmd5.dll"), std::string::npos);
    EXPECT_EQ(QUERYSQL("SELECT count(*) FROM balcora.docecf WHERE tipo='RG';"), "1");

    menu.press(fiscal::FiscalMenu::Button::kConfiguration);
    EXPECT_NE(paper().find(std::string(46, '=') + "\n" + std::string(10, ' ') +
                           "PARAMETROS DE CONFIGURAÇÃO\n" + std::string(46, '=') +
                           "\n\nPERFIL DE REQUISITOS CONFIGURADO: V\n" + std::string(46, '-')),
              std::string::npos);
    menu.close();
}

TEST_F(FiscalMenuTest, RegistersWindowChecksItsPeriodAndProductsBeforeGenerating) {
    std::vector<fiscal::RegistersRequest> asked;
    fiscal::RegistersWindow window([&](const fiscal::RegistersRequest& r) {
        asked.push_back(r);
        return fiscal::RegistersResult{true, "/tmp/registros.txt"};
    });
    EXPECT_FALSE(window.generate());
    EXPECT_EQ(window.focus(), fiscal::RegistersField::kStartDate);
    window.start_date = "07/12/2026";
    window.end_date = "01/12/2026";
    EXPECT_FALSE(window.generate());
    EXPECT_EQ(window.focus(), fiscal::RegistersField::kEndDate);
    EXPECT_TRUE(prompt_.shown().empty());

    window.end_date = "07/12/2026";
    window.stock_option = 2;
    EXPECT_FALSE(window.generate());
    EXPECT_EQ(prompt_.count_containing("Nenhum produto informado!"), 1);
    window.product_code = "999999";
    EXPECT_FALSE(window.add_product());
    window.product_code = "000002";
    EXPECT_TRUE(window.add_product());
    window.product_code = "3";
    EXPECT_TRUE(window.add_product());
    window.product_code = "000002";
    EXPECT_FALSE(window.add_product());
    window.remove_product(0);
    EXPECT_TRUE(asked.empty());
    EXPECT_TRUE(window.is_open());

    ASSERT_TRUE(window.generate());
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].start, util::day_number(2026, 12, 7));
    EXPECT_EQ(asked[0].stock_option, 2);
    EXPECT_EQ(asked[0].products, std::vector<std::int64_t>{3});
    EXPECT_FALSE(asked[0].from_day_close);
    EXPECT_FALSE(window.is_open());
    EXPECT_EQ(prompt_.count_containing("Arquivo \"/tmp/registros.txt\" gerado com sucesso!!!"), 1);
}

TEST_F(FiscalMenuTest, RegistersWindowGeneratesTheSignedFileOfThePeriod) {
    reduce_today();
    ASSERT_TRUE(ecf::send(ecf::CMD_RECORD_REG60M));
    fiscal::RegistersWindow window;
    window.start_date = window.end_date = "07/12/2026";
    ASSERT_TRUE(window.generate()) << (prompt_.shown().empty() ? "" : prompt_.shown()[0].text);
    EXPECT_TRUE(fiscal::verify_ead(window.file()));
    EXPECT_EQ(prompt_.count_containing("Arquivo \"" + window.file() + "\" gerado com sucesso!!!"),
              1);
}

// Behind a driver that answers as told: the menu's opening checks and the
// notices that send nothing to the printer.
class FiscalMenuChecks : public ShopFixture {
  protected:
    RecordingDriver driver_;
};

TEST_F(FiscalMenuChecks, OpeningChecksAndNoticesOfTheMenu) {
    glo::mfd = 0;
    ASSERT_TRUE(QUERYSQL("UPDATE balcora.maqecf SET numero=2, porta_com=99, marca='EPSON   ', "
                         "modelo='TM-T900F  ' WHERE num_serie=" +
                         TXTSQL(demo::kPrinterSerial) + ";") == "1");
    {
        fiscal::FiscalMenu menu;
        EXPECT_FALSE(menu.open());
        EXPECT_EQ(menu.line1(), "Caixa: 002 - USB");
        EXPECT_EQ(menu.line2(), "EPSON TM-T900F");
        EXPECT_EQ(prompt_.count_containing("IF ainda não configurada!"), 1);
        EXPECT_TRUE(driver_.commands().empty());
    }
    ASSERT_TRUE(write_ini("PDV", "Configuração OK", "1", "balcora.ini"));
    {
        // A printer this checkout does not know still gets the menu.
        glo::numfab = "OUTRA";
        fiscal::FiscalMenu menu;
        EXPECT_TRUE(menu.open());
        EXPECT_EQ(menu.line1(), "");
        EXPECT_EQ(prompt_.count_containing("Não há Impressora Fiscal configurada para este Micro!"),
                  1);
        glo::numfab = demo::kPrinterSerial;
    }
    driver_.refuse(ecf::CMD_OPEN_PORT);
    prompt_.clear();
    fiscal::FiscalMenu menu;
    EXPECT_TRUE(menu.open());
    EXPECT_EQ(prompt_.count_containing("Erro ao tentar comunicar com ECF!"), 1);

    driver_.clear();
    prompt_.clear();
    menu.press(fiscal::FiscalMenu::Button::kMfdFile);
    EXPECT_EQ(driver_.commands(),
              (std::vector<std::int32_t>{ecf::CMD_CHECK_PRINTER, ecf::CMD_READ_PRINTER_INFO}));
    EXPECT_EQ(prompt_.count_containing("Função não suportada pelo modelo de ECF utilizado!"), 1);

    glo::pafsn = 1;
    menu.press(fiscal::FiscalMenu::Button::kRegisters);
    glo::pafsn = 0;
    EXPECT_EQ(prompt_.count_containing("Função não aplicada a PAF-ECF Simples Nacional"), 1);
    menu.press(fiscal::FiscalMenu::Button::kSendReduction);
    EXPECT_EQ(prompt_.count_containing("ainda não disponível nesta versão."), 1);
    ui::ScreenPort::Arguments bloco_x;
    screens_.provide("BLOCOX", [&](const ui::ScreenPort::Arguments& a) {
        bloco_x = a;
        return 1;
    });
    menu.press(fiscal::FiscalMenu::Button::kSendStock);
    EXPECT_EQ(bloco_x, ui::ScreenPort::Arguments{"EnviarEstoque"});

    driver_.clear();
    EXPECT_FALSE(menu.press(fiscal::FiscalMenu::Button::kClose));
    menu.close();
    EXPECT_EQ(driver_.commands(), std::vector<std::int32_t>{ecf::CMD_CLOSE_PORT});
}

}  // namespace balcora::test
