#include "script/calculator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <tuple>
#include <vector>

using orvane::script::Calculator;
using Stack = std::array<double, 4>;  // X Y Z T

static Calculator Calc(const std::vector<const char*>& lines) {
    Calculator c;
    for (const char* line : lines) c.ExecuteCalculatorLine(line);
    return c;
}

// From T Z Y X = 1 3 2 16: "-" and "/" take X first; T keeps its value on a
// drop; a number begins with a sign or a digit and is decimal only; the recall
// bank 1..100 holds zeros; words are case-sensitive and whole.
TEST(Calculator, WordsAndNumbersActOnTheStack) {
    const std::pair<Stack, std::vector<const char*>> rows[] = {
        {{14, 3, 1, 1}, {"-", "sub"}},
        {{8, 3, 1, 1}, {"/", "div"}},
        {{18, 3, 1, 1}, {"+", "add"}},
        {{32, 3, 1, 1}, {"*", "mul"}},
        {{2, 3, 1, 1}, {"drop"}},
        {{2, 16, 3, 1}, {"swap"}},
        {{4, 2, 3, 1}, {"sqrt"}},
        {{2, 3, 1, 16}, {"roll"}},
        {{16, 16, 2, 3}, {"enter", "^"}},
        {{-5, 16, 2, 3}, {"-5"}},
        {{9, 16, 2, 3}, {"+9", "9"}},
        {{250, 16, 2, 3}, {"2.5e2V"}},
        {{-0.125, 16, 2, 3}, {"-1.25E-1"}},
        {{7, 16, 2, 3}, {"7e"}},
        {{-INFINITY, 16, 2, 3}, {"-1e999"}},
        {{0, 16, 2, 3}, {"1e-999", "0x10", "-inf", "[5]", "[ 100"}},
        {{16, 2, 3, 1},
         {"[0", "[101", "[-5", "[99999999999999999999", ".5", "ADD", "add ", "Test,hi",
          "stop,onFail", ""}}};
    for (const auto& [stack, words] : rows) {
        for (const char* word : words) {
            Calculator c = Calc({"1", "3", "2", "16", word});
            EXPECT_EQ((Stack{c.x(), c.y(), c.z(), c.t()}), stack) << word;
            EXPECT_TRUE(c.failCount() == 0 && !c.stopOnFail()) << word;
        }
    }
}

// Y, X, condition, fails: "out" fails outside the band Y..Z (Z = 3), edges
// inside; "in" fails strictly inside it.
TEST(Calculator, TestsCountFailuresAndStopOnFail) {
    const std::tuple<const char*, const char*, const char*, bool> rows[] = {
        {"5", "5", "test,hi", false},   {"5", "6", "test,hi", true},
        {"5", "5", "test,lo", false},   {"5", "4", "test,lo", true},
        {"5", "6", "test,up", false},   {"1", "0.5", "test,out", true},
        {"1", "1", "test,out", false},  {"1", "3", "test,out", false},
        {"1", "3.5", "test,out", true}, {"1", "1", "test,in", false},
        {"1", "2", "test,in", true},    {"1", "3", "test,in", false}};
    for (const auto& [y, x, condition, fails] : rows) {
        Calculator c = Calc({"3", y, x, condition});
        EXPECT_EQ(c.failCount(), fails ? 1 : 0) << y << " " << x << " " << condition;
        EXPECT_EQ(c.x(), std::atof(x));  // tests change no register
    }
    // Every comparison with a NaN is false.
    EXPECT_EQ(
        Calc({"3", "1", "-1", "sqrt", "test,hi", "test,lo", "test,out", "test,in"}).failCount(), 0);

    // Failures stop a script only after "stop,onfail"; a recall pushes a zero, failures or not.
    Calculator c = Calc({"1", "2", "test,hi", "test,hi", "[99"});
    EXPECT_TRUE(c.failCount() == 2 && !c.StopRequested() && c.x() == 0);
    c.ExecuteCalculatorLine("stop,onfail");
    EXPECT_TRUE(c.StopRequested());
    c.ResetCalculator();
    EXPECT_TRUE(c.x() == 0 && c.y() == 0 && c.failCount() == 0 && !c.stopOnFail());
}
