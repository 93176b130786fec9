#pragma once

#include <chrono>
#include <cstdint>

namespace balcora::platform {

// Local wall-clock time broken down, as the shop's printer and screens see it.
struct LocalTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
};

// Injected everywhere the program asks for the date or time, so tests can
// pin "today" and step through days.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalTime now() const = 0;
};

class SystemClock final : public Clock {
  public:
    LocalTime now() const override;
};

class FixedClock final : public Clock {
  public:
    explicit FixedClock(LocalTime t) : t_(t) {}
    LocalTime now() const override { return t_; }
    void set(LocalTime t) { t_ = t; }

  private:
    LocalTime t_;
};

}  // namespace balcora::platform
