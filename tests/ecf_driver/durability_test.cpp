#include "printer_fixture.h"
#include "store.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <utility>
#include <vector>

namespace balcora::test {

namespace {

int kill_at = 0;
int hook_calls = 0;

// The stages the commits of a reference run passed, and the command of each.
std::vector<std::pair<std::size_t, int>> stages_seen;
std::size_t running_command = 0;

void record_stage(int stage) {
    if (stage != static_cast<int>(vecf::CommitStage::replacement_prepared))
        stages_seen.emplace_back(running_command, stage);
}

// Counts the stages every commit passes (the replacement of the whole file is
// killed by its own test below).
void kill_on_stage(int stage) {
    if (stage != static_cast<int>(vecf::CommitStage::replacement_prepared) &&
        ++hook_calls == kill_at)
        raise(SIGKILL);
}

int kill_stage = 0;

void kill_at_stage(int stage) {
    if (stage == kill_stage) raise(SIGKILL);
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

    // The memory as a restart reads it: the copy a torn write left in the
    // other slot is no state of the printer. The copy's number counts
    // writes, which a restart inside an open report numbers differently.
    static std::string committed_memory() {
        vecf::MemoryRecord r = vecf::read_memory_file(vecf::printer_folder() / "memoria.dat");
        return r.memory + std::to_string(r.tape_memory_synced) + "\n" + r.tape_memory_tail;
    }

    Files files() {
        auto folder = vecf::printer_folder();
        return {committed_memory(), read_file(folder / "bobina.txt"), read_file(folder / "mfd.dat"),
                read_file(folder / "mf.dat")};
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

    // Runs `work` (by default the sequence) in a child killed when `stop` or
    // the hook says; returns the child's status.
    int run_child(const std::function<void(pid_t)>& stop, vecf::CommitHook hook = nullptr,
                  const std::function<bool()>& work = {}) {
        pid_t child = fork();
        if (child == 0) {
            if (hook) vecf::set_commit_hook(hook);
            if (work) _exit(work() ? 0 : 2);
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
    // The reference: the files after each command, and the stages of each
    // commit (a report line's copy is not synced, so it passes one less).
    fresh_printer();
    std::vector<Files> after{files()};
    stages_seen.clear();
    vecf::set_commit_hook(record_stage);
    for (std::size_t i = 0; i < sequence_.size(); ++i) {
        running_command = i;
        ASSERT_TRUE(sequence_[i]());
        after.push_back(files());
    }
    vecf::set_commit_hook(nullptr);
    ASSERT_TRUE(prompt_.shown().empty());

    const int stages = static_cast<int>(stages_seen.size());
    ASSERT_EQ(stages, 3 * static_cast<int>(sequence_.size()) - 1);
    for (kill_at = 1; kill_at <= stages; ++kill_at) {
        SCOPED_TRACE("killed at commit stage " + std::to_string(kill_at));
        fresh_printer();
        hook_calls = 0;
        int status = run_child([](pid_t) {}, kill_on_stage);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        const auto [command, stage] = stages_seen[kill_at - 1];
        // Once the copy is written, a restart reads it, synced or not.
        const bool written = stage != static_cast<int>(vecf::CommitStage::journals_written);
        vecf::reload();
        ASSERT_TRUE(call(CMD_READ_COUNTERS, nullptr));
        const std::size_t done = written ? command + 1 : command;
        ASSERT_TRUE(files() == after[done]) << "expected the state after " << done << " commands";
        EXPECT_FALSE(std::filesystem::exists(vecf::printer_folder() / "memoria.dat.tmp"));
        run_from(done);
        ASSERT_TRUE(files() == after.back());
    }
    kill_at = 0;
}

// The first command after an upgrade replaces a memory file of the previous
// single-record layout by the file of two copies (so does a memory outgrowing
// its copies): killed at each stage of that replacement, the printer restarts
// on the old file or the new one.
TEST_F(Durability, AKilledReplacementOfTheFileLeavesTheOldFileOrTheNewOne) {
    const auto folder = vecf::printer_folder();
    const char* names[] = {"memoria.dat", "bobina.txt", "mfd.dat", "mf.dat"};
    fresh_printer();
    ASSERT_TRUE(sequence_[0]() && sequence_[1]());
    std::map<std::string, std::string> base;
    for (const char* name : names) base[name] = read_file(folder / name);
    // What the previous version wrote: the memory text alone.
    base["memoria.dat"] = vecf::read_memory_file(folder / "memoria.dat").memory;
    ASSERT_TRUE(base["memoria.dat"].starts_with("BALCORA-ECF-VIRTUAL-MEMORIA\t1\n"));
    auto restore = [&] {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        for (const auto& [name, data] : base)
            std::ofstream(folder / name, std::ios::binary) << data;
        vecf::reload();
    };

    restore();
    ASSERT_TRUE(call(CMD_READ_COUNTERS, nullptr));
    const Files before = files();
    ASSERT_TRUE(sequence_[2]());
    const Files after = files();
    EXPECT_TRUE(read_file(folder / "memoria.dat").starts_with("BALCORA-ECF-VIRTUAL-COPIAS\t1\t"));
    run_from(3);
    const Files end = files();

    using vecf::CommitStage;
    for (CommitStage stage : {CommitStage::journals_written, CommitStage::replacement_prepared,
                              CommitStage::memory_written, CommitStage::memory_synced}) {
        SCOPED_TRACE("killed at stage " + std::to_string(static_cast<int>(stage)));
        restore();
        kill_stage = static_cast<int>(stage);
        int status = run_child([](pid_t) {}, kill_at_stage, sequence_[2]);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        vecf::reload();
        ASSERT_TRUE(call(CMD_READ_COUNTERS, nullptr));
        const bool replaced =
            stage == CommitStage::memory_written || stage == CommitStage::memory_synced;
        ASSERT_TRUE(files() == (replaced ? after : before));
        EXPECT_FALSE(std::filesystem::exists(folder / "memoria.dat.tmp"));
        run_from(replaced ? 3 : 2);
        ASSERT_TRUE(files() == end);
    }
}

// The lines of an open report are written without a sync: a power cut may
// lose them, but never the durable copy written before them, so the printer
// comes back with the report open and goes on.
TEST_F(Durability, APowerCutLosesAtMostTheLinesOfTheOpenReport) {
    const auto memory_file = vecf::printer_folder() / "memoria.dat";
    fresh_printer();
    ASSERT_TRUE(call(CMD_OPEN_REPORT, "RG"));
    const Files opened = files();
    std::uint64_t slot_size = 0;
    const std::uint64_t durable = vecf::read_memory_file(memory_file, &slot_size).sequence;
    auto slot = [&](std::uint64_t n) {
        return read_file(memory_file).substr(vecf::kMemoryHeaderSize + n * slot_size, slot_size);
    };
    const std::string durable_slot = slot(durable % 2);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(call(CMD_REPORT_LINE, "LINHA\r\n"));
    ASSERT_EQ(slot(durable % 2), durable_slot) << "a line wrote over the durable copy";

    // The cut: the slot of the lines' copies never reached the disk.
    std::string content = read_file(memory_file);
    content.replace(vecf::kMemoryHeaderSize + (durable + 1) % 2 * slot_size, slot_size,
                    std::string(slot_size, '\0'));
    std::ofstream(memory_file, std::ios::binary | std::ios::trunc) << content;
    vecf::reload();
    ASSERT_TRUE(call(CMD_READ_COUNTERS, nullptr));
    ASSERT_TRUE(files() == opened);
    ASSERT_TRUE(call(CMD_REPORT_LINE, "LINHA\r\n") && call(CMD_CLOSE_REPORT, nullptr));
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
