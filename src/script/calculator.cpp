#include "script/calculator.h"

#include <cmath>
#include <limits>
#include <utility>

#include "platform/text.h"
#include "script/number_text.h"

namespace orvane::script {

void Calculator::Lift() {
    t_ = z_;
    z_ = y_;
    y_ = x_;
}

void Calculator::Drop() {
    y_ = z_;
    z_ = t_;
}

void Calculator::Combine(double result) {
    x_ = result;
    Drop();
}

void Calculator::ExecuteCalculatorLine(std::string_view text) {
    // The operators come before numbers, so a lone "-" subtracts while "-5" enters -5.
    if (text == "*" || text == "mul") {
        Combine(y_ * x_);
    } else if (text == "/" || text == "div") {
        Combine(x_ / y_);  // the top value divided by the one below it
    } else if (text == "+" || text == "add") {
        Combine(y_ + x_);
    } else if (text == "-" || text == "sub") {
        Combine(x_ - y_);  // the top value minus the one below it
    } else if (text == "^" || text == "enter") {
        Lift();
    } else if (text == "drop") {
        x_ = y_;
        Drop();
    } else if (text == "roll") {
        double oldX = x_;
        x_ = y_;
        y_ = z_;
        z_ = t_;
        t_ = oldX;
    } else if (text == "swap") {
        std::swap(x_, y_);
    } else if (text == "sqrt") {
        x_ = std::sqrt(x_);
    } else if (!text.empty() && text[0] == '[') {
        int32_t n = platform::ReadDecimal(text.substr(1)).value;
        if (n >= 1 && n <= kRecallBankSize) {
            Lift();
            x_ = recall_[static_cast<std::size_t>(n - 1)];
        }
    } else if (!text.empty() &&
               (text[0] == '+' || text[0] == '-' || (text[0] >= '0' && text[0] <= '9'))) {
        Lift();
        x_ = ReadDecimalNumber(text);
    } else if (text == kCalcClearTest) {
        failCount_ = 0;
    } else if (text == kCalcStopOnFail) {
        stopOnFail_ = true;
    } else if (text.starts_with(kCalcTestPrefix)) {
        Test(text.substr(std::string_view(kCalcTestPrefix).size()));
    }
}

void Calculator::Test(std::string_view condition) {
    // Every comparison with a NaN is false, so a NaN never fails a test.
    bool failed = false;
    if (condition == "hi") {
        failed = x_ > y_;
    } else if (condition == "lo") {
        failed = x_ < y_;
    } else if (condition == "out") {
        failed = x_ > z_ || x_ < y_;
    } else if (condition == "in") {
        failed = y_ < x_ && x_ < z_;
    } else {
        return;  // no test at all
    }
    if (failed && failCount_ < std::numeric_limits<int32_t>::max()) ++failCount_;
    int32_t& tally = failed ? testsFailed_ : testsPassed_;
    if (tally < std::numeric_limits<int32_t>::max()) ++tally;
}

void Calculator::ResetCalculator() {
    x_ = y_ = z_ = t_ = 0;
    failCount_ = 0;
    stopOnFail_ = false;
    testsPassed_ = testsFailed_ = 0;
}

}  // namespace orvane::script
