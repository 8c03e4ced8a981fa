#include "firmware/hex_load_plan.h"

#include "firmware/file_lookup.h"
#include "firmware/firmware_texts.h"
#include "platform/file_facts.h"
#include "platform/text.h"

namespace orvane::firmware {
namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

bool HasNoFpga(std::string_view name) {
    for (std::string_view prefix : kNoFpgaPrefixes) {
        if (platform::EqualsNoCase(name.substr(0, 2), prefix)) return true;
    }
    return false;
}

}  // namespace

int32_t BuildHexLoadPlan(ui::MessageBoxes& owner, const std::string& mainPath, LoadPlan& plan,
                         bool& planError) {
    auto slash = mainPath.find_last_of(platform::kPathSeparators);
    // The folder keeps its "/", so a bare file name looks for its companions
    // beside itself rather than at the root of the file system.
    std::string_view folder;
    std::string_view name = mainPath;
    if (slash != std::string::npos) {
        folder = name.substr(0, slash + 1);
        name = name.substr(slash + 1);
    }
    if (name.size() < 3 || !IsAsciiLetter(name[0]) ||
        !(IsAsciiLetter(name[1]) || IsAsciiDigit(name[1])) || name[2] != '_') {
        owner.Inform(kChooseMainHexFileText, kUpgradeFirmwareTitle);
        return -1;
    }
    std::string_view rest = name.substr(2);

    LoadSlot& slot = plan.slots[0];
    int32_t count = 0;
    auto add = [&](std::string_view field, int32_t sector) {
        LoadEntry& entry = slot[count++];
        entry = LoadEntry{};
        LookUpEntryFile(entry, folder, field, NameKind::Exact);
        if (!entry.present) planError = true;
        entry.sector = sector;
    };
    add(std::string("DSP").append(rest), 2);
    if (!HasNoFpga(name)) add(std::string("FPG").append(rest), 1);
    add(name, 0);
    plan.entryCount[0] = count;
    return count;
}

}  // namespace orvane::firmware
