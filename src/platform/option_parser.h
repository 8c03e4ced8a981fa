#pragma once
// A command line read with CLI11. Each option is acted on where it stands, so
// the first fault on the line is the one reported, in the program's own words.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace orvane::platform {

// After the option's name, when it is the last argument.
inline constexpr char kOptionNeedsAValue[] = " needs a value";

class OptionParser {
  public:
    // wordsFault: what is wrong with the arguments that no option took so far,
    // in order ("--" among them where it stood); empty when nothing is.
    using WordsFault = std::function<std::string(const std::vector<std::string>& words)>;

    explicit OptionParser(WordsFault wordsFault);
    ~OptionParser();

    // names: CLI11's form, e.g. "-h,--help".
    void Flag(const std::string& names, std::function<void()> act);
    // act returns the fault of the value, or "" when it is taken. The value is
    // the next argument whatever it looks like, or follows "=".
    void Value(const std::string& name, std::function<std::string(const std::string&)> act);

    // False with the first fault in error; otherwise words are the arguments
    // no option took.
    bool Parse(int argc, const char* const* argv, std::vector<std::string>& words,
               std::string& error);

  private:
    void CheckWords() const;

    std::unique_ptr<CLI::App> app_;
    WordsFault wordsFault_;
};

}  // namespace orvane::platform
