#include "platform/option_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using orvane::platform::kOptionNeedsAValue;
using orvane::platform::OptionParser;

// The first fault on the line is the one said, whether a stray word or a bad
// value; a value is the next argument whatever it looks like.
TEST(OptionParser, TakesValuesVerbatimKeepsTheWordsAndSaysTheFirstFault) {
    const struct {
        std::vector<const char*> args;
        std::string result;  // what was taken, or the fault
    } cases[] = {
        {{"--v", "-x", "a", "--f", "--", "--f", "-c"}, "v=-x f words: a -- --f -c"},
        {{"--v", "1", "--v=2"}, "v=1 v=2 words:"},
        {{"a", "--v"}, std::string("--v") + kOptionNeedsAValue},
        {{"-b", "--v"}, "stray -b"},
        {{"-b", "--v", "bad"}, "stray -b"},
        {{"--v", "bad", "-b"}, "bad value"},
        {{"--f", "-b", "--f"}, "stray -b"},
    };
    for (const auto& c : cases) {
        std::string taken;
        OptionParser parser([](const std::vector<std::string>& words) {
            for (const std::string& w : words) {
                if (w == "-b") return "stray " + w;
            }
            return std::string();
        });
        parser.Flag("--f", [&] { taken += "f "; });
        parser.Value("--v", [&](const std::string& v) {
            taken += "v=" + v + " ";
            return v == "bad" ? "bad value" : std::string();
        });
        std::vector<const char*> argv{"program"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        std::vector<std::string> words;
        std::string error;
        if (parser.Parse(static_cast<int>(argv.size()), argv.data(), words, error)) {
            taken += "words:";
            for (const std::string& w : words) taken += " " + w;
            EXPECT_EQ(taken, c.result) << c.args[0];
        } else {
            EXPECT_EQ(error, c.result) << c.args[0];
        }
    }
}
