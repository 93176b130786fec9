#pragma once

#include "ecf/printer_commands.h"
#include "ecf/printer_driver.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace balcora::test {

// What crossed the driver boundary in one call: the command and p1..p7 as
// the driver received them (nullopt for a null pointer).
struct DriverCall {
    std::int32_t command = 0;
    std::array<std::optional<std::string>, 7> params;
};

// A driver function installed behind the boundary for the life of the
// object: it records every call and answers success unless told otherwise.
class RecordingDriver {
  public:
    RecordingDriver() {
        calls().clear();
        answer() = nullptr;
        ecf::set_driver_for_tests(&comunica);
    }
    ~RecordingDriver() {
        ecf::set_driver_for_tests(nullptr);
        answer() = nullptr;
    }
    RecordingDriver(const RecordingDriver&) = delete;
    RecordingDriver& operator=(const RecordingDriver&) = delete;

    // The printer's answer to each call (true = done); runs inside the call.
    void answer_with(std::function<bool(const DriverCall&)> fn) { answer() = std::move(fn); }
    void refuse(ecf::Command command) {
        answer_with([command](const DriverCall& c) { return c.command != command; });
    }

    const std::vector<DriverCall>& recorded() const { return calls(); }
    std::vector<std::int32_t> commands() const {
        std::vector<std::int32_t> out;
        for (const auto& c : calls()) out.push_back(c.command);
        return out;
    }
    void clear() { calls().clear(); }

  private:
    static std::vector<DriverCall>& calls() {
        static std::vector<DriverCall> v;
        return v;
    }
    static std::function<bool(const DriverCall&)>& answer() {
        static std::function<bool(const DriverCall&)> f;
        return f;
    }
    static std::uint8_t comunica(std::int32_t command, const char* p1, const char* p2,
                                 const char* p3, const char* p4, const char* p5, const char* p6,
                                 const char* p7) {
        DriverCall call;
        call.command = command;
        const char* p[] = {p1, p2, p3, p4, p5, p6, p7};
        for (int i = 0; i < 7; ++i) {
            if (p[i]) call.params[i] = std::string(p[i]);
        }
        calls().push_back(call);
        return answer() ? (answer()(call) ? 1 : 0) : 1;
    }
};

}  // namespace balcora::test
