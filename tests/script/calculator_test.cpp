#include "script/calculator.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

using orvane::script::Calculator;

namespace {
Calculator Calc(const std::vector<const char*>& lines) {
    Calculator c;
    for (const char* line : lines) c.ExecuteCalculatorLine(line);
    return c;
}
}  // namespace

TEST(Calculator, WordsAndTheirOrderTraps) {
    struct Case {
        std::vector<const char*> lines;
        double x, y, z, t;
    };
    // "-" and "/" take the top value first; T keeps its value on a drop; the
    // recall bank holds zeros; a number begins with a sign or a digit and is
    // decimal only; words are case-sensitive and whole.
    const Case cases[] = {
        {{"10", "4", "-"}, -6, 0, 0, 0},
        {{"10", "4", "sub"}, -6, 0, 0, 0},
        {{"10", "4", "/"}, 0.4, 0, 0, 0},
        {{"10", "4", "div"}, 0.4, 0, 0, 0},
        {{"1", "2", "3", "4", "+"}, 7, 2, 1, 1},
        {{"1", "2", "3", "4", "add"}, 7, 2, 1, 1},
        {{"1", "2", "3", "4", "*"}, 12, 2, 1, 1},
        {{"1", "2", "3", "4", "mul"}, 12, 2, 1, 1},
        {{"1", "2", "3", "4", "drop"}, 3, 2, 1, 1},
        {{"1", "2", "3", "4", "swap"}, 3, 4, 2, 1},
        {{"16", "sqrt"}, 4, 0, 0, 0},
        {{"1", "2", "3", "5", "enter", "*"}, 25, 3, 2, 2},
        {{"1", "2", "3", "5", "^", "*"}, 25, 3, 2, 2},
        {{"1", "2", "3", "4", "roll"}, 3, 2, 1, 4},
        {{"1", "2", "3", "4", "roll", "roll", "roll", "roll"}, 4, 3, 2, 1},
        {{"7", "[5]"}, 0, 7, 0, 0},
        {{"7", "[ 100"}, 0, 7, 0, 0},
        {{"7", "[0"}, 7, 0, 0, 0},
        {{"7", "[101"}, 7, 0, 0, 0},
        {{"7", "[-5"}, 7, 0, 0, 0},
        {{"7", "[99999999999999999999"}, 7, 0, 0, 0},
        {{"3", "-5"}, -5, 3, 0, 0},
        {{"3", "+5"}, 5, 3, 0, 0},
        {{"3", "9"}, 9, 3, 0, 0},
        {{"3", ".5"}, 3, 0, 0, 0},
        {{"3", "2.5e2V"}, 250, 3, 0, 0},
        {{"3", "-1.25E-1"}, -0.125, 3, 0, 0},
        {{"3", "7e"}, 7, 3, 0, 0},
        {{"3", "0x10"}, 0, 3, 0, 0},
        {{"3", "-inf"}, 0, 3, 0, 0},
        {{"1", "2", "ADD"}, 2, 1, 0, 0},
        {{"1", "2", "add "}, 2, 1, 0, 0},
        {{"1", "2", "Test,hi", "stop,onFail", ""}, 2, 1, 0, 0},
    };
    for (const Case& k : cases) {
        Calculator c = Calc(k.lines);
        EXPECT_EQ((std::array{c.x(), c.y(), c.z(), c.t()}), (std::array{k.x, k.y, k.z, k.t}))
            << k.lines.back();
        EXPECT_TRUE(c.failCount() == 0 && !c.stopOnFail()) << k.lines.back();
    }
    EXPECT_TRUE(std::isnan(Calc({"-4", "sqrt"}).x()));
    EXPECT_TRUE(std::isinf(Calc({"0", "1", "/"}).x()));
    EXPECT_EQ(Calc({"-1e999"}).x(), -INFINITY);
    EXPECT_EQ(Calc({"1e-999"}).x(), 0.0);
}

TEST(Calculator, TestsFailCountAndStopOnFail) {
    // Y, X, condition, fails: "out" fails outside the band Y..Z (Z = 3), edges
    // inside; "in" fails strictly inside it.
    struct Case {
        const char *y, *x, *condition;
        bool fails;
    };
    const Case cases[] = {{"5", "5", "test,hi", false},   {"5", "6", "test,hi", true},
                          {"5", "5", "test,lo", false},   {"5", "4", "test,lo", true},
                          {"5", "6", "test,up", false},   {"1", "0.5", "test,out", true},
                          {"1", "1", "test,out", false},  {"1", "3", "test,out", false},
                          {"1", "3.5", "test,out", true}, {"1", "1", "test,in", false},
                          {"1", "2", "test,in", true},    {"1", "3", "test,in", false}};
    for (const Case& k : cases) {
        Calculator c = Calc({"3", k.y, k.x, k.condition});
        EXPECT_EQ(c.failCount(), k.fails ? 1 : 0) << k.y << " " << k.x << " " << k.condition;
        EXPECT_EQ(c.x(), std::atof(k.x));  // tests change no register
    }
    Calculator nan = Calc({"3", "1", "-1", "sqrt", "test,hi", "test,lo", "test,out", "test,in"});
    EXPECT_EQ(nan.failCount(), 0);

    Calculator c = Calc({"1", "2", "test,hi", "test,hi"});
    EXPECT_EQ(c.failCount(), 2);
    EXPECT_FALSE(c.StopRequested());
    c.ExecuteCalculatorLine("stop,onfail");
    EXPECT_TRUE(c.StopRequested());
    c.ExecuteCalculatorLine("cleartest");
    EXPECT_FALSE(c.StopRequested());
    c.ExecuteCalculatorLine("test,hi");
    c.ResetCalculator();
    EXPECT_TRUE(c.x() == 0 && c.y() == 0 && c.failCount() == 0 && !c.stopOnFail());
}
