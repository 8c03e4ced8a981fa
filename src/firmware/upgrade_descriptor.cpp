#include "firmware/upgrade_descriptor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "firmware/file_lookup.h"
#include "platform/file_facts.h"
#include "platform/regular_file.h"
#include "platform/text.h"

namespace orvane::firmware {
namespace {

// Lines are read in pieces of at most this many characters; the rest of a
// longer line is read as the next line.
constexpr int kPieceLength = 259;

// The upper-case form is looked for anywhere first; only when it is absent is
// the lower-case form tried. Either way the keyword must open the line, so
// "load,1,LOADER.HEX" is no LOAD line and "Load" never matches.
bool OpensWith(std::string_view line, std::string_view upper, std::string_view lower) {
    auto at = line.find(upper);
    if (at != std::string_view::npos) return at == 0;
    return !lower.empty() && line.starts_with(lower);
}

VersionTest VersionTestFromWord(std::string_view word) {
    struct Word {
        std::string_view text;
        VersionTest test;
    };
    static constexpr Word kWords[] = {{"gt", VersionTest::Gt},
                                      {"gteq", VersionTest::GtEq},
                                      {"lt", VersionTest::Lt},
                                      {"lteq", VersionTest::LtEq},
                                      {"eq", VersionTest::Eq}};
    std::string lower = platform::ToLowerAscii(word);
    for (const auto& w : kWords) {
        if (lower == w.text) return w.test;
    }
    return VersionTest::Unusable;
}

std::string WithoutSpace(std::string_view field) {
    std::string out;
    for (char c : field) {
        if (platform::kWhiteSpace.find(c) == std::string_view::npos) out.push_back(c);
    }
    return out;
}

std::size_t SkipBlanks(std::string_view line, std::size_t i) {
    return line.size() - platform::TrimLeft(line.substr(i), platform::kBlanks).size();
}

class DescriptorReader {
  public:
    DescriptorReader(std::string_view folder, LoadPlan& plan, int32_t maxEntries,
                     UpgradeContext& context, bool& planError)
        : folder_(folder),
          plan_(plan),
          maxEntries_(maxEntries),
          context_(context),
          planError_(planError) {}

    // False when reading must stop because the descriptor is refused.
    bool HandleLine(std::string_view line) {
        if (OpensWith(line, "TARGET", "target")) return Target(line);
        if (OpensWith(line, "WARNING", "warning")) {
            Warning(line);
        } else if (OpensWith(line, "SERIAL", "")) {
            Serial(line);
        } else if (OpensWith(line, "OVER", "over")) {
            LoadOrOver(line, true);
        } else if (OpensWith(line, "LOAD", "load")) {
            LoadOrOver(line, false);
        }
        return true;
    }

    bool SlotFull() const { return Count() >= maxEntries_; }
    int32_t Count() const { return plan_.entryCount[slot_]; }

  private:
    bool Target(std::string_view line) {
        auto fields = platform::SplitTerminated(line, ',');
        const std::size_t n = fields.size();
        auto field = [&](std::size_t i) { return WithoutSpace(fields[i]); };
        if (n == 2) {
            context_.targetModel = field(1);
        } else if (n == 1 || n == 3) {
            context_.targets[slot_].versionTest = VersionTest::Unusable;
        } else {
            if (plan_.slots[slot_][0].present) {
                if (slot_ + 1 >= kTargetSlots) {
                    planError_ = true;
                    return false;
                }
                ++slot_;
                plan_.entryCount[slot_] = 0;
            }
            context_.targetModel = field(1);
            context_.targets[slot_].versionValue = platform::ReadDecimal(field(2)).value;
            context_.targets[slot_].versionTest = VersionTestFromWord(field(3));
        }
        maxSector_ = MaxSector(context_.targetModel);
        return true;
    }

    void Warning(std::string_view line) {
        auto comma = line.find(',');
        if (comma == std::string_view::npos) return;
        context_.targets[slot_].warning = line.substr(comma + 1);
    }

    void Serial(std::string_view line) {
        pending_ = {};
        auto first = line.find(',');
        if (first == std::string_view::npos) return;
        int32_t count = platform::ReadDecimal(line.substr(first + 1)).value;
        auto second = line.find(',', first + 1);
        if (count < 1 || count > 9 || second == std::string_view::npos) return;
        int32_t low = platform::ReadDecimal(line.substr(second + 1)).value;
        auto third = line.find(',', second + 1);
        if (low < 0 || third == std::string_view::npos) return;
        int32_t high = platform::ReadDecimal(line.substr(third + 1)).value;
        pending_ = {high >= 0 ? count : 0, low, high};
    }

    void LoadOrOver(std::string_view line, bool over) {
        LoadEntry& entry = plan_.slots[slot_][Count()];
        entry = LoadEntry{};
        entry.noErase = over;

        auto comma = line.find(',');
        if (comma == std::string_view::npos) return;
        std::size_t at = SkipBlanks(line, comma + 1);
        if (at == line.size()) return;
        // A sector field without digits is no sector at all; taking it as 0
        // would quietly aim the file at the first sector.
        platform::DecimalRead sector = platform::ReadDecimal(line.substr(at));
        entry.sector = sector.hasDigits ? sector.value : -1;
        if (entry.sector < 0 || entry.sector > maxSector_) planError_ = true;

        comma = line.find(',', at);
        if (comma == std::string_view::npos) return;
        at = SkipBlanks(line, comma + 1);
        if (at == line.size()) return;
        LookUpEntryFile(entry, folder_, FileField(line.substr(at)), NameKind::Pattern);

        if (pending_.count > 0) {
            entry.serialLow = pending_.low;
            entry.serialHigh = pending_.high;
            --pending_.count;
        }
        ++plan_.entryCount[slot_];
    }

    // Descriptors are written on Windows, whose file lookup ignores trailing
    // blanks and takes "\" as the folder separator; the same file field must
    // find the same file here.
    static std::string FileField(std::string_view text) {
        std::string field(platform::TrimRight(text, platform::kBlanks));
        std::replace(field.begin(), field.end(), '\\', '/');
        return field;
    }

    struct PendingSerial {
        int32_t count = 0;
        int32_t low = 0;
        int32_t high = 0;
    };

    std::string_view folder_;
    LoadPlan& plan_;
    int32_t maxEntries_;
    UpgradeContext& context_;
    bool& planError_;
    int slot_ = 0;
    int32_t maxSector_ = MaxSector({});
    PendingSerial pending_;
};

}  // namespace

int32_t ParseUpgradeDescriptor(const std::string& path, LoadPlan& plan, int32_t maxEntries,
                               UpgradeContext& context, bool& planError) {
    for (auto& rule : context.targets) {
        rule.versionValue = 0;
        rule.versionTest = VersionTest::Any;
    }
    platform::RegularFile file = platform::OpenRegularFile(path, platform::FileAccess::Read);
    if (!file.ok()) return 0;

    auto slash = path.find_last_of(platform::kPathSeparators);
    std::string_view folder = slash == std::string::npos
                                  ? std::string_view()
                                  : std::string_view(path).substr(0, slash + 1);
    DescriptorReader reader(folder, plan, std::clamp(maxEntries, 0, kMaxLoadEntries), context,
                            planError);

    char piece[kPieceLength + 1];
    while (!reader.SlotFull() && std::fgets(piece, sizeof piece, file.stream.get())) {
        // The piece ends at its first zero byte, as any C text would.
        if (char* cr = std::strrchr(piece, '\r')) *cr = '\0';
        if (char* lf = std::strrchr(piece, '\n')) *lf = '\0';
        if (!reader.HandleLine(piece)) return kDescriptorRefused;
    }
    return reader.Count();
}

}  // namespace orvane::firmware
