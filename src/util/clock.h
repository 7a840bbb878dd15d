#pragma once

#include <cstdint>

// Where "now" comes from: the system's clock in the program, a fixed moment in tests.
namespace util {

class Clock {
  public:
    virtual ~Clock() = default;
    // Seconds since 1970-01-01 UTC.
    virtual std::int64_t now() const = 0;
};

class SystemClock final : public Clock {
  public:
    std::int64_t now() const override;
};

class FixedClock final : public Clock {
  public:
    explicit FixedClock(std::int64_t moment) : moment_(moment) {}
    std::int64_t now() const override { return moment_; }
    void set(std::int64_t moment) { moment_ = moment; }

  private:
    std::int64_t moment_;
};

}  // namespace util
