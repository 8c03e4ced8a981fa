#include "script/calculator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

using orvane::script::Calculator;
using Stack = std::array<double, 4>;  // X Y Z T

namespace {
Calculator Calc(const std::vector<const char*>& lines) {
    Calculator c;
    for (const char* line : lines) c.ExecuteCalculatorLine(line);
    return c;
}
}  // namespace

// From T Z Y X = 1 3 2 16: "-" and "/" take X first; T keeps its value on a
// drop; words are case-sensitive and whole.
TEST(Calculator, WordsActOnTheStack) {
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

// A number begins with a sign or a digit and is decimal only; the recall bank
// 1..100 holds zeros.
TEST(Calculator, NumbersAndRecallsArePushed) {
    const double inf = INFINITY;
    const std::pair<const char*, double> rows[] = {
        {"-5", -5},           {"+5", 5},   {"9", 9},         {"2.5e2V", 250},
        {"-1.25E-1", -0.125}, {"7e", 7},   {"-1e999", -inf}, {"1e-999", 0},
        {"0x10", 0},          {"-inf", 0}, {"[5]", 0},       {"[ 100", 0}};
    for (const auto& [word, x] : rows) {
        Calculator c = Calc({"3", word});
        EXPECT_TRUE(c.x() == x && c.y() == 3) << word;
    }
}

// Y, X, condition, fails: "out" fails outside the band Y..Z (Z = 3), edges
// inside; "in" fails strictly inside it.
TEST(Calculator, TestsCountFailuresAndStopOnFail) {
    struct Row {
        const char *y, *x, *condition;
        bool fails;
    };
    const Row rows[] = {{"5", "5", "test,hi", false},   {"5", "6", "test,hi", true},
                        {"5", "5", "test,lo", false},   {"5", "4", "test,lo", true},
                        {"5", "6", "test,up", false},   {"1", "0.5", "test,out", true},
                        {"1", "1", "test,out", false},  {"1", "3", "test,out", false},
                        {"1", "3.5", "test,out", true}, {"1", "1", "test,in", false},
                        {"1", "2", "test,in", true},    {"1", "3", "test,in", false}};
    for (const Row& k : rows) {
        Calculator c = Calc({"3", k.y, k.x, k.condition});
        EXPECT_EQ(c.failCount(), k.fails ? 1 : 0) << k.y << " " << k.x << " " << k.condition;
        EXPECT_EQ(c.x(), std::atof(k.x));  // tests change no register
    }
    // Every comparison with a NaN is false.
    EXPECT_EQ(
        Calc({"3", "1", "-1", "sqrt", "test,hi", "test,lo", "test,out", "test,in"}).failCount(), 0);

    Calculator c = Calc({"1", "2", "test,hi", "test,hi", "stop,onfail"});
    EXPECT_TRUE(c.failCount() == 2 && c.StopRequested());
    c.ResetCalculator();
    EXPECT_TRUE(c.x() == 0 && c.y() == 0 && c.failCount() == 0 && !c.stopOnFail());
}
