#include "script/calculator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <limits>

using orvane::script::Calculator;

namespace {

Calculator Calc(std::initializer_list<const char*> lines) {
    Calculator c;
    for (const char* line : lines) c.ExecuteCalculatorLine(line);
    return c;
}

void ExpectStack(const Calculator& c, double x, double y, double z, double t) {
    EXPECT_EQ(c.x(), x);
    EXPECT_EQ(c.y(), y);
    EXPECT_EQ(c.z(), z);
    EXPECT_EQ(c.t(), t);
}

}  // namespace

TEST(Calculator, OperatorsTakeTheTopValueFirstAndDropTheStack) {
    ExpectStack(Calc({"10", "4", "-"}), -6, 0, 0, 0);
    ExpectStack(Calc({"10", "4", "sub"}), -6, 0, 0, 0);
    ExpectStack(Calc({"10", "4", "/"}), 0.4, 0, 0, 0);
    ExpectStack(Calc({"10", "4", "div"}), 0.4, 0, 0, 0);
    ExpectStack(Calc({"1", "2", "3", "4", "+"}), 7, 2, 1, 1);  // T keeps its value on a drop
    ExpectStack(Calc({"1", "2", "3", "4", "add"}), 7, 2, 1, 1);
    ExpectStack(Calc({"1", "2", "3", "4", "*"}), 12, 2, 1, 1);
    ExpectStack(Calc({"1", "2", "3", "4", "mul"}), 12, 2, 1, 1);
    ExpectStack(Calc({"1", "2", "3", "4", "drop"}), 3, 2, 1, 1);
    ExpectStack(Calc({"1", "2", "3", "4", "swap"}), 3, 4, 2, 1);
    ExpectStack(Calc({"16", "sqrt"}), 4, 0, 0, 0);
    EXPECT_TRUE(std::isnan(Calc({"-4", "sqrt"}).x()));
    EXPECT_TRUE(std::isinf(Calc({"0", "1", "/"}).x()));  // 1 / 0, unchecked
}

TEST(Calculator, EnterRollAndRecall) {
    // "enter" then "*": X squared, Y and Z as before the enter, T then equal to Z.
    ExpectStack(Calc({"1", "2", "3", "5", "enter", "*"}), 25, 3, 2, 2);
    ExpectStack(Calc({"1", "2", "3", "5", "^", "*"}), 25, 3, 2, 2);

    Calculator c = Calc({"1", "2", "3", "4", "roll"});
    ExpectStack(c, 3, 2, 1, 4);
    for (int i = 0; i < 3; ++i) c.ExecuteCalculatorLine("roll");
    ExpectStack(c, 4, 3, 2, 1);

    // Only 1..100 recall (the bank holds zeros); anything else changes nothing.
    ExpectStack(Calc({"7", "[5]"}), 0, 7, 0, 0);
    ExpectStack(Calc({"7", "[ 100"}), 0, 7, 0, 0);
    ExpectStack(Calc({"7", "[1"}), 0, 7, 0, 0);
    ExpectStack(Calc({"7", "[0"}), 7, 0, 0, 0);
    ExpectStack(Calc({"7", "[101"}), 7, 0, 0, 0);
    ExpectStack(Calc({"7", "[-5"}), 7, 0, 0, 0);
    ExpectStack(Calc({"7", "[x"}), 7, 0, 0, 0);
    ExpectStack(Calc({"7", "[99999999999999999999"}), 7, 0, 0, 0);
}

TEST(Calculator, NumbersNeedASignOrADigitAndWordsMatchExactly) {
    ExpectStack(Calc({"3", "-5"}), -5, 3, 0, 0);
    ExpectStack(Calc({"3", "+5"}), 5, 3, 0, 0);
    ExpectStack(Calc({"3", ".5"}), 3, 0, 0, 0);  // enters nothing
    ExpectStack(Calc({"3", "2.5e2V"}), 250, 3, 0, 0);
    ExpectStack(Calc({"3", "-1.25E-1"}), -0.125, 3, 0, 0);
    ExpectStack(Calc({"3", "7e"}), 7, 3, 0, 0);
    ExpectStack(Calc({"3", "5."}), 5, 3, 0, 0);
    ExpectStack(Calc({"3", "0x10"}), 0, 3, 0, 0);  // decimal only
    ExpectStack(Calc({"3", "-inf"}), 0, 3, 0, 0);
    ExpectStack(Calc({"3", "- 5"}), 0, 3, 0, 0);
    EXPECT_EQ(Calc({"1e999"}).x(), std::numeric_limits<double>::infinity());
    EXPECT_EQ(Calc({"-1e999"}).x(), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(Calc({"1e-999"}).x(), 0.0);

    for (const char* word : {"ADD", "add ", " add", "Drop", "", "x", "test", "Test,hi", "stop,onFail"}) {
        Calculator c = Calc({"1", "2"});
        c.ExecuteCalculatorLine(word);
        ExpectStack(c, 2, 1, 0, 0);
        EXPECT_EQ(c.failCount(), 0) << word;
        EXPECT_FALSE(c.stopOnFail()) << word;
    }
}

TEST(Calculator, TestsCountFailuresAndNaNNeverFails) {
    struct Case {
        const char* y;
        const char* x;
        const char* condition;
        bool fails;
    };
    for (const Case& k : {Case{"5", "5", "test,hi", false}, Case{"5", "6", "test,hi", true},
                          Case{"5", "5", "test,lo", false}, Case{"5", "4", "test,lo", true},
                          Case{"5", "6", "test,what", false}}) {
        Calculator c = Calc({k.y, k.x});
        c.ExecuteCalculatorLine(k.condition);
        EXPECT_EQ(c.failCount(), k.fails ? 1 : 0) << k.y << " " << k.x << " " << k.condition;
        ExpectStack(c, std::atof(k.x), std::atof(k.y), 0, 0);  // a test changes no register
    }
    // Band from Y (low) to Z (high): "out" fails outside it, edges inside; "in"
    // fails strictly inside it.
    struct Band {
        const char* x;
        bool outFails;
        bool inFails;
    };
    for (const Band& b : {Band{"0.5", true, false}, Band{"1", false, false}, Band{"2", false, true},
                          Band{"3", false, false}, Band{"3.5", true, false}}) {
        Calculator out = Calc({"3", "1", b.x, "test,out"});
        Calculator in = Calc({"3", "1", b.x, "test,in"});
        EXPECT_EQ(out.failCount(), b.outFails ? 1 : 0) << b.x;
        EXPECT_EQ(in.failCount(), b.inFails ? 1 : 0) << b.x;
    }
    Calculator nan = Calc({"3", "1", "-1", "sqrt"});
    ASSERT_TRUE(std::isnan(nan.x()));
    for (const char* t : {"test,hi", "test,lo", "test,out", "test,in"}) nan.ExecuteCalculatorLine(t);
    EXPECT_EQ(nan.failCount(), 0);
}

TEST(Calculator, StopOnFailClearTestAndReset) {
    Calculator c = Calc({"1", "2", "test,hi", "test,hi"});
    EXPECT_EQ(c.failCount(), 2);
    EXPECT_FALSE(c.StopRequested());
    c.ExecuteCalculatorLine("stop,onfail");
    EXPECT_TRUE(c.StopRequested());
    c.ExecuteCalculatorLine("cleartest");
    EXPECT_EQ(c.failCount(), 0);
    EXPECT_FALSE(c.StopRequested());
    EXPECT_TRUE(c.stopOnFail());

    c.ExecuteCalculatorLine("test,hi");
    c.ResetCalculator();
    ExpectStack(c, 0, 0, 0, 0);
    EXPECT_EQ(c.failCount(), 0);
    EXPECT_FALSE(c.stopOnFail());
}
