#include "printer_fixture.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <random>

namespace balcora::test {

namespace {

int kill_at = 0;
int hook_calls = 0;

void kill_on_stage(int) {
    if (++hook_calls == kill_at) raise(SIGKILL);
}

}  // namespace

// Kills a process driving the printer at every stage of every commit (and at
// random moments), then checks that the printer comes back exactly as it was
// before or after the interrupted command, and goes on to the same end.
class Durability : public EnvTest {
  protected:
    struct Files {
        std::string memory, tape, tape_memory, fiscal;
        bool operator==(const Files&) const = default;
    };

    void SetUp() override {
        glo::numfab = "DUR1";
        sequence_ = {
            [&] { return open_coupon(); },
            [&] { return sell("A", 1000, "01", 1800); },
            [&] { return sell("B", 2550, "FF", 0); },
            [&] { return call(CMD_CANCEL_ITEM, "1"); },
            [&] { return call(CMD_START_CLOSING, closing(50, true)); },
            [&] { return call(CMD_PAYMENT, payment("Dinheiro", 3000)); },
            [&] { return call(CMD_CLOSE_COUPON, "VOLTE SEMPRE"); },
            [&] { return call(CMD_OPEN_REPORT, "RG"); },
            [&] { return call(CMD_REPORT_LINE, "LINHA DO RELATORIO\r\n"); },
            [&] { return call(CMD_CLOSE_REPORT, nullptr); },
            [&] { return call(CMD_CASH_MOVEMENT, "SA00000000001000"); },
            [&] { return call(CMD_X_READING, nullptr); },
            [&] { return open_coupon(); },
            [&] { return sell("C", 990, "NN", 0); },
        };
    }

    bool call(int command, const std::string& p1) { return call(command, p1.c_str()); }
    bool call(int command, const char* p1) {
        return COMUNICA(command, p1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) != 0;
    }
    bool open_coupon() { return call(CMD_OPEN_COUPON, std::string(18, ' ')); }
    bool sell(const char* code, long long cents, const char* tax, int rate) {
        std::string r = item_record(code, "ITEM", cents * 10, 1000, cents, tax, "UN", 0, rate);
        return COMUNICA(CMD_SELL_ITEM, r.c_str(), "0", "T", "00000000000001", nullptr, nullptr,
                        nullptr) != 0;
    }

    Files files() {
        auto folder = vecf::printer_folder();
        return {read_file(folder / "memoria.dat"), read_file(folder / "bobina.txt"),
                read_file(folder / "mfd.dat"), read_file(folder / "mf.dat")};
    }

    // A printer with nothing done, as every run starts.
    void fresh_printer() {
        std::filesystem::remove_all(vecf::printer_folder());
        vecf::reload();
        ASSERT_TRUE(call(CMD_READ_COUNTERS, nullptr));
    }

    void run_from(std::size_t first) {
        for (std::size_t i = first; i < sequence_.size(); ++i)
            ASSERT_TRUE(sequence_[i]()) << "command " << i << ": " << prompt_.shown().back().text;
    }

    // Runs the sequence in a child killed when `stop` says; returns the child's status.
    int run_child(const std::function<void(pid_t)>& stop) {
        pid_t child = fork();
        if (child == 0) {
            if (kill_at) vecf::set_commit_hook(kill_on_stage);
            for (auto& command : sequence_)
                if (!command()) _exit(2);
            _exit(0);
        }
        stop(child);
        int status = 0;
        waitpid(child, &status, 0);
        return status;
    }

    std::vector<std::function<bool()>> sequence_;
};

TEST_F(Durability, AKilledCommandEitherHappenedOrDidNot) {
    // The reference: the files after each command.
    fresh_printer();
    std::vector<Files> after{files()};
    for (std::size_t i = 0; i < sequence_.size(); ++i) {
        ASSERT_TRUE(sequence_[i]());
        after.push_back(files());
    }
    ASSERT_TRUE(prompt_.shown().empty());

    const int stages = 3 * static_cast<int>(sequence_.size());
    for (kill_at = 1; kill_at <= stages; ++kill_at) {
        SCOPED_TRACE("killed at commit stage " + std::to_string(kill_at));
        fresh_printer();
        hook_calls = 0;
        int status = run_child([](pid_t) {});
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        const std::size_t command = (kill_at - 1) / 3;
        const bool renamed = (kill_at - 1) % 3 + 1 == 3;
        vecf::reload();
        ASSERT_TRUE(call(CMD_READ_COUNTERS, nullptr));
        const std::size_t done = renamed ? command + 1 : command;
        ASSERT_TRUE(files() == after[done]) << "expected the state after " << done << " commands";
        EXPECT_FALSE(std::filesystem::exists(vecf::printer_folder() / "memoria.dat.tmp"));
        run_from(done);
        ASSERT_TRUE(files() == after.back());
    }
    kill_at = 0;
}

TEST_F(Durability, KilledAtRandomMomentsThePrinterIsAlwaysInAStateItPassedThrough) {
    fresh_printer();
    std::vector<Files> after{files()};
    for (auto& command : sequence_) {
        ASSERT_TRUE(command());
        after.push_back(files());
    }
    std::mt19937 random(20261207);
    for (int trial = 0; trial < 6; ++trial) {
        fresh_printer();
        const int delay = std::uniform_int_distribution<int>(0, 40000)(random);
        int status = run_child([&](pid_t child) {
            usleep(delay);
            kill(child, SIGKILL);
        });
        ASSERT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0));
        vecf::reload();
        ASSERT_TRUE(call(CMD_READ_COUNTERS, nullptr));
        std::size_t done = after.size();
        for (std::size_t i = 0; i < after.size(); ++i)
            if (files() == after[i]) done = i;
        ASSERT_LT(done, after.size()) << "killed after " << delay << " us: an unknown state";
        run_from(done);
        ASSERT_TRUE(files() == after.back());
    }
}

}  // namespace balcora::test
