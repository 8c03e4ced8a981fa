// The upgrade descriptor parser, then its plan preview read back as RTF: the
// model and file names must show as themselves, whatever characters they hold.

#include <algorithm>

#include "firmware/plan_preview.h"
#include "firmware/rtf_reader.h"
#include "firmware/serial_rule.h"
#include "firmware/upgrade_descriptor.h"
#include "fuzz_support.h"

using namespace orvane;
using namespace orvane::firmware;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    constexpr std::string_view kIdentity = "TRV88,Kelmscot,40123,1.07";
    static const int32_t serial = SerialFromIdentity(kIdentity);
    auto printable = [](std::string_view t) {
        return std::all_of(t.begin(), t.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
    };
    std::string_view input(reinterpret_cast<const char*>(data), size);
    // A file field may climb out of the folder: the fuzzer would glob the whole disk.
    if (input.find("..") != std::string_view::npos) return 0;
    // Sound and unsound hex files for LOAD and OVER lines, one in a sub-folder.
    static const char* const sound = ":0400000001020304F2\r\n:00000001FF\r\n";
    static const std::string folder[] = {
        fuzz::WriteScratchFile("ab_1234.hex", sound),
        fuzz::WriteScratchFile("dsp_1234.hex", ":0400000001020304F3\r\n:00000001FF\r\n"),
        fuzz::WriteScratchFile("fpg_1234.hex", ":0400000001020304F2\r\n"),
        fuzz::WriteScratchFile("Loader [v2].HEX", sound),
        fuzz::WriteScratchFile("common/boot.hex", sound)};
    std::string path = fuzz::WriteScratchFile("fuzz.upg", input);

    auto plan = std::make_unique<LoadPlan>();
    UpgradeContext context;
    bool planError = false;
    int32_t count = ParseUpgradeDescriptor(path, *plan, kMaxLoadEntries, context, planError);
    FUZZ_CHECK(count == kDescriptorRefused || (count >= 0 && count <= kMaxLoadEntries));
    if (count == kDescriptorRefused) FUZZ_CHECK(planError);

    for (int slot = 0; slot < kTargetSlots; ++slot) {
        int32_t entries = plan->entryCount[static_cast<std::size_t>(slot)];
        FUZZ_CHECK(entries >= 0 && entries <= kMaxLoadEntries);
        if (entries == 0) continue;
        std::span<LoadEntry> listed(plan->slots[static_cast<std::size_t>(slot)].data(),
                                    static_cast<std::size_t>(entries));
        std::optional<std::string> preview =
            BuildPlanPreview(listed, kIdentity, context.targetModel, planError);
        FUZZ_CHECK(preview.has_value());
        std::string shown;
        for (const RtfRun& run : ReadRtf(*preview)) shown += run.text;
        std::string_view model = context.targetModel.view();
        if (printable(model)) FUZZ_CHECK(shown.find(model) != std::string::npos);
        for (const LoadEntry& entry : listed) {
            if (entry.present) FUZZ_CHECK(!entry.path.empty() && !entry.pathTooLong);
            if (SerialExcludes(entry, serial)) continue;
            // Every name is cut to its column, a folder in it or not.
            std::string_view name = entry.facts.name.view().substr(0, 20);
            if (printable(name)) FUZZ_CHECK(shown.find(name) != std::string::npos);
        }
    }
    return 0;
}
