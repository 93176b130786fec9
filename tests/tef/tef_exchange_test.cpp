#include "tef/tef_exchange.h"

#include "support/test_database.h"
#include "tef/funcao_tef.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <limits>
#include <sstream>

namespace balcora::tef {
namespace {

namespace fs = std::filesystem;

// Time that moves only when the exchange waits: each poll gap is 5 hundredths.
class SteppedTimer final : public Timer {
  public:
    std::int64_t now() override { return now_; }
    std::int64_t time_of_day() override { return 3600000 + now_; }
    void idle() override { now_ += 5; }
    std::int64_t now_ = 0;
};

std::string read_all(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_all(const fs::path& p, std::string_view bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

// The card-payment manager, played between the polls of the exchange: it
// takes a request after `take_after` hundredths and answers with the scripted
// responses, one per poll, from `answer_after`.
class TefExchangeTest : public test::EnvTest {
  protected:
    void manager_step() {
        if (fs::exists(files_.request) && timer_.now_ >= take_after_) {
            taken_.push_back(read_all(files_.request));
            taken_at_.push_back(timer_.now_);
            fs::remove(files_.request);
            write_all(files_.status, "");
        }
        if (!responses_.empty() && timer_.now_ >= answer_after_ && !fs::exists(files_.response)) {
            write_all(files_.response, responses_.front());
            responses_.erase(responses_.begin());
        }
    }

    ExchangeFiles files_ = exchange_files();
    SteppedTimer timer_;
    Exchange exchange_{timer_, [this] { manager_step(); }};
    std::int64_t take_after_ = 0;
    std::int64_t answer_after_ = 0;
    std::vector<std::string> responses_;
    std::vector<std::string> taken_;
    std::vector<std::int64_t> taken_at_;
};

TEST_F(TefExchangeTest, ARequestIsHandedOverAndItsResponseAwaited) {
    const std::string id = exchange_.new_identifier();
    EXPECT_EQ(id, "93600000");
    write_all(files_.status, "stale");  // left by an earlier run: not an answer to this ATV
    take_after_ = 100;
    ASSERT_TRUE(exchange_.send(RequestKind::kAtv, atv_request(id)));
    ASSERT_EQ(taken_.size(), 1u);
    EXPECT_EQ(taken_[0], atv_request(id));
    EXPECT_FALSE(fs::exists(files_.status));
    EXPECT_FALSE(fs::exists(files_.request_tmp));

    // A stray answer of another transaction first, then ours.
    const std::string ours =
        "000-000 = CRT\r\n001-000 = " + id + "\r\n028-000 = 1\r\n029-001 = \"OK\"\r\n";
    responses_ = {"001-000 = 91111111\r\n028-000 = 1\r\n", ours};
    answer_after_ = timer_.now_ + 300;
    ASSERT_TRUE(exchange_.send(RequestKind::kCrt, crt_request(id, 1, util::Money::from_units(100),
                                                              util::Money(), util::Money())));
    const std::int64_t before = timer_.now_;
    const auto response = exchange_.wait_response(id);
    ASSERT_TRUE(response.has_value());
    EXPECT_EQ(response->voucher, std::vector<std::string>{"OK"});
    EXPECT_EQ(prompt_.count_containing("Identificação da transação inválida!"), 1);
    EXPECT_EQ(read_all(files_.copy), ours);  // the pending-transaction copy
    EXPECT_GE(timer_.now_ - before, kPauseAfterResponse);

    // An administrative function stops at another transaction's answer, and
    // says so in its own words.
    prompt_.clear();
    fs::remove(files_.response);
    responses_ = {"001-000 = 92222222\r\n028-000 = 1\r\n"};
    answer_after_ = timer_.now_;
    EXPECT_FALSE(exchange_.wait_response(id, Exchange::OtherResponse::kStop).has_value());
    EXPECT_EQ(prompt_.count_containing("Identificador não confere!"), 1);
    EXPECT_FALSE(fs::exists(files_.response));

    // A confirmation reaches the manager only after its half-second pause.
    const std::int64_t confirm_start = timer_.now_;
    take_after_ = 0;
    ASSERT_TRUE(exchange_.send(RequestKind::kCnf,
                               confirmation_request(Confirmation::kConfirm, id, 1, "R", "N", "C")));
    EXPECT_GE(taken_at_.back() - confirm_start, kPauseBeforeConfirm);
    EXPECT_EQ(prompt_.shown().size(), 1u);
}

TEST_F(TefExchangeTest, AManagerThatDoesNotAnswerIsReported) {
    // Status too late: the request is withdrawn after 7 seconds.
    take_after_ = kStatusWait + 50;
    EXPECT_FALSE(exchange_.send(RequestKind::kAtv, atv_request("90000001")));
    EXPECT_FALSE(fs::exists(files_.request));
    EXPECT_GE(timer_.now_, kStatusWait);
    EXPECT_LT(timer_.now_, take_after_);
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].title, "Aviso (ATV)");
    EXPECT_EQ(prompt_.shown()[0].text, "Gerenciador Padrão não está ativo!");
    EXPECT_TRUE(taken_.empty());

    take_after_ = std::numeric_limits<std::int64_t>::max();  // no manager at all
    EXPECT_FALSE(exchange_.send(RequestKind::kNcn, atv_request("90000002")));
    EXPECT_EQ(prompt_.shown().back().title, "Aviso");

    // No response within 30 minutes: the wait ends, with the operator told.
    timer_.now_ = 0;
    EXPECT_FALSE(exchange_.wait_response("90000003").has_value());
    EXPECT_GE(timer_.now_, kResponseWait);
    EXPECT_EQ(prompt_.shown().back().text,
              "Sem resposta do Gerenciador Padrão por mais de 30 minutos!");
    EXPECT_FALSE(fs::exists(files_.copy));
}

TEST_F(TefExchangeTest, AResponseIsJudgedOnlyOnceTheManagerHasFinishedIt) {
    // Half written, its identifier cut: neither refused nor taken.
    write_all(files_.response, "000-000 = CRT\r\n001-000 = 936");
    responses_ = {"001-000 = 93600000\r\n028-000 = 0\r\n030-000 = NEGADA\r\n999-999 = 0\r\n"};
    answer_after_ = 50;
    Exchange slow(timer_, [this] {
        if (timer_.now_ == answer_after_) fs::remove(files_.response);
        manager_step();
    });
    const auto finished = slow.wait_response("93600000");
    ASSERT_TRUE(finished.has_value());
    EXPECT_EQ(finished->message, "NEGADA");
    EXPECT_TRUE(prompt_.shown().empty());

    // A manager that never writes the closing line is taken once it stops writing.
    write_all(files_.response, "001-000 = 93600001\r\n028-000 = 0\r\n");
    const std::int64_t start = timer_.now_;
    EXPECT_TRUE(exchange_.wait_response("93600001").has_value());
    EXPECT_GE(timer_.now_ - start, kResponseSettle + kPauseAfterResponse);
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(TefExchangeTest, ARequestTooLongForTheManagerIsNotSent) {
    EXPECT_FALSE(exchange_.send(RequestKind::kAdm, std::string(kMaxRequestSize + 1, 'x')));
    EXPECT_FALSE(fs::exists(files_.request));
    EXPECT_EQ(prompt_.shown().size(), 1u);
}

// The exchange folders are open to other programs, and what lies there is
// read as hostile: a FIFO in the answer's place (which held the program for
// ever), an answer of 1 GiB (read whole), a link planted at the request's
// temporary name (whose target the request overwrote) and an answer asking
// for 5,000 voucher lines and 250 instalments.
TEST_F(TefExchangeTest, HostileExchangeFilesNeitherHoldNorMisleadTheProgram) {
    const std::string id = exchange_.new_identifier();
    const std::string ours =
        "001-000 = " + id + "\r\n028-000 = 1\r\n029-001 = OK\r\n999-999 = 0\r\n";
    fs::create_directories(files_.response.parent_path());
    const auto planted = [&](const std::function<void()>& plant, const std::string& said) {
        prompt_.clear();
        plant();
        responses_ = {ours};
        const auto r = exchange_.wait_response(id);
        ASSERT_TRUE(r.has_value()) << said;
        EXPECT_EQ(r->voucher, std::vector<std::string>{"OK"});
        EXPECT_EQ(prompt_.count_containing(said), 1) << said;
        EXPECT_EQ(read_all(files_.copy), ours);
        fs::remove(files_.response);
    };
    planted([&] { ASSERT_EQ(mkfifo(files_.response.c_str(), 0600), 0); }, "não é um arquivo comum");
    planted(
        [&] {
            std::ofstream(files_.response) << "001-000 = " << id << "\r\n";
            fs::resize_file(files_.response, std::uintmax_t{1} << 30);  // sparse
        },
        "tem mais de 1 MiB");

    const fs::path target = files_.request_tmp.parent_path() / "alvo.txt";
    write_all(target, "intocado");
    fs::create_symlink(target, files_.request_tmp);
    ASSERT_TRUE(exchange_.send(RequestKind::kAtv, atv_request(id)));
    EXPECT_EQ(read_all(target), "intocado");
    ASSERT_FALSE(taken_.empty());
    EXPECT_EQ(taken_.back(), atv_request(id));

    std::string flood = "001-000 = " + id + "\r\n028-000 = 5000\r\n018-000 = 250\r\n";
    for (int i = 1; i <= 5000; ++i) {
        char line[48];
        std::snprintf(line, sizeof line, "029-%03d = LINHA %d\r\n", i % 1000, i);
        flood += line;
    }
    prompt_.clear();
    write_all(files_.response, flood + "999-999 = 0\r\n");
    const auto r = exchange_.wait_response(id);
    ASSERT_TRUE(r.has_value());
    EXPECT_TRUE(r->approved());
    EXPECT_EQ(r->voucher.size(), static_cast<std::size_t>(kMaxVoucherLines));
    EXPECT_EQ(r->instalments.size(), static_cast<std::size_t>(kMaxInstalments));
    EXPECT_EQ(prompt_.count_containing("Comprovante de 5000 linhas; impressas 100."), 1);
    EXPECT_EQ(prompt_.count_containing("250 parcelas; registradas 99."), 1);
}

// The same files left for the start-up, which looks for a pending
// transaction, neither hold it nor pass for a transaction: each goes, told.
class PendingTefFiles : public test::DbTest {};

TEST_F(PendingTefFiles, AFifoOrAHugeFileIsNoPendingTransaction) {
    const ExchangeFiles files = exchange_files();
    fs::create_directories(files.response.parent_path());
    fs::create_directories(files.copy.parent_path());
    ASSERT_EQ(mkfifo(files.response.c_str(), 0600), 0);
    std::ofstream(files.copy) << "000-000 = CNC\r\n002-000 = 000001\r\n";
    fs::resize_file(files.copy, std::uintmax_t{1} << 30);
    recover_card_payment_files();
    EXPECT_FALSE(pending_transaction_files_exist());
    EXPECT_EQ(prompt_.count_containing("não é um arquivo comum"), 1);
    EXPECT_EQ(prompt_.count_containing("tem mais de 1 MiB"), 1);
    EXPECT_EQ(prompt_.shown().size(), 2u);
}

}  // namespace
}  // namespace balcora::tef
