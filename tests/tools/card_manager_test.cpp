#include "support/temp_root.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::string read_text(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The card-payment manager as a child process on a temporary root, spoken
// to through the request and response folders as the program speaks to it.
class CardManagerTest : public ::testing::Test {
  protected:
    void start(const std::string& rules) {
        rules_ = root_.path() / "regras.ini";
        std::ofstream(rules_) << "[Gerenciador]\n" << rules;
        fs::create_directories(req_);
        pid_ = fork();
        if (pid_ == 0) {
            execl(BALCORA_CARD_MANAGER_PATH, BALCORA_CARD_MANAGER_PATH, "--root",
                  root_.path().c_str(), "--regras", rules_.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        ASSERT_GT(pid_, 0);
    }

    // The exit status of the manager after SIGTERM, -1 when it died otherwise.
    int stop() {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void TearDown() override {
        if (pid_ > 0) stop();
    }

    // Written under the temporary name and renamed, as the program hands over.
    void send(const std::string& text) {
        std::ofstream(req_ / "IntPos.tmp", std::ios::binary) << text;
        fs::rename(req_ / "IntPos.tmp", req_ / "IntPos.001");
    }

    // A guard against a manager that never answers, not a measurement.
    bool wait_for(const fs::path& file, const std::string& containing = {}) {
        for (int i = 0; i < 1500; ++i) {
            if (fs::exists(file) && read_text(file).find(containing) != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    // The status file for the request, then its response; both removed as
    // the program removes them.
    std::string exchange(const std::string& request, const std::string& id) {
        send(request);
        EXPECT_TRUE(wait_for(resp_ / "IntPos.Sts", "001-000 = " + id + "\r\n"));
        fs::remove(resp_ / "IntPos.Sts");
        EXPECT_TRUE(wait_for(resp_ / "IntPos.001", "001-000 = " + id + "\r\n"));
        std::string text = read_text(resp_ / "IntPos.001");
        fs::remove(resp_ / "IntPos.001");
        return text;
    }

    // A request without response: returns once its status file came.
    void status_only(const std::string& request, const std::string& id) {
        send(request);
        EXPECT_TRUE(wait_for(resp_ / "IntPos.Sts", "001-000 = " + id + "\r\n"));
        fs::remove(resp_ / "IntPos.Sts");
    }

    balcora::test::TempRoot root_;
    fs::path req_ = root_.path() / "tef_dial" / "req";
    fs::path resp_ = root_.path() / "tef_dial" / "resp";
    fs::path rules_;
    pid_t pid_ = -1;
};

std::string crt(const std::string& id, const std::string& cents) {
    return "000-000 = CRT\r\n001-000 = " + id + "\r\n002-000 = 000012\r\n003-000 = " + cents +
           "\r\n004-000 = 0\r\n706-000 = 3\r\n707-000 = " + cents +
           "\r\n708-000 = 0\r\n709-000 = 0\r\n999-999 = 0\r\n";
}

std::string field(const std::string& response, const std::string& head) {
    size_t at = response.find("\r\n" + head + " = ");
    if (at == std::string::npos) return "<absent>";
    at += head.size() + 5;
    return response.substr(at, response.find("\r\n", at) - at);
}

TEST_F(CardManagerTest, SaleIsApprovedConfirmedAndCancelledByItsNsu) {
    start("");
    // ATV and the settling requests get the status file alone: a response
    // left in the folder would read as a pending transaction at start-up.
    status_only("000-000 = ATV\r\n001-000 = 90000001\r\n999-999 = 0\r\n", "90000001");
    status_only("000-000 = NCN\r\n001-000 = 90000001\r\n012-000 = 999999\r\n999-999 = 0\r\n",
                "90000001");
    EXPECT_FALSE(fs::exists(resp_ / "IntPos.001"));

    std::string sale = exchange(crt("90000002", "4230"), "90000002");
    EXPECT_EQ(field(sale, "003-000"), "4230");
    EXPECT_EQ(field(sale, "010-000"), "REDE SIMULADA");
    std::string nsu = field(sale, "012-000");
    int lines = std::stoi(field(sale, "028-000"));
    ASSERT_GT(lines, 0);
    for (int i = 1; i <= lines; ++i) {
        char head[16];
        std::snprintf(head, sizeof head, "029-%03d", i);
        std::string text = field(sale, head);
        EXPECT_TRUE(text.size() >= 2 && text.front() == '"' && text.back() == '"') << text;
    }
    EXPECT_NE(sale.find("\"VALOR: R$ 42,30\""), std::string::npos);
    EXPECT_TRUE(sale.ends_with("\r\n999-999 = 0\r\n"));

    status_only(
        "000-000 = CNF\r\n001-000 = 90000002\r\n002-000 = 000012\r\n010-000 = REDE "
        "SIMULADA\r\n012-000 = " +
            nsu + "\r\n027-000 = " + field(sale, "027-000") + "\r\n999-999 = 0\r\n",
        "90000002");
    fs::path journal = root_.path() / "tef_dial" / "diario.txt";
    EXPECT_NE(read_text(journal).find(";CONFIRMADA;COO=000012;ID=90000002;NSU=" + nsu),
              std::string::npos);

    std::string cnc =
        "000-000 = CNC\r\n001-000 = 90000003\r\n002-000 = 000012\r\n003-000 = "
        "000000004230\r\n010-000 = REDE SIMULADA\r\n012-000 = " +
        nsu + "\r\n999-999 = 0\r\n";
    std::string cancel = exchange(cnc, "90000003");
    ASSERT_NE(field(cancel, "028-000"), "0");
    status_only("000-000 = CNF\r\n001-000 = 90000003\r\n012-000 = " + field(cancel, "012-000") +
                    "\r\n999-999 = 0\r\n",
                "90000003");
    EXPECT_NE(read_text(journal).find(";CANCELADA;NSU=" + nsu), std::string::npos);
    // A sale is cancelled once.
    std::string again = exchange(cnc, "90000003");
    EXPECT_EQ(field(again, "028-000"), "0");
    EXPECT_EQ(field(again, "030-000"), "TRANSACAO JA CANCELADA");

    EXPECT_EQ(stop(), 0);
}

TEST_F(CardManagerTest, RulesDeclineByCentsAndLeaveAKindUnanswered) {
    start(
        "recusar_centavos=13\nnunca_responder=chq\nmensagem_recusa=CARTAO RECUSADO\n"
        "adm_opcao=cancelada\nsomente_status=CNC\n");
    std::string declined = exchange(crt("90000010", "4213"), "90000010");
    EXPECT_EQ(field(declined, "028-000"), "0");
    EXPECT_EQ(field(declined, "030-000"), "CARTAO RECUSADO");
    EXPECT_EQ(field(declined, "012-000"), "<absent>");
    EXPECT_EQ(field(exchange(crt("90000011", "4230"), "90000011"), "030-000"),
              "TRANSACAO APROVADA");

    // The manager takes one request at a time, so once the ATV sent after the
    // cheque query has its status, the query was taken and left unanswered.
    send(
        "000-000 = CHQ\r\n001-000 = 90000012\r\n002-000 = 000012\r\n003-000 = 5000\r\n999-999 = "
        "0\r\n");
    for (int i = 0; i < 1500 && fs::exists(req_ / "IntPos.001"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_FALSE(fs::exists(req_ / "IntPos.001"));
    status_only("000-000 = ATV\r\n001-000 = 90000013\r\n999-999 = 0\r\n", "90000013");
    EXPECT_FALSE(fs::exists(resp_ / "IntPos.001"));
    status_only("000-000 = CNC\r\n001-000 = 90000014\r\n012-000 = 000001\r\n999-999 = 0\r\n",
                "90000014");
    status_only("000-000 = ATV\r\n001-000 = 90000015\r\n999-999 = 0\r\n", "90000015");
    EXPECT_FALSE(fs::exists(resp_ / "IntPos.001"));

    std::string adm =
        exchange("000-000 = ADM\r\n001-000 = 90000016\r\n999-999 = 0\r\n", "90000016");
    EXPECT_EQ(field(adm, "028-000"), "0");
    EXPECT_EQ(field(adm, "030-000"), "OPERACAO CANCELADA PELO OPERADOR");
}

TEST_F(CardManagerTest, JunkIsRefusedAndTheManagerGoesOn) {
    start("atraso_status_ms=abc\n");
    send(std::string("\xff\xfe junk\0\r\n000-00 = CRT\r\n", 24) + std::string(200000, 'x'));
    ASSERT_TRUE(wait_for(resp_ / "IntPos.001", "030-000 = REQUISICAO INVALIDA"));
    fs::remove(resp_ / "IntPos.Sts");
    fs::remove(resp_ / "IntPos.001");
    // A sale without an amount is refused, not approved for nothing.
    std::string no_amount =
        exchange("000-000 = CRT\r\n001-000 = 90000020\r\n999-999 = 0\r\n", "90000020");
    EXPECT_EQ(field(no_amount, "028-000"), "0");
    // A confirmation of a sale the manager never approved changes nothing.
    status_only("000-000 = CNF\r\n001-000 = 90000021\r\n012-000 = 123456\r\n999-999 = 0\r\n",
                "90000021");
    EXPECT_EQ(read_text(root_.path() / "tef_dial" / "diario.txt"), "");
    EXPECT_EQ(stop(), 0);
}

}  // namespace
