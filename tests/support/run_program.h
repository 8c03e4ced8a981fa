#pragma once
// Runs a program to its end, with text on its stdin, and keeps what it printed.
// With holdInputUntil, stdin stays open until stdout has shown that text.

#include <string>
#include <vector>

namespace orvane::testing {

struct ProgramResult {
    int status = -1;  // the exit code; -1 when it did not exit normally within the limit
    int signal = 0;   // the signal that ended it
    std::string out;
    std::string err;
};

// Once stdout or stderr has shown `after`, each of `signals` is sent in turn, gapMs apart.
struct SignalsOnOutput {
    std::string after;
    std::vector<int> signals;
    int gapMs = 300;
};

ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& args,
                         const std::string& input = {}, const std::vector<std::string>& env = {},
                         int limitMs = 30000, const std::string& holdInputUntil = {},
                         const SignalsOnOutput& send = {});

}  // namespace orvane::testing
