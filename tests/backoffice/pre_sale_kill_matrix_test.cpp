// A claimed pre-sale killed at every moment something took a new state for
// good (each printer command carried out, each local COMMIT, each write the
// back office committed), then the checkout started again: the coupon left
// open is recovered, the pre-sale window opens (the claim is settled, the
// pending outcomes are told) and, when the order waits again, it is issued.
// Whatever the moment, the order ends issued exactly once, on a coupon the
// printer holds and the back office names; never twice, never lost.
#include "backoffice/pre_sale_copies.h"
#include "backoffice/pre_sale_screen.h"
#include "db/database.h"
#include "db/pg_handles.h"
#include "db/session.h"
#include "demo/backoffice_demo.h"
#include "ecf/driver_printer.h"
#include "ecf/printer_driver.h"
#include "ecf/printer_wrapper.h"
#include "sale/coupon_procedures.h"
#include "sale/sale_fixture.h"
#include "support/database_copy.h"
#include "support/test_backoffice.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

namespace balcora::test {

namespace {

int kill_at = 0;  // the boundary to die at; 0: never
int boundaries = 0;

void boundary() {
    if (++boundaries == kill_at) raise(SIGKILL);
}

class CountingPrinter : public ecf::PrinterWrapper {
  public:
    using PrinterWrapper::PrinterWrapper;

  protected:
    void after(ecf::Command, bool done) override {
        if (done) boundary();
    }
};

constexpr int kOrder = 3;

class PreSaleKillMatrix : public SaleFixture {
  protected:
    void SetUp() override {
        reset_globals_keeping_connection();
        SaleFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        admin_ = db_.conninfo() + " dbname=postgres";
        base_ = db_.name();
        copy_ = base_ + "_k";
        {
            // Only for the link's settings as a shop writes them.
            TestBackOffice shop(false);
            backoffice::LinkSettings link = shop.link();
            bo_base_ = shop.name() + "_base";
            bo_copy_ = shop.name() + "_k";
            link.database = bo_copy_;
            ASSERT_TRUE(point_settings_at_backoffice(link));
        }
        ASSERT_TRUE(admin("CREATE DATABASE " + bo_base_ + " TEMPLATE retaguarda_template"));
        {
            std::string error;
            ASSERT_TRUE(load_backoffice_demo(bo_conninfo(bo_base_), &error)) << error;
            auto bo = db::PgConnection::open(bo_conninfo(bo_base_), &error);
            ASSERT_TRUE(bo) << error;
            ASSERT_TRUE(bo->exec(copy_of_demo_pre_sale(300, 300)).ok());  // the order before
        }
        db::close_connection();
        ASSERT_TRUE(restore_back_office());
        // A pre-sale before, so the printer's files exist and hold a coupon.
        ASSERT_EQ(in_child(base_, [&] { return issue(300); }), 0);
        std::filesystem::copy(printer_folder(), root_.path() / "printer_base",
                              std::filesystem::copy_options::recursive);
        ASSERT_TRUE(admin("DROP DATABASE IF EXISTS " + bo_base_ + " WITH (FORCE)") &&
                    admin("CREATE DATABASE " + bo_base_ + " TEMPLATE " + bo_copy_));
    }
    void TearDown() override {
        admin("DROP DATABASE IF EXISTS " + bo_copy_ + " WITH (FORCE)");
        admin("DROP DATABASE IF EXISTS " + bo_base_ + " WITH (FORCE)");
        admin("DROP DATABASE IF EXISTS " + copy_ + " WITH (FORCE)");
        connect(base_);
        SaleFixture::TearDown();
    }

    bool admin(const std::string& sql) {
        std::string error;
        auto conn = db::PgConnection::open(admin_, &error);
        if (!conn) return false;
        auto r = conn->exec(sql);
        if (!r.ok()) std::fprintf(stderr, "admin: %s\n", r.error_message().c_str());
        return r.ok();
    }
    // A killed child's server process may still be ending: try again.
    bool clone(const std::string& from, const std::string& to) {
        for (int attempt = 0; attempt < 40; ++attempt) {
            if (attempt) usleep(50000);
            if (admin("DROP DATABASE IF EXISTS " + to + " WITH (FORCE)") &&
                admin("CREATE DATABASE " + to + " TEMPLATE " + from))
                return true;
        }
        return false;
    }
    bool restore_back_office() { return clone(bo_base_, bo_copy_); }
    static std::string bo_conninfo(const std::string& name) {
        return template_conninfo() + " dbname=" + name;
    }
    void connect(const std::string& name) { ASSERT_TRUE(use_database_copy(db_, name)); }
    std::filesystem::path printer_folder() const {
        return root_.path() / "sistemas" / "balcora" / "ecf" / demo::kPrinterSerial;
    }

    // `work` in a child process on database `name` with the printer loaded,
    // killed at boundary `kill`; its exit status (0 when `work` succeeded).
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
            const bool ok = work();
            std::ofstream(root_.path() / "boundaries") << boundaries << "\n";
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
    int traced() {
        std::ifstream in(root_.path() / "boundaries");
        int n = 0;
        in >> n;
        return n;
    }

    bool issue(int id_pedido) {
        backoffice::PreSaleScreen screen{checkout_};
        if (!screen.open()) return false;
        prompt_.answer(true);
        return screen.issue(id_pedido);
    }
    // The cashier's restart: the browse's recovery, the pre-sale window, and
    // the order issued when it waits again. Notes which it was.
    bool restart() {
        if (!sale::coupon_procedures().recover_open_coupon(checkout_, false)) return false;
        backoffice::PreSaleScreen screen{checkout_};
        if (!screen.open()) return false;
        bool waiting = false;
        for (const auto& row : screen.rows()) waiting = waiting || row.id_pedido == kOrder;
        std::ofstream(root_.path() / "waiting") << (waiting ? 1 : 0) << "\n";
        if (!waiting) return true;
        prompt_.answer(true);
        return screen.issue(kOrder);
    }

    // Fiscal coupons on the printer's memory that stand (not cancelled).
    int standing_on_printer() {
        std::ifstream in(printer_folder() / "mfd.dat", std::ios::binary);
        std::map<int, int> ccf_of;  // COO -> CCF of the coupons
        std::vector<int> cancelled;
        std::string header;
        while (std::getline(in, header)) {
            std::vector<std::string> f;
            std::stringstream fields(header);
            for (std::string part; std::getline(fields, part, '|');) f.push_back(part);
            if (f.size() < 13 || f[0] != "D") continue;
            for (int i = 0, lines = std::stoi(f[11]); i < lines; ++i) std::getline(in, header);
            if (f[2] == "CF" && f[10] != "C") ccf_of[std::stoi(f[1])] = std::stoi(f[5]);
            if (f[2] == "CAN") cancelled.push_back(std::stoi(f[5]));
        }
        int standing = 0;
        for (const auto& [coo, ccf] : ccf_of)
            if (std::find(cancelled.begin(), cancelled.end(), ccf) == cancelled.end()) ++standing;
        return standing;
    }

    // What is wrong once the restart ran.
    std::vector<std::string> wrong_after_restart() {
        std::vector<std::string> out;
        auto check = [&](bool ok, const std::string& what) {
            if (!ok) out.push_back(what);
        };
        connect(copy_);
        std::string error;
        auto bo = db::PgConnection::open(bo_conninfo(bo_copy_), &error);
        if (!bo) return {"back office: " + error};
        auto bo_value = [&](const std::string& sql) {
            auto r = bo->exec(sql);
            return r.ok() && r.rows() > 0 ? std::string(r.value(0, 0)) : std::string("?");
        };
        const std::string order = std::to_string(kOrder);
        check(
            count("balcora.cfiscal WHERE situacao='E' AND id_pedido=" + order) == 1,
            "coupons standing for the order: " +
                std::to_string(count("balcora.cfiscal WHERE situacao='E' AND id_pedido=" + order)));
        check(standing_on_printer() == count("balcora.cfiscal WHERE situacao='E'"),
              "standing on the printer " + std::to_string(standing_on_printer()) +
                  ", in the database " +
                  std::to_string(count("balcora.cfiscal WHERE situacao='E'")));
        const std::string told = value(
            "SELECT '3 ' || num_cro || ' ' || numero FROM balcora.cfiscal WHERE situacao='E' AND "
            "id_pedido=" +
            order);
        check(bo_value("SELECT situa || ' ' || serie_docfiscal_vinc || ' ' || num_docfiscal_vinc "
                       "FROM kontora.pedidos WHERE id_pedido=" +
                       order) == told,
              "back office order " +
                  bo_value("SELECT situa FROM kontora.pedidos WHERE id_pedido=" + order));
        check(bo_value("SELECT count(*) FROM gestao.log WHERE id='" + order + "'") == "1",
              "log rows " + bo_value("SELECT count(*) FROM gestao.log WHERE id='" + order + "'"));
        check(count("balcora.registro WHERE chave LIKE 'ERRO_CF_%'") == 0, "pending left");
        check(count("balcora.registro WHERE nome='PreVendaReservada' AND trim(valor)<>''") == 0,
              "claim note left");
        db::close_connection();
        return out;
    }

    std::string admin_, base_, copy_, bo_base_, bo_copy_;
};

TEST_F(PreSaleKillMatrix, KilledAtEveryStepTheOrderEndsIssuedOnceAndNeverLost) {
    auto restore = [&] {
        ASSERT_TRUE(clone(base_, copy_));
        ASSERT_TRUE(restore_back_office());
        std::filesystem::remove_all(printer_folder());
        std::filesystem::copy(root_.path() / "printer_base", printer_folder(),
                              std::filesystem::copy_options::recursive);
    };
    restore();
    ASSERT_EQ(in_child(copy_, [&] { return issue(kOrder); }), 0);
    const int total = traced();
    ASSERT_GT(total, 10);

    int waiting_again = 0, issued = 0;
    for (int k = 1; k <= total; ++k) {
        SCOPED_TRACE("killed at boundary " + std::to_string(k) + " of " + std::to_string(total));
        restore();
        const int status = in_child(
            copy_, [&] { return issue(kOrder); }, k);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
        std::vector<std::string> wrong;
        if (in_child(copy_, [&] { return restart(); }) != 0) wrong.push_back("the restart failed");
        std::ifstream in(root_.path() / "waiting");
        int waited = 0;
        in >> waited;
        (waited ? waiting_again : issued)++;
        for (auto& w : wrong_after_restart()) wrong.push_back(std::move(w));
        if (!wrong.empty()) ADD_FAILURE() << testing::PrintToString(wrong);
    }
    std::printf(
        "pre-sale kill matrix: %d kill points, %d left the order waiting again, %d "
        "issued\n",
        total, waiting_again, issued);
    // Both ends were reached: cut before the coupon stood, and after.
    EXPECT_GT(waiting_again, 0);
    EXPECT_GT(issued, 0);
}

}  // namespace

}  // namespace balcora::test
