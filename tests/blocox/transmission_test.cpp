#include "blocox/provide_blocox.h"
#include "blocox/ws_answer.h"
#include "ecf/aux_file.h"
#include "ecf/printer_functions_screen.h"
#include "ecf/printer_window_gates.h"
#include "fiscal/fiscal_menu.h"
#include "transmission_fixture.h"

#include <sys/stat.h>

namespace balcora::test {

namespace {

bool contains(const std::vector<std::string>& texts, const std::string& fragment) {
    for (const auto& t : texts)
        if (t.find(fragment) != std::string::npos) return true;
    return false;
}

}  // namespace

using blocox::kQueryReductions;
using blocox::kSendReductions;

class TransmissionTest : public TransmissionFixture {};

TEST_F(TransmissionTest, PendingReductionsTravelWithTheirReceiptsAndComeBackAccepted) {
    reductions(2);
    reduction(0, today(), "0");  // today's day, still open
    answer("0", "Arquivo recebido com sucesso", kReceipt);

    EXPECT_EQ(BLOCOX(kSendReductions), 0);
    EXPECT_EQ(states(), "TTP");
    EXPECT_EQ(request("AcaoEnvio"), "EnviarReducaoZ");
    EXPECT_EQ(request("Recibo"), "null");
    EXPECT_EQ(std::filesystem::path(request("Arquivo")).filename(), "reducaoz06122026.xml");
    EXPECT_EQ(
        value("SELECT count(*) FROM balcora.reg60m WHERE rec_blocox='" + std::string(kReceipt) +
              "' AND data_blocox='2026-12-07' AND "
              "hora_blocox='10:00:00';"),
        "2");
    const auto receipts = root_.path() / "sistemas" / "balcora" /
                          "Recibos dos Arquivos com Informações da Redução Z do PAF-ECF";
    EXPECT_TRUE(std::filesystem::exists(receipts / "reducaoz05122026-recibo.xml"));
    EXPECT_TRUE(std::filesystem::exists(receipts / "reducaoz06122026-recibo.xml"));
    EXPECT_EQ(texts(), std::vector<std::string>{"Aviso: Arquivo com Informações da Redução Z do "
                                                "PAF-ECF transmitido com sucesso.|Pasta Recibo: " +
                                                receipts.string()});
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", "EmailReducaoZ"), "0");

    // Without the accreditation number the authority cannot be asked.
    ASSERT_EQ(QUERYSQL("UPDATE balcora.maqecf SET num_cred_ecf=0;"), "1");
    prompt_.clear();
    EXPECT_EQ(BLOCOX(kQueryReductions), 1);
    EXPECT_TRUE(contains(texts(), "Máquina ECF sem Número de Credenciamento!"));
    ASSERT_EQ(QUERYSQL("UPDATE balcora.maqecf SET num_cred_ecf=4242;"), "1");
    answer("0", "Em processamento", "");
    EXPECT_EQ(BLOCOX(kQueryReductions), 1);
    EXPECT_EQ(states(), "TTP");
    answer("1", "Processado", "");
    EXPECT_EQ(BLOCOX(kQueryReductions), 0);
    EXPECT_EQ(states(), "AAP");
    EXPECT_EQ(request("AcaoEnvio"), "ConsultarProcessamento");
    EXPECT_EQ(request("Recibo"), kReceipt);
    EXPECT_NE(platform::ini_read(dir_ / "request.ini", "Envio", "Arquivo")
                  .find("consultareducaoz06122026"),
              std::string::npos);
}

TEST_F(TransmissionTest, ABrokenGrandTotalChainHoldsBackTheReductionAndWarns) {
    reduction(1, today() - 3, "1000.00");
    reduction(2, today() - 2, "1000.00", "50.00");  // 1000 - 50 is not the 1000 before
    answer("0", "", kReceipt);

    EXPECT_EQ(BLOCOX(kSendReductions), 1);
    EXPECT_EQ(states(), "TP");
    EXPECT_TRUE(contains(texts(),
                         "Aviso: Registro 60M incompleto, Favor usar a rotina Recupera "
                         "REG60M!"));
    EXPECT_TRUE(contains(texts(),
                         "ATENÇÃO!!!: HÁ 1 ARQUIVOS COM INFORMAÇÕES DA REDUÇÃO Z DO "
                         "PAF-ECF PENDENTES DE TRANSMISSÃO AO FISCO. O CONTRIBUINTE PODE "
                         "TRANSMITIR OS ARQUIVOS PELO MENU FISCAL POR MEIO DO COMANDO "
                         "\"TRANSMITIR ARQUIVOS COM INFORMAÇÕES DA REDUÇÃO Z DO "
                         "PAF-ECF\"."));
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", "EmailReducaoZ"), "1");
}

TEST_F(TransmissionTest, AProductWithoutNcmKeepsTheFileHomeAndIsNamed) {
    reduction(1, today() - 1, "10.00", "10.00");
    const std::string z = value("SELECT id_reg60m FROM balcora.reg60m;");
    ASSERT_EQ(QUERYSQL("INSERT INTO balcora.produto (id_produto, codigo, descricao, unidade, "
                       "ecf_st, ecf_aliquota, ecf_cod_st, cod_ncm, cest) VALUES (9203, 'C9203', "
                       "'ÁGUA SEM NCM', 'UN', 'T', 18, '01', 0, 0);"),
              "1");
    ASSERT_EQ(QUERYSQL("INSERT INTO balcora.reg60a (id_reg60m, st_aliq, totalizador, "
                       "vl_acumulado) VALUES (" +
                       z + ", '01T1800', '01T1800', 10);"),
              "1");
    const std::string coupon = QUERYSQL(
        "INSERT INTO balcora.cfiscal (id_empresa, id_maqecf, data, situacao, total) VALUES (1, "
        "1, " +
        DTSQL(today() - 1) + ", 'E', 10) RETURNING id_cfiscal;");
    ASSERT_EQ(QUERYSQL("INSERT INTO balcora.cfiscald (id_cfiscal, num_item, id_produto, qtdade, "
                       "total, vl_base, item_cancelado, totalizador, descricao, unidade) VALUES (" +
                       coupon + ", 1, 9203, 1, 10, 10, 0, '01T1800', 'ÁGUA SEM NCM', 'UN');"),
              "1");
    answer("0", "", kReceipt);

    EXPECT_EQ(BLOCOX(kSendReductions), 1);
    EXPECT_EQ(states(), "P");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "request.ini"));  // the client never ran
    EXPECT_TRUE(contains(texts(), "Aviso: Produtos sem NCM cadastrado!|009203 ÁGUA SEM NCM"));
}

// Whatever goes wrong on the way, the reduction stays pending and the
// operator is told why; an authority that already has the file gives its
// receipt back.
TEST_F(TransmissionTest, NothingIsMarkedTransmittedWithoutAValidReceipt) {
    reductions(1);
    const auto receipt_file = root_.path() / "sistemas" / "balcora" /
                              "Recibos dos Arquivos com Informações da Redução Z do PAF-ECF" /
                              "reducaoz06122026-recibo.xml";
    struct Case {
        std::function<void()> prepare;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {[&] { answer("2", "Erro 2001 - Assinatura inv\xC3\xA1lida", ""); },
         "Retorno WebService: Erro 2001 - Assinatura inválida"},
        {[&] { answer("0", "ok", "curto"); }, "Recibo inválido no retorno do Fisco"},
        {[&] { std::ofstream(dir_ / "answer.xml") << "<html><body>502 Bad Gateway"; },
         "ao ler arquivo"},
        {[&] { std::ofstream(dir_ / "answer.xml") << "<Retorno><Codigo>0</Codigo></Retorno>"; },
         "sem o elemento Resposta"},
        {[&] { no_answer(); }, "Aviso: Fisco fora do ar"},
        // Another program's files in the answer's place: a FIFO held the
        // program for ever, a huge file would be read whole.
        {[&] {
             no_answer();
             ASSERT_EQ(mkfifo((dir_ / "answer.xml").c_str(), 0600), 0);
         },
         "answer.xml\" não é um arquivo comum!"},
        {[&] {
             no_answer();
             answer("0", "", kReceipt);
             std::filesystem::resize_file(dir_ / "answer.xml", std::uintmax_t{1} << 30);
         },
         "answer.xml\" tem mais de 1 MiB!"},
        {[&] {
             no_answer();
             std::ofstream(dir_ / "answer.xml")
                 << "<Resposta><SituacaoProcessamentoCodigo>9</SituacaoProcessamentoCodigo>"
                    "<Mensagem>"
                 << std::string(100000, 'x') << "</Mensagem></Resposta>";
         },
         "xxx..."},
    };
    for (const Case& c : cases) {
        prompt_.clear();
        c.prepare();
        EXPECT_EQ(BLOCOX(kSendReductions), 1) << c.shown;
        EXPECT_EQ(states(), "P") << c.shown;
        EXPECT_TRUE(contains(texts(), c.shown)) << testing::PrintToString(texts());
        EXPECT_FALSE(std::filesystem::exists(receipt_file)) << c.shown;
    }
    for (const auto& t : texts()) EXPECT_LT(t.size(), 1000u);

    answer("2", "Erro 1009 - Arquivo já recebido. Recibo: " + std::string(kReceipt) + "  ", "");
    EXPECT_EQ(BLOCOX(kSendReductions), 0);
    EXPECT_EQ(value("SELECT sit_blocox || rec_blocox FROM balcora.reg60m;"),
              "T" + std::string(kReceipt));
    EXPECT_TRUE(std::filesystem::exists(receipt_file));
}

TEST_F(TransmissionTest, AClientThatHangsIsStoppedAtItsTimeLimit) {
    reductions(1);
    answer("0", "", kReceipt);
    std::ofstream(dir_ / "hang") << "";
    ASSERT_TRUE(write_ini("Programas", "BlocoX Tempo Limite", "1", "balcora.ini"));

    EXPECT_EQ(BLOCOX(kSendReductions), 1);
    EXPECT_EQ(states(), "P");
    EXPECT_TRUE(contains(texts(), "O cliente do Bloco X não terminou em 1 s"));
}

TEST_F(TransmissionTest, WarningsGrowWithThePendingReductionsAndTheTenthBlocks) {
    no_answer();
    const std::string urgent = "A PARTIR DA 10ª TRANSMISSÃO PENDENTE";
    const std::string advice = "| |VERIFIQUE COM O FORNECEDOR DO PROGRAMA A SOLUÇÃO DA PENDÊNCIA.";
    struct Case {
        int pending;
        bool advice, urgent;
        const char* blocked;
    };
    for (const Case& c : {Case{4, false, false, "0"}, Case{5, true, false, "0"},
                          Case{9, false, true, "0"}, Case{10, false, true, "1"}}) {
        ASSERT_EQ(QUERYSQL("DELETE FROM balcora.reg60m;"), "1");
        reductions(c.pending);
        prompt_.clear();
        EXPECT_EQ(BLOCOX(kSendReductions), 1);
        const std::string w = blocox::reduction_pending_warning(c.pending);
        EXPECT_TRUE(contains(texts(), "ATENÇÃO!!!: " + w)) << c.pending;
        EXPECT_EQ(w.starts_with("HÁ " + std::to_string(c.pending) + " ARQUIVOS"), true);
        EXPECT_EQ(w.ends_with(advice), c.advice) << c.pending;
        EXPECT_EQ(w.find(urgent) != std::string::npos, c.urgent) << c.pending;
        EXPECT_EQ(flag(blocox::kBlockedReductionKey), c.blocked) << c.pending;
    }
    // A weekend within the ten days brings the limit forward.
    EXPECT_EQ(blocox::reduction_block_limit(util::day_number(2026, 12, 7), 9), 10);
    EXPECT_EQ(blocox::reduction_block_limit(util::day_number(2026, 12, 5), 9), 8);

    // Blocked: the sale screens and the printer functions refuse to open.
    prompt_.clear();
    EXPECT_TRUE(ecf::blocox_blocked(false));
    ecf::PrinterFunctionsScreen functions{checkout_, ecf::CashDayServices{}};
    EXPECT_FALSE(functions.check(true));
    EXPECT_EQ(prompt_.count_containing(ecf::kBlocoXBlocked), 2);

    // Sending them all from the fiscal menu lifts the block.
    answer("0", "", kReceipt);
    blocox::provide_blocox(screens_);
    fiscal::FiscalMenu menu;
    EXPECT_TRUE(menu.press(fiscal::FiscalMenu::Button::kSendReduction));
    EXPECT_EQ(states(), std::string(10, 'T'));
    EXPECT_EQ(flag(blocox::kBlockedReductionKey), "0");
    prompt_.clear();
    EXPECT_FALSE(ecf::blocox_blocked(false));
    functions.check(true);
    EXPECT_EQ(prompt_.count_containing(ecf::kBlocoXBlocked), 0);
}

// Reductions of the days before Bloco X applied are never sent: they must
// not count towards the warning or the block, or the checkout stays blocked
// for good.
TEST_F(TransmissionTest, ReductionsBeforeBlocoXAppliedNeverCountAsPending) {
    no_answer();
    reductions(10);
    glo::dtenvredz = today() - 1;          // only yesterday's would ever be sent
    ASSERT_TRUE(ecf::install_aux_file());  // where a send run reads it
    EXPECT_EQ(BLOCOX(kSendReductions), 1);
    EXPECT_TRUE(contains(texts(), "ATENÇÃO!!!: " + blocox::reduction_pending_warning(1)));
    EXPECT_EQ(flag(blocox::kBlockedReductionKey), "0");
    EXPECT_FALSE(ecf::blocox_blocked(false));
    glo::dtenvredz = 0;
}

TEST_F(TransmissionTest, PendingStockWarningsAndTheFifthBlocks) {
    no_answer();
    ASSERT_EQ(QUERYSQL("UPDATE balcora.maqecf SET num_cred_ecf=4242;"), "1");
    const std::string urgent = "A PARTIR DA 5ª TRANSMISSÃO PENDENTE";
    struct Case {
        int pending;
        bool advice, urgent;
        const char* blocked;
    };
    for (const Case& c : {Case{1, false, false, "0"}, Case{2, true, false, "0"},
                          Case{4, false, true, "0"}, Case{5, false, true, "1"}}) {
        ASSERT_EQ(QUERYSQL("DELETE FROM balcora.estoquex;"), "1");
        // Last year's inventory is made due by every run: it counts as one.
        for (int k = 1; k < c.pending; ++k)
            ASSERT_EQ(QUERYSQL("INSERT INTO balcora.estoquex (id_empresa, periodo, sit_blocox, "
                               "lib_env) VALUES (1, '2026-" +
                               std::to_string(k) + "-01', 'P', 'S');"),
                      "1");
        prompt_.clear();
        EXPECT_EQ(BLOCOX(blocox::kSendStock), 1);
        const std::string w = blocox::stock_pending_warning(c.pending);
        EXPECT_TRUE(contains(texts(), "ATENÇÃO!!!: " + w)) << testing::PrintToString(texts());
        EXPECT_EQ(w.find("VERIFIQUE COM O FORNECEDOR") != std::string::npos &&
                      w.find(urgent) == std::string::npos,
                  c.advice);
        EXPECT_EQ(w.find(urgent) != std::string::npos, c.urgent);
        EXPECT_EQ(flag(blocox::kBlockedStockKey), c.blocked) << c.pending;
    }
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", "EmailEstoque"), "1");
    EXPECT_TRUE(ecf::blocox_blocked(false));
}

}  // namespace balcora::test
