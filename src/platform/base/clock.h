#pragma once

// The current date, from one place that tests can set.
namespace brivo {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual int CurrentYear() const = 0;
};

// The system's local date.
class SystemClock final : public Clock {
 public:
  int CurrentYear() const override;
};

// A fixed year, for tests.
class FixedClock final : public Clock {
 public:
  explicit FixedClock(int year) : year_(year) {}
  int CurrentYear() const override { return year_; }
  void set_year(int year) { year_ = year; }

 private:
  int year_;
};

}  // namespace brivo
