#include "firmware/styled_text_ansi.h"

namespace orvane::firmware {
namespace {

constexpr char kReset[] = "\x1b[0m";

std::string Escape(const StyledRun& run) {
    std::string out = kReset;
    if (run.bold) out += "\x1b[1m";
    if (run.underline) out += "\x1b[4m";
    if (run.colour) {
        out += "\x1b[38;2;" + std::to_string(run.colour->red) + ";" +
               std::to_string(run.colour->green) + ";" + std::to_string(run.colour->blue) + "m";
    }
    return out;
}

}  // namespace

std::string RunsForTerminal(const std::vector<StyledRun>& runs, bool colour) {
    std::string out;
    for (const StyledRun& run : runs) {
        if (!colour) {
            out += run.text;
            continue;
        }
        // Styles end before each line end, so an underline never runs on
        // across the rest of the terminal line.
        std::string_view text = run.text;
        while (!text.empty()) {
            auto lf = text.find('\n');
            std::string_view piece = text.substr(0, lf);
            if (!piece.empty()) out += Escape(run) + std::string(piece) + kReset;
            if (lf == std::string_view::npos) break;
            out += '\n';
            text.remove_prefix(lf + 1);
        }
    }
    return out;
}

}  // namespace orvane::firmware
