#include "firmware/plan_preview.h"

#include <algorithm>
#include <map>
#include <new>
#include <vector>

#include "firmware/hex_check.h"
#include "firmware/rtf_escape.h"
#include "firmware/serial_rule.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "platform/text_format.h"

namespace orvane::firmware {
namespace {

constexpr std::string_view kPreviewHead =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang2057"
    "{\\fonttbl{\\f0\\fswiss\\fcharset0 Courier New;}}"
    "{\\colortbl ;\\red0\\green0\\blue0;\\red0\\green192\\blue0;\\red255\\green0\\blue0;"
    "\\red127\\green127\\blue127;}"
    "\\deftab1000\\viewkind4\\uc1\\ul\\pard\\cf4\\b\\f0\\fs20 Proposed Operation\\par"
    "\\fs20\\ulnone\\b0\\par";
constexpr std::string_view kEraseLabel = "\\cf4 Erase Sectors: ";
constexpr std::string_view kProgramHeading =
    "\\par\\cf0\\par\\cf4 Program Sectors with the following code:\\par\\cf0\\par\\cf4 File Sector "
    "Filename            Date & Time\\par";
constexpr std::string_view kInstrumentLabel = "\\cf4 Instrument: \\cf0 ";
constexpr std::string_view kTargetLabel = "\\cf4 Target: \\cf0 ";
constexpr std::string_view kNoFileTime = "--/--/--";

constexpr int kDefaultColour = 0;
constexpr int kRedColour = 3;
constexpr std::size_t kNameColumns = 20;

void AppendFileLine(std::string& out, int number, const LoadEntry& entry, bool sound,
                    const std::string& date) {
    // Cut before escaping, so a "\" or a brace in a name costs no column.
    std::string shown = FitColumns(entry.facts.name.view(), kNameColumns, true);

    out += platform::Format("\\cf0 %-2d   %-2d     ", number, entry.sector);
    out += "\\cf";
    out += std::to_string(sound ? kDefaultColour : kRedColour);
    // A digit or space straight after \cfN would be taken into the control word.
    if (shown[0] == ' ' || (shown[0] >= '0' && shown[0] <= '9')) out += ' ';
    out += RtfEscape(shown);
    out += "\\cf0 ";
    out += date;
    out += "\\par";
}

// The table keeps its columns; why a file cannot be used is said under it,
// once for a file that several entries name.
void AddReason(std::vector<std::string>& reasons, std::string_view name, std::string_view reason) {
    std::string line = "\\cf3 " + RtfEscape(name) + ": " + RtfEscape(reason) + "\\par";
    if (std::find(reasons.begin(), reasons.end(), line) == reasons.end()) reasons.push_back(line);
}

std::string BuildText(std::span<LoadEntry> entries, std::string_view identity,
                      std::string_view targetModel, bool& planError) {
    const int32_t serial = SerialFromIdentity(identity);
    const int32_t highest = std::min(MaxSector(targetModel), kHighestLoaderSector);

    std::string eraseList;
    std::vector<int32_t> listed;
    for (const LoadEntry& entry : entries) {
        if (SerialExcludes(entry, serial)) continue;
        if (std::find(listed.begin(), listed.end(), entry.sector) != listed.end()) continue;
        listed.push_back(entry.sector);
        bool inRange = entry.sector >= 0 && entry.sector <= highest;
        if (!inRange) planError = true;
        eraseList +=
            platform::Format("\\cf%d %d,", inRange ? kDefaultColour : kRedColour, entry.sector);
    }

    std::string out(kPreviewHead);
    out += kInstrumentLabel;
    out += RtfEscape(identity);
    out += "\\par";
    if (!targetModel.empty()) {
        out += kTargetLabel;
        out += RtfEscape(targetModel);
        out += "\\par";
    }
    out += kEraseLabel;
    out += eraseList;
    out += kProgramHeading;

    std::map<std::string, HexCheck> checked;
    std::vector<std::string> reasons;
    int number = 0;
    for (LoadEntry& entry : entries) {
        ++number;
        std::string date = FormatFileTime(entry.facts.lastWriteTime);
        std::string name = platform::ToLowerAscii(entry.facts.name.view());
        entry.facts.name = name;
        if (SerialExcludes(entry, serial)) continue;

        HexCheck check;
        if (entry.present) {
            // A file named by several entries is read once.
            std::string path = entry.path.str();
            auto known = checked.find(path);
            if (known == checked.end()) known = checked.emplace(path, CheckHexFile(path)).first;
            check = known->second;
        }
        bool sound = entry.present && check.ok();
        if (!sound) planError = true;
        AppendFileLine(out, number, entry, sound, date);
        if (entry.pathTooLong) AddReason(reasons, name, kPathTooLongText);
        if (entry.present && !check.ok()) AddReason(reasons, name, DescribeHexCheck(check));
    }
    if (!reasons.empty()) out += "\\par";
    for (const std::string& line : reasons) out += line;
    out += "}";
    return out;
}

}  // namespace

std::string FormatFileTime(int64_t secondsSince1970) {
    if (secondsSince1970 <= 86400) return std::string(kNoFileTime);
    const auto t = platform::LocalTimeAt(secondsSince1970);
    if (!t) return std::string(kNoFileTime);
    return platform::Format("%02d/%02d/%02d %02d:%02d", t->day, t->month, t->year % 100, t->hour,
                            t->minute);
}

std::optional<std::string> BuildPlanPreview(std::span<LoadEntry> entries, std::string_view identity,
                                            std::string_view targetModel, bool& planError) {
    try {
        return BuildText(entries, identity, targetModel, planError);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace orvane::firmware
