#pragma once
// The four-register RPN calculator of script lines that begin with "=", with its
// pass/fail tests. X is the top of the stack, then Y, Z and T.

#include <array>
#include <cstdint>
#include <string_view>

namespace orvane::script {

inline constexpr int kRecallBankSize = 100;  // numbered 1..100 in scripts

// Calculator words, compared exactly (case-sensitive, whole text).
inline constexpr const char kCalcClearTest[] = "cleartest";
inline constexpr const char kCalcStopOnFail[] = "stop,onfail";
inline constexpr const char kCalcTestPrefix[] = "test,";

class Calculator {
  public:
    // text is what follows the "=" of the script line.
    void ExecuteCalculatorLine(std::string_view text);
    // A test has failed since the last reset and the script asked to stop on one.
    bool StopRequested() const { return failCount_ > 0 && stopOnFail_; }
    // Registers, fail count and stop-on-fail; the recall bank is kept.
    void ResetCalculator();

    double x() const { return x_; }
    double y() const { return y_; }
    double z() const { return z_; }
    double t() const { return t_; }
    int32_t failCount() const { return failCount_; }
    // The tests that passed and failed since the last reset, whatever clear,test did.
    int32_t testsPassed() const { return testsPassed_; }
    int32_t testsFailed() const { return testsFailed_; }
    bool stopOnFail() const { return stopOnFail_; }

  private:
    void Lift();
    void Drop();
    void Combine(double result);
    void Test(std::string_view condition);

    double x_ = 0;
    double y_ = 0;
    double z_ = 0;
    double t_ = 0;
    // Nothing stores into the bank yet, so every recall pushes 0.
    std::array<double, kRecallBankSize> recall_{};
    int32_t failCount_ = 0;
    bool stopOnFail_ = false;
    int32_t testsPassed_ = 0;
    int32_t testsFailed_ = 0;
};

}  // namespace orvane::script
