// One item sold through the virtual printer's COMUNICA against the printer's
// own durable write of its memory alone (the floor: one copy of the memory
// rewritten in place and its fdatasync). The difference is the boundary, the
// parsing, the bookkeeping and the paper.
#include "ecf/printer_commands.h"
#include "globals/globals.h"
#include "ratio_reporter.h"
#include "support/scripted_prompt.h"
#include "support/temp_root.h"
#include "ui/environment.h"
#include "virtual_ecf.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace balcora;
using namespace balcora::ecf;

// The coupon grows from kFirst to kLast items and starts again, so both
// benchmarks write memories of the same average size.
constexpr int kFirst = 20, kLast = 60, kMiddle = 40;

struct Printer {
    test::ScriptedPrompt prompt;
    test::TempRoot root;
    platform::FixedClock clock{{2026, 12, 7, 10, 0, 0}};
    ScopedEnvironment env{{&clock, &root.root(), &prompt}};
    std::string record;

    Printer() {
        glo::numfab = "BENCH0001";
        vecf::reload();
        record = "7891000315507" + std::string("CAFE TORRADO E MOIDO 500G") + std::string(15, ' ') +
                 "000018900" + "0001000" + "000000018900" + "01" + "0" + "UN" + "0000000000" +
                 "1800";
        if (record.size() != 100) fail("item record");
    }
    [[noreturn]] static void fail(const char* what) {
        std::fprintf(stderr, "virtual printer benchmark: %s failed\n", what);
        std::exit(1);
    }
    bool send(int command, const char* p1 = nullptr, const char* p2 = nullptr) {
        return COMUNICA(command, p1, p2, nullptr, nullptr, nullptr, nullptr, nullptr) != 0;
    }
    bool sell() {
        return COMUNICA(CMD_SELL_ITEM, record.c_str(), "0", "T", "07891000315507", nullptr, nullptr,
                        nullptr) != 0;
    }
    // Closes the coupon in progress (if any) and opens one with `items` items.
    void coupon_of(int items) {
        if (items_ > 0) {
            std::string paid = "Dinheiro        " +
                               std::to_string(100000000000000LL + items_ * 18900).substr(2) +
                               std::string(40, ' ');
            if (!send(CMD_START_CLOSING, "000000000000000002") ||
                !send(CMD_PAYMENT, paid.c_str()) || !send(CMD_CLOSE_COUPON, "OBRIGADO"))
                fail("closing");
        }
        if (!send(CMD_OPEN_COUPON, "                  ")) fail("opening");
        items_ = 0;
        for (int i = 0; i < items; ++i) sold();
    }
    void sold() {
        if (!sell()) fail("sale");
        ++items_;
    }
    int items() const { return items_; }

  private:
    int items_ = 0;
};

Printer& printer() {
    static Printer p;
    return p;
}

void comunica_sell_item(benchmark::State& state) {
    Printer& p = printer();
    p.coupon_of(kFirst);
    for (auto _ : state) {
        p.sold();
        if (p.items() == kLast) {
            state.PauseTiming();
            p.coupon_of(kFirst);
            state.ResumeTiming();
        }
    }
}
BENCHMARK(comunica_sell_item);

void memory_write_alone(benchmark::State& state) {
    Printer& p = printer();
    p.coupon_of(kMiddle);
    for (auto _ : state)
        if (!vecf::write_memory_now()) Printer::fail("memory write");
}
BENCHMARK(memory_write_alone);

}  // namespace

int main(int argc, char** argv) {
    return balcora::bench::run_with_ratios(argc, argv,
                                           {{"virtual_ecf_sell_item_vs_memory_write",
                                             "comunica_sell_item", "memory_write_alone", 1.5}});
}
