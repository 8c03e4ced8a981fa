#include "platform/option_parser.h"

#include <CLI/CLI.hpp>

namespace orvane::platform {
namespace {

struct Fault {
    std::string text;
};

}  // namespace

OptionParser::OptionParser(WordsFault wordsFault)
    : app_(std::make_unique<CLI::App>()), wordsFault_(std::move(wordsFault)) {
    app_->set_help_flag();  // the programs print their own help
    app_->allow_extras();   // words and unknown options alike, for wordsFault to judge
}

OptionParser::~OptionParser() = default;

void OptionParser::CheckWords() const {
    if (std::string fault = wordsFault_(app_->remaining()); !fault.empty()) throw Fault{fault};
}

void OptionParser::Flag(const std::string& names, std::function<void()> act) {
    app_->add_flag_callback(names,
                            [this, act = std::move(act)] {
                                CheckWords();
                                act();
                            })
        ->trigger_on_parse();
}

void OptionParser::Value(const std::string& name,
                         std::function<std::string(const std::string&)> act) {
    app_->add_option_function<std::string>(name,
                                           [this, act = std::move(act)](const std::string& value) {
                                               CheckWords();
                                               if (std::string fault = act(value); !fault.empty())
                                                   throw Fault{fault};
                                           })
        ->trigger_on_parse();
}

bool OptionParser::Parse(int argc, const char* const* argv, std::vector<std::string>& words,
                         std::string& error) {
    try {
        app_->parse(argc, argv);
        CheckWords();
    } catch (const Fault& fault) {
        error = fault.text;
        return false;
    } catch (const CLI::ArgumentMismatch&) {
        // Only an option at the very end runs out of values.
        error = wordsFault_(app_->remaining());
        if (error.empty()) error = argv[argc - 1] + std::string(kOptionNeedsAValue);
        return false;
    } catch (const CLI::ParseError& e) {
        error = e.what();
        return false;
    }
    words = app_->remaining();
    return true;
}

}  // namespace orvane::platform
