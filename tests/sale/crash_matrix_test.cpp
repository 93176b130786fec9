// A sale killed at every moment the printer or the database took a new state
// (after each command the printer accepted, after each COMMIT), then the
// checkout started again as a cashier would: Quick Sale opens, its recovery
// runs, the next sale is sold. Printer and database must then agree on every
// coupon. Each run is a process of its own against its own copy of the
// database and of the printer's files.
#include "db/database.h"
#include "db/pg_handles.h"
#include "db/record_hash.h"
#include "db/session.h"
#include "ecf/driver_printer.h"
#include "ecf/printer_driver.h"
#include "ecf/printer_wrapper.h"
#include "sale/called_procedures.h"
#include "sale/coupon_browse.h"
#include "sale/coupon_cancellation.h"
#include "sale/payment_screen.h"
#include "sale/quick_sale_screen.h"
#include "sale/sale_screen_fixture.h"
#include "support/database_copy.h"
#include "tef/card_manager.h"
#include "tef/card_manager_process.h"
#include "tef/funcao_tef.h"
#include "tef/tef_exchange.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace balcora::test {

namespace {

int kill_at = 0;  // the boundary to die at; 0: never
int last_command = 0;
// What each boundary of this process was: "printer <command>", "commit" or
// "manager" (a request the card-payment manager took, or its answer copied).
std::vector<std::string> trace;
bool at_manager = false;

void boundary() {
    trace.push_back(at_manager     ? "manager"
                    : last_command ? "printer " + std::to_string(last_command)
                                   : "commit");
    last_command = 0;
    if (static_cast<int>(trace.size()) == kill_at) raise(SIGKILL);
}

void manager_boundary() {
    at_manager = true;
    boundary();
    at_manager = false;
}

// The checkout's printer, with a boundary after each command it carried out.
class CountingPrinter : public ecf::PrinterWrapper {
  public:
    using PrinterWrapper::PrinterWrapper;

  protected:
    void after(ecf::Command command, bool done) override {
        last_command = command;
        if (done) boundary();
        last_command = 0;
    }
};

long long cents_of(const std::string& text) {  // "1.234,56" or "40.95"
    long long v = 0;
    for (char c : text)
        if (c >= '0' && c <= '9') v = v * 10 + (c - '0');
    return v;
}

// A fiscal coupon as the printer's tape memory holds it.
struct PrinterCoupon {
    int ccf = 0;
    long long value = 0;
    bool cancelled = false;
    int items = 0;
    long long paid = 0;
};

struct DbCoupon {
    int ccf = 0;
    long long total = 0;
    bool cancelled = false;
    int items = 0;
    long long paid = 0;
};

}  // namespace

class CrashMatrix : public ShopFixture {
  protected:
    void SetUp() override {
        reset_globals_keeping_connection();
        ShopFixture::SetUp();
        if (HasFatalFailure()) return;
#ifndef BALCORA_VIRTUAL_ECF_PATH
        GTEST_SKIP() << "the virtual printer was not built";
#endif
        ASSERT_EQ(access::sign_in_operator("demo", "demo"), access::SignInResult::kSignedIn);
        ASSERT_TRUE(write_ini("PDV", "Configuração OK", "1", "balcora.ini"));
        add_product(9101, "9101", barcode("300000000011"), "10.00");
        add_product(9102, "9102", barcode("300000000012"), "20.00");
        add_product(9103, "9103", barcode("300000000013"), "15.50");
        ASSERT_TRUE(GRAVAREGISTRO("balcora", "Configuração", "Docto Venda Prazo", "1"));
        ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "Chave IBPT", "9F3A1B"));
        screens_.provide("FINALIZACUPOM", [this](const ui::ScreenPort::Arguments& args) {
            sale::PaymentScreen s{checkout_, args.at(0)};
            if (!s.open()) return 0;
            if (!steps_.empty()) {
                auto step = steps_.front();
                steps_.erase(steps_.begin());
                step(s);
            }
            return s.result();
        });
        admin_ = with_database(db_.conninfo(), "postgres");
        base_ = db_.name();
        copy_ = base_ + "_k";
        db::close_connection();
        // A sale before, so that the last coupon opened is a closed one.
        ASSERT_EQ(in_child(base_, [&] { return next_sale(); }), 0);
        std::filesystem::copy(printer_folder(), root_.path() / "printer_base",
                              std::filesystem::copy_options::recursive);
    }
    void TearDown() override {
        connect(base_);
        access::sign_out();
    }

    // The last dbname of a conninfo is the one libpq uses.
    static std::string with_database(const std::string& conninfo, const std::string& name) {
        return conninfo + " dbname=" + name;
    }
    void connect(const std::string& name) {
        ASSERT_TRUE(use_database_copy(db_, name));
    }
    bool admin(const std::string& sql) {
        std::string error;
        auto conn = db::PgConnection::open(admin_, &error);
        if (!conn) {
            std::fprintf(stderr, "admin: %s\n", error.c_str());
            return false;
        }
        auto r = conn->exec(sql);
        if (!r.ok()) std::fprintf(stderr, "admin: %s\n", r.error_message().c_str());
        return r.ok();
    }
    std::filesystem::path printer_folder() const {
        return root_.path() / "sistemas" / "balcora" / "ecf" / demo::kPrinterSerial;
    }

    // Runs `work` in a child process on database `name` with the printer
    // loaded; its exit status (0 when `work` succeeded).
    int in_child(const std::string& name, const std::function<bool()>& work, int kill = 0) {
        pid_t child = fork();
        if (child == 0) {
            connect(name);
            if (!ecf::load_driver(BALCORA_VIRTUAL_ECF_PATH)) _exit(4);
            ecf::DriverPrinter driver(checkout_);
            CountingPrinter counting(driver);
            ecf::UsePrinter use(counting);
            kill_at = kill;
            db::set_durable_point_hook(&boundary);
            tef::set_exchange_hook(&manager_boundary);
            const bool ok = work();
            {
                std::ofstream out(root_.path() / "boundaries");
                for (const auto& b : trace) out << b << "\n";
            }
            if (!ok)
                for (const auto& shown : prompt_.shown())
                    std::fprintf(stderr, "child: %s: %s\n", shown.title.c_str(),
                                 shown.text.c_str());
            _exit(ok ? 0 : 3);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return status;
    }

    bool sell(sale::QuickSaleScreen& screen, const char* twelve) {
        screen.code_field = barcode(twelve);
        return screen.enter() == sale::QuickSaleScreen::EnterResult::kRegistered;
    }
    // Three items, 10 % off, 20,00 in cash, the rest on store credit in two
    // instalments (so a promissory note and its credit voucher follow).
    bool complete_sale() {
        sale::QuickSaleScreen screen{checkout_};
        if (!screen.open() || !sell(screen, "300000000011") || !sell(screen, "300000000012") ||
            !sell(screen, "300000000013"))
            return false;
        steps_ = {[](sale::PaymentScreen& s) {
                      s.set_discount_percent_text("10");
                      s.confirm_adjustment();
                  },
                  [](sale::PaymentScreen& s) {
                      s.set_amount_text("20,00");
                      s.confirm_payment();
                  },
                  [](sale::PaymentScreen& s) {
                      s.set_client_code("1", {});
                      s.set_form("CR");
                      s.set_term_text(1, "30");
                      s.set_term_text(2, "60");
                      s.confirm_payment();
                  }};
        return screen.key("Alt+7") && screen.key("Alt+1") && screen.key("F10") &&
               !screen.coupon_open();
    }
    // The cashier's restart: Quick Sale opens (its recovery runs) and sells
    // one item for cash.
    bool next_sale() {
        sale::QuickSaleScreen screen{checkout_};
        if (!screen.open() || !sell(screen, "300000000011")) return false;
        steps_ = {[](sale::PaymentScreen& s) {
            s.set_amount_text("10,00");
            s.confirm_payment();
        }};
        return screen.key("Alt+1") && !screen.coupon_open();
    }

    // The boundaries of the last child that ran to its end, in order.
    std::vector<std::string> traced() {
        std::ifstream in(root_.path() / "boundaries");
        std::vector<std::string> out;
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    }
    // The database and the printer as they were before the sale, and no
    // card-payment file left by the run before.
    void restore() {
        const auto tef = root_.path() / "tef_dial";
        for (const auto& file :
             {tef / "req" / "IntPos.tmp", tef / "req" / "IntPos.001", tef / "resp" / "IntPos.Sts",
              tef / "resp" / "IntPos.001", tef::exchange_files().copy})
            std::filesystem::remove(file);
        // A killed child's server process may still be ending on a loaded
        // machine, and the server waits only so long for it: try again.
        bool copied = false;
        for (int attempt = 0; attempt < 20 && !copied; ++attempt) {
            if (attempt) usleep(50000);
            copied = admin("DROP DATABASE IF EXISTS " + copy_ + " WITH (FORCE)") &&
                     admin("CREATE DATABASE " + copy_ + " TEMPLATE " + base_);
        }
        ASSERT_TRUE(copied);
        std::filesystem::remove_all(printer_folder());
        std::filesystem::copy(root_.path() / "printer_base", printer_folder(),
                              std::filesystem::copy_options::recursive);
    }
    // Printer and database after the cashier's last restart.
    std::vector<std::string> checked(int& in_flight) {
        connect(copy_);
        auto wrong = disagreements(in_flight);
        db::close_connection();
        return wrong;
    }

    std::map<int, PrinterCoupon> printer_coupons() {
        std::ifstream in(printer_folder() / "mfd.dat", std::ios::binary);
        std::map<int, PrinterCoupon> out;
        printed_vouchers_ = 0;
        std::vector<int> cancelled_ccf;
        const std::regex item("^\\d{3} \\S.*");
        const std::regex amount(".*?(\\d[\\d.]*,\\d\\d)\\s*$");
        std::string header;
        while (std::getline(in, header)) {
            std::vector<std::string> f;
            std::stringstream fields(header);
            for (std::string part; std::getline(fields, part, '|');) f.push_back(part);
            if (f.size() < 13 || f[0] != "D") continue;
            const int lines = std::stoi(f[11]);
            PrinterCoupon c{std::stoi(f[5]), std::stoll(f[9]), f[10] == "C", 0, 0};
            bool paying = false;
            for (int i = 0; i < lines; ++i) {
                std::string line;
                std::getline(in, line);
                std::smatch m;
                if (std::regex_match(line, item)) ++c.items;
                if (line.starts_with("TOTAL R$"))
                    paying = true;
                else if (line.starts_with("---") || line.starts_with("TROCO"))
                    paying = false;
                else if (paying && std::regex_match(line, m, amount))
                    c.paid += cents_of(m[1]);
            }
            if (f[2] == "CF") out[std::stoi(f[1])] = c;
            if (f[2] == "CCD") ++printed_vouchers_;
            if (f[2] == "CAN") cancelled_ccf.push_back(c.ccf);
        }
        // The last coupon cancelled after its close: a document of its own.
        for (auto& [coo, c] : out)
            if (std::find(cancelled_ccf.begin(), cancelled_ccf.end(), c.ccf) != cancelled_ccf.end())
                c.cancelled = true;
        return out;
    }
    std::map<int, DbCoupon> database_coupons() {
        std::map<int, DbCoupon> out;
        db::SqlRecord r;
        QUERYSQL(
            "SELECT numero, num_ccf, total, situacao, (SELECT count(*) FROM balcora.cfiscald "
            "d WHERE d.id_cfiscal=c.id_cfiscal), (SELECT coalesce(sum(valor), 0) FROM "
            "balcora.cfiscalfp p WHERE p.id_cfiscal=c.id_cfiscal) FROM balcora.cfiscal c "
            "ORDER BY numero;",
            r);
        for (; r.has_row(); r.next()) {
            DbCoupon c{std::stoi(std::string(r.C(2))), cents_of(std::string(r.C(3))), r.C(4) == "C",
                       std::stoi(std::string(r.C(5))), cents_of(std::string(r.C(6)))};
            out[std::stoi(std::string(r.C(1)))] = c;
        }
        return out;
    }

    // What disagrees between printer and database after a restart; counts the
    // coupons the power cut caught with a command the printer took and the
    // database never kept.
    std::vector<std::string> disagreements(int& in_flight) {
        std::vector<std::string> out;
        auto check = [&](bool ok, const std::string& what) {
            if (!ok) out.push_back(what);
        };
        const auto printed = printer_coupons();
        const auto stored = database_coupons();
        check(printed.size() == stored.size(), std::to_string(printed.size()) +
                                                   " coupons printed, " +
                                                   std::to_string(stored.size()) + " stored");
        for (const auto& [coo, p] : printed) {
            const std::string at = "COO " + std::to_string(coo) + ": ";
            if (!stored.contains(coo)) {
                out.push_back(at + "no row");
                continue;
            }
            const DbCoupon& d = stored.at(coo);
            check(p.ccf == d.ccf, at + "CCF");
            check(p.cancelled == d.cancelled, at + "state");
            if (!p.cancelled) {
                check(p.value == d.total, at + "total");
                check(p.items == d.items, at + "items");
                check(p.paid == d.paid, at + "payments");
                continue;
            }
            // The one command in flight: at most one item, or the adjustment
            // or a payment, that the database never committed.
            check(d.items <= p.items && p.items - d.items <= 1, at + "items of the cancelled " +
                                                                    std::to_string(d.items) + "/" +
                                                                    std::to_string(p.items));
            check(d.paid <= p.paid, at + "payments of the cancelled " + std::to_string(d.paid) +
                                        "/" + std::to_string(p.paid));
            if (d.items != p.items || d.paid != p.paid) ++in_flight;
        }
        // Every credit voucher printed is in the document register, once.
        check(count("balcora.docecf WHERE tipo='CC'") == printed_vouchers_,
              std::to_string(printed_vouchers_) + " vouchers printed, " +
                  std::to_string(count("balcora.docecf WHERE tipo='CC'")) + " registered");
        for (const char* table : {"cfiscal", "cfiscald", "cfiscalfp", "docecf"})
            for (auto [row, ok] : db::verify_hashes(table))
                check(ok, std::string(table) + " " + std::to_string(row) + ": hash");
        // A NULL hash seals nothing.
        for (const char* table : {"cfiscal", "cfiscald", "cfiscalfp", "docecf"})
            check(count(std::string("balcora.") + table + " WHERE hash IS NULL") == 0,
                  std::string(table) + ": NULL hash");
        return out;
    }

    std::vector<std::function<void(sale::PaymentScreen&)>> steps_;
    std::string admin_;
    std::string base_;
    std::string copy_;
    int printed_vouchers_ = 0;
};

TEST_F(CrashMatrix, KilledAtEveryBoundaryTheRestartLeavesPrinterAndDatabaseAgreeing) {
    // The reference run numbers the boundaries.
    const std::string& copy = copy_;
    restore();
    ASSERT_EQ(in_child(copy, [&] { return complete_sale(); }), 0);
    const int total = static_cast<int>(traced().size());
    ASSERT_GT(total, 20);

    // CRASH_MATRIX_ONLY=k runs one kill point (the reference run lists them in
    // <data root>/boundaries).
    const char* only_text = std::getenv("CRASH_MATRIX_ONLY");
    const int only = only_text ? std::atoi(only_text) : 0;
    int in_flight = 0;
    int consistent = 0;
    for (int k = 1; k <= total; ++k) {
        if (only && k != only) continue;
        SCOPED_TRACE("killed at boundary " + std::to_string(k) + " of " + std::to_string(total));
        restore();
        const int status = in_child(
            copy, [&] { return complete_sale(); }, k);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
        std::vector<std::string> wrong;
        if (in_child(copy, [&] { return next_sale(); }) != 0)
            wrong.push_back("the next sale after the restart failed");
        for (auto& w : checked(in_flight)) wrong.push_back(std::move(w));
        if (wrong.empty())
            ++consistent;
        else
            ADD_FAILURE() << testing::PrintToString(wrong);
    }
    std::printf(
        "crash matrix: %d kill points, %d recovered consistent; %d cancelled coupons "
        "with a command in flight\n",
        only ? 1 : total, consistent, in_flight);
    EXPECT_EQ(consistent, only ? 1 : total);
    ASSERT_TRUE(admin("DROP DATABASE IF EXISTS " + copy + " WITH (FORCE)"));
}

// A cut during the recovery itself: the sale is killed with its coupon open
// (the printer's opening not yet committed; two items in; fully paid), then
// the restart is killed at each of its boundaries, and the cashier starts
// once more.
TEST_F(CrashMatrix, KilledAgainDuringTheRecoveryTheNextRestartStillSettlesIt) {
    restore();
    ASSERT_EQ(in_child(copy_, [&] { return complete_sale(); }), 0);
    const auto sale = traced();
    auto after = [&](const std::string& command, int nth, bool commit) {
        int seen = 0;
        for (std::size_t i = 0; i < sale.size(); ++i)
            if (sale[i] == command && ++seen == nth) {
                if (!commit) return static_cast<int>(i) + 1;
                while (i < sale.size() && sale[i] != "commit") ++i;
                return static_cast<int>(i) + 1;
            }
        return 0;
    };
    const int open = after("printer " + std::to_string(ecf::CMD_OPEN_COUPON), 1, false);
    const int items = after("printer " + std::to_string(ecf::CMD_SELL_ITEM), 2, true);
    const int paid = after("printer " + std::to_string(ecf::CMD_PAYMENT), 2, true);
    ASSERT_TRUE(open && items && paid);

    int points = 0, consistent = 0, in_flight = 0;
    for (int k : {open, items, paid}) {
        restore();
        ASSERT_TRUE(WIFSIGNALED(in_child(
            copy_, [&] { return complete_sale(); }, k)));
        ASSERT_EQ(in_child(copy_, [&] { return next_sale(); }), 0);
        const int restart = static_cast<int>(traced().size());
        for (int j = 1; j <= restart; ++j, ++points) {
            SCOPED_TRACE("sale killed at " + std::to_string(k) + ", restart at " +
                         std::to_string(j));
            restore();
            ASSERT_TRUE(WIFSIGNALED(in_child(
                copy_, [&] { return complete_sale(); }, k)));
            ASSERT_TRUE(WIFSIGNALED(in_child(
                copy_, [&] { return next_sale(); }, j)));
            std::vector<std::string> wrong;
            if (in_child(copy_, [&] { return next_sale(); }) != 0)
                wrong.push_back("the next sale after the second restart failed");
            for (auto& w : checked(in_flight)) wrong.push_back(std::move(w));
            if (wrong.empty())
                ++consistent;
            else
                ADD_FAILURE() << testing::PrintToString(wrong);
        }
    }
    std::printf("crash matrix, recovery killed: %d kill points, %d recovered consistent\n", points,
                consistent);
    EXPECT_EQ(consistent, points);
}

// The store-credit sale cancelled from the Quick Sale ("CC": voucher
// reversal, then the cancellation document), killed at each boundary of the
// cancellation. Killed once the voucher is reversed and before the printer
// cancels, the cashier asks for the cancellation again: it must go through.
TEST_F(CrashMatrix, ACancellationKilledAtEveryBoundaryIsSettledAtTheRestart) {
    auto cancel = [&] {
        prompt_.answer(true);
        return sale::run_cancel_coupon(checkout_, false, 0);
    };
    auto sale_then_cancel = [&] { return complete_sale() && cancel(); };
    auto cancel_again_then_sell = [&] {
        {
            sale::QuickSaleScreen screen{checkout_};
            if (!screen.open() || !cancel()) return false;
        }
        return next_sale();
    };
    restore();
    ASSERT_EQ(in_child(copy_, [&] { return complete_sale(); }), 0);
    const int sale = static_cast<int>(traced().size());
    restore();
    ASSERT_EQ(in_child(copy_, sale_then_cancel), 0);
    const auto steps = traced();
    const int total = static_cast<int>(steps.size());
    ASSERT_GT(total, sale + 3);
    auto at = [&](ecf::Command command) {
        const auto found =
            std::find(steps.begin() + sale, steps.end(), "printer " + std::to_string(command));
        return static_cast<int>(found - steps.begin()) + 1;
    };
    const int reversed = at(ecf::CMD_REVERSE_CREDIT_VOUCHER);
    const int cancelled = at(ecf::CMD_CANCEL_COUPON);
    ASSERT_LT(reversed, cancelled);
    ASSERT_LE(cancelled, total);

    int consistent = 0, in_flight = 0, retried = 0;
    for (int k = sale + 1; k <= total; ++k) {
        SCOPED_TRACE("killed at boundary " + std::to_string(k) + " of " + std::to_string(total));
        restore();
        ASSERT_TRUE(WIFSIGNALED(in_child(copy_, sale_then_cancel, k)));
        std::vector<std::string> wrong;
        const bool retry = k >= reversed && k < cancelled;
        if (retry) {
            ++retried;
            if (in_child(copy_, cancel_again_then_sell) != 0)
                wrong.push_back("the second cancellation or the next sale failed");
            connect(copy_);
            if (count("balcora.cfiscal WHERE situacao='C'") != 1)
                wrong.push_back("the coupon is not cancelled after the second attempt");
            db::close_connection();
        } else if (in_child(copy_, [&] { return next_sale(); }) != 0)
            wrong.push_back("the next sale after the restart failed");
        for (auto& w : checked(in_flight)) wrong.push_back(std::move(w));
        if (wrong.empty())
            ++consistent;
        else
            ADD_FAILURE() << testing::PrintToString(wrong);
    }
    std::printf(
        "crash matrix, cancellation killed: %d kill points (%d cancelled again), %d recovered "
        "consistent\n",
        total - sale, retried, consistent);
    EXPECT_EQ(consistent, total - sale);
}

// What the card-payment manager's journal says became of each card sale (CRT)
// and card cancellation (CNC) it approved since `from` (a length of the
// journal), by NSU; `cancelled` counts a sale's cancellation confirmed.
struct CardFate {
    std::string kind;
    int coo = 0;
    int approved = 0, confirmed = 0, undone = 0, cancelled = 0;
};
std::map<std::string, CardFate> card_fates(const std::string& journal, std::size_t from) {
    std::map<std::string, CardFate> out;
    std::istringstream lines(journal.substr(std::min(from, journal.size())));
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> f;
        std::stringstream parts(line);
        for (std::string part; std::getline(parts, part, ';');) f.push_back(part);
        if (f.size() < 2) continue;
        std::map<std::string, std::string> named;
        for (std::size_t i = 2; i < f.size(); ++i)
            if (auto eq = f[i].find('='); eq != std::string::npos)
                named[f[i].substr(0, eq)] = f[i].substr(eq + 1);
        if (f[1] == "CANCELADA") {
            if (out.contains(named["NSU"])) ++out[named["NSU"]].cancelled;
            continue;
        }
        if (named["TIPO"] != "CRT" && named["TIPO"] != "CNC") continue;
        CardFate& fate = out[named["NSU"]];
        if (f[1] == "APROVADA") {
            ++fate.approved;
            fate.kind = named["TIPO"];
            fate.coo = std::atoi(named["COO"].c_str());
        }
        fate.confirmed += f[1] == "CONFIRMADA";
        fate.undone += f[1] == "DESFEITA";
    }
    return out;
}

// The card sale's runs: the manager beside the program, card payments on,
// the coupon browse as the start-up opens it, the exchange's pauses out.
class CardCrashMatrix : public CrashMatrix {
  protected:
    void SetUp() override {
        CrashMatrix::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        connect(base_);
        ASSERT_TRUE(GRAVAREGISTRO("balcora", "Configuração", "TEF Ativo/Configurado", "S"));
        db::close_connection();
        ASSERT_TRUE(manager_.start());
        tef::provide_card_functions(screens_);
        tef::provide_card_manager(service_port_);
        screens_.provide("BRWCFISCAL", [this](const ui::ScreenPort::Arguments&) {
            sale::CouponBrowse browse{checkout_};
            if (browse.open()) browse.first_display();
            return 0;
        });
        quick_.pause_before_confirm = quick_.pause_after_response = quick_.pause_after_undo = 0;
        tef::set_function_exchange(nullptr, quick_);
    }
    void TearDown() override {
        tef::set_function_exchange(nullptr);
        manager_.stop();
        CrashMatrix::TearDown();
    }

    // Two items paid by card.
    bool card_sale() {
        sale::QuickSaleScreen screen{checkout_};
        if (!screen.open() || !sell(screen, "300000000011") || !sell(screen, "300000000012"))
            return false;
        steps_ = {[this](sale::PaymentScreen& s) {
            tef::CardManager card{{nullptr, quick_}};
            s.set_card_functions(&card);
            if (s.set_form("CA")) s.confirm_payment();
        }};
        return screen.key("F10") && !screen.coupon_open();
    }
    // The program's start-up test for a pending transaction, then a sale.
    bool start_again() {
        tef::recover_card_payment_files();
        return next_sale();
    }
    // A request the killed program handed over is answered all the same;
    // the manager writes its status and answer right after taking it.
    void manager_done() {
        const auto request = root_.path() / "tef_dial" / "req" / "IntPos.001";
        for (int i = 0; i < 250 && std::filesystem::exists(request); ++i) usleep(20000);
        usleep(100000);
    }
    // What is wrong once the program started again, beside what printer and
    // database disagree on: a transaction approved since `journal_from` not
    // ended confirmed or undone exactly once, an undone one whose coupon
    // stands, a confirmed one whose coupon is cancelled.
    std::vector<std::string> card_wrongs(std::size_t journal_from, int& in_flight, int& undone) {
        std::vector<std::string> wrong = checked(in_flight);
        if (std::filesystem::exists(tef::exchange_files().response) ||
            std::filesystem::exists(tef::exchange_files().copy))
            wrong.push_back("a card-payment answer is still pending");
        const auto printed = printer_coupons();
        for (const auto& [nsu, fate] : card_fates(manager_.journal(), journal_from)) {
            const std::string at = fate.kind + " NSU " + nsu + ": ";
            if (fate.confirmed + fate.undone != 1)
                wrong.push_back(at + std::to_string(fate.confirmed) + " confirmed, " +
                                std::to_string(fate.undone) + " undone");
            undone += fate.undone;
            if (fate.kind != "CRT") continue;
            const bool paid = fate.confirmed == 1 && fate.cancelled == 0;
            const auto coupon = printed.find(fate.coo);
            if (coupon == printed.end())
                wrong.push_back(at + "no coupon COO " + std::to_string(fate.coo));
            else if (coupon->second.cancelled == paid)
                wrong.push_back(
                    at + (paid ? "paid, its coupon cancelled" : "not paid, its coupon stands"));
        }
        return wrong;
    }

    CardManagerProcess manager_{root_.path()};
    tef::Limits quick_;
};

// A sale paid by card killed at every boundary (each request the manager
// took and each answer copied among them), then started again as the program
// starts. Every transaction the manager approved ends confirmed or undone,
// never both nor twice; an undone one leaves the coupon it paid cancelled on
// the printer and in the database, a confirmed one leaves it standing.
TEST_F(CardCrashMatrix, ACardSaleKilledAtEveryBoundaryIsSettledAtTheManagerPrinterAndDatabase) {
    restore();
    std::size_t before = manager_.journal().size();
    ASSERT_EQ(in_child(copy_, [&] { return card_sale(); }), 0);
    const auto steps = traced();
    const int total = static_cast<int>(steps.size());
    const auto fates = card_fates(manager_.journal(), before);
    ASSERT_EQ(fates.size(), 1u);
    ASSERT_EQ(fates.begin()->second.confirmed, 1);
    ASSERT_GE(std::count(steps.begin(), steps.end(), "manager"), 4);

    const char* only_text = std::getenv("CRASH_MATRIX_ONLY");
    const int only = only_text ? std::atoi(only_text) : 0;
    int consistent = 0, in_flight = 0, undone = 0;
    for (int k = 1; k <= total; ++k) {
        if (only && k != only) continue;
        SCOPED_TRACE("killed at boundary " + std::to_string(k) + " of " + std::to_string(total) +
                     " (" + steps[k - 1] + ")");
        restore();
        before = manager_.journal().size();
        const int status = in_child(
            copy_, [&] { return card_sale(); }, k);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
        manager_done();
        std::vector<std::string> wrong;
        if (in_child(copy_, [&] { return start_again(); }) != 0)
            wrong.push_back("the start-up or the next sale after the restart failed");
        for (auto& w : card_wrongs(before, in_flight, undone)) wrong.push_back(std::move(w));
        if (wrong.empty())
            ++consistent;
        else
            ADD_FAILURE() << testing::PrintToString(wrong);
    }
    std::printf(
        "crash matrix, card sale: %d kill points, %d recovered consistent, %d transactions "
        "undone at the manager\n",
        only ? 1 : total, consistent, undone);
    EXPECT_EQ(consistent, only ? 1 : total);
    ASSERT_TRUE(admin("DROP DATABASE IF EXISTS " + copy_ + " WITH (FORCE)"));
}

// The start-up itself killed at each of its boundaries while it undoes a card
// sale left pending (once with the coupon still open, once closed with its
// voucher printed), and the program started once more: the transaction still
// ends undone, once, and the coupon cancelled on printer and database alike.
TEST_F(CardCrashMatrix, AStartUpKilledWhileUndoingACardSaleIsFinishedByTheNextOne) {
    restore();
    ASSERT_EQ(in_child(copy_, [&] { return card_sale(); }), 0);
    const auto sale = traced();
    // The answer copied (the third exchange: ATV, CRT, answer; the coupon is
    // still open), and the voucher closed (the coupon closed).
    auto boundary_of = [&](const std::string& what, int nth) {
        int seen = 0;
        for (std::size_t i = 0; i < sale.size(); ++i)
            if (sale[i] == what && ++seen == nth) return static_cast<int>(i) + 1;
        return 0;
    };
    const int answered = boundary_of("manager", 3);
    const int voucher = boundary_of("printer " + std::to_string(ecf::CMD_CLOSE_VOUCHER), 1);
    ASSERT_TRUE(answered && voucher);

    int points = 0, consistent = 0, in_flight = 0, undone = 0;
    for (int k : {answered, voucher}) {
        restore();
        ASSERT_TRUE(WIFSIGNALED(in_child(
            copy_, [&] { return card_sale(); }, k)));
        manager_done();
        ASSERT_EQ(in_child(copy_, [&] { return start_again(); }), 0);
        const int restart = static_cast<int>(traced().size());
        for (int j = 1; j <= restart; ++j, ++points) {
            SCOPED_TRACE("sale killed at " + std::to_string(k) + ", start-up at " +
                         std::to_string(j));
            restore();
            const std::size_t before = manager_.journal().size();
            ASSERT_TRUE(WIFSIGNALED(in_child(
                copy_, [&] { return card_sale(); }, k)));
            manager_done();
            ASSERT_TRUE(WIFSIGNALED(in_child(
                copy_, [&] { return start_again(); }, j)));
            manager_done();
            std::vector<std::string> wrong;
            if (in_child(copy_, [&] { return start_again(); }) != 0)
                wrong.push_back("the second start-up or the next sale failed");
            for (auto& w : card_wrongs(before, in_flight, undone)) wrong.push_back(std::move(w));
            if (wrong.empty())
                ++consistent;
            else
                ADD_FAILURE() << testing::PrintToString(wrong);
        }
    }
    std::printf("crash matrix, card recovery killed: %d kill points, %d recovered consistent\n",
                points, consistent);
    EXPECT_EQ(consistent, points);
    ASSERT_TRUE(admin("DROP DATABASE IF EXISTS " + copy_ + " WITH (FORCE)"));
}

// The card sale cancelled from the Quick Sale ("CC": the manager cancels the
// payment, then the voucher is reversed and the coupon cancelled), killed at
// each boundary of the cancellation and started again: the customer ends
// refunded with the coupon cancelled, or charged with the coupon standing.
TEST_F(CardCrashMatrix, ACardSaleCancellationKilledAtEveryBoundaryRefundsExactlyWhatItCancels) {
    auto cancel = [&] {
        prompt_.answer(true);
        return sale::run_cancel_coupon(checkout_, false, 0);
    };
    restore();
    ASSERT_EQ(in_child(copy_, [&] { return card_sale(); }), 0);
    const int sale = static_cast<int>(traced().size());
    restore();
    std::size_t before = manager_.journal().size();
    ASSERT_EQ(in_child(copy_, [&] { return card_sale() && cancel(); }), 0);
    const auto steps = traced();
    const int total = static_cast<int>(steps.size());
    ASSERT_EQ(card_fates(manager_.journal(), before).size(), 2u);

    int consistent = 0, in_flight = 0, undone = 0;
    for (int k = sale + 1; k <= total; ++k) {
        SCOPED_TRACE("killed at boundary " + std::to_string(k) + " of " + std::to_string(total) +
                     " (" + steps[k - 1] + ")");
        restore();
        before = manager_.journal().size();
        ASSERT_TRUE(WIFSIGNALED(in_child(
            copy_, [&] { return card_sale() && cancel(); }, k)));
        manager_done();
        std::vector<std::string> wrong;
        if (in_child(copy_, [&] { return start_again(); }) != 0)
            wrong.push_back("the start-up or the next sale after the restart failed");
        for (auto& w : card_wrongs(before, in_flight, undone)) wrong.push_back(std::move(w));
        if (wrong.empty())
            ++consistent;
        else
            ADD_FAILURE() << testing::PrintToString(wrong);
    }
    std::printf("crash matrix, card cancellation killed: %d kill points, %d recovered consistent\n",
                total - sale, consistent);
    EXPECT_EQ(consistent, total - sale);
    ASSERT_TRUE(admin("DROP DATABASE IF EXISTS " + copy_ + " WITH (FORCE)"));
}

}  // namespace balcora::test
