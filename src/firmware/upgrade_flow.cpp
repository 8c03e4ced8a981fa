#include "firmware/upgrade_flow.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "connection/connect_and_identify.h"
#include "connection/model_table.h"
#include "firmware/files_list_dialog.h"
#include "firmware/firmware_texts.h"
#include "firmware/hex_load_plan.h"
#include "firmware/plan_preview.h"
#include "firmware/serial_rule.h"
#include "firmware/upgrade_descriptor.h"
#include "firmware/upgrade_dialog.h"
#include "platform/clock.h"
#include "platform/file_facts.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "transport/channel.h"
#include "ui/app_strings.h"
#include "ui/file_dialog.h"
#include "ui/files_list_window.h"
#include "ui/message_box.h"
#include "ui/upgrade_dialog.h"
#include "ui/wait_cursor.h"

namespace orvane::firmware {
namespace {

using transport::ConnectionRecord;
using namespace connection;

constexpr std::size_t kInstrumentModelMax = 127;

class PollRepliesOff {
  public:
    explicit PollRepliesOff(ConnectionRecord& record)
        : record_(record), saved_(record.pollReplies) {
        record.pollReplies = false;
    }
    ~PollRepliesOff() { record_.pollReplies = saved_; }
    PollRepliesOff(const PollRepliesOff&) = delete;
    PollRepliesOff& operator=(const PollRepliesOff&) = delete;

  private:
    ConnectionRecord& record_;
    bool saved_;
};

void Tell(ui::MessageBoxes& boxes, const std::string& text, const char* caption,
          ui::MessageIcon icon) {
    boxes.Show({text, caption, icon, ui::MessageButtons::Ok});
}

bool Reidentify(const UpgradeFlowUi& ui, ConnectionRecord& record) {
    ui::WaitCursorGuard hourglass(ui.cursor);
    transport::CloseChannel(record);
    record.instrumentReady = false;
    platform::ClockOrSystem(record.linkOptions.clock)->Sleep(kReconnectPauseMs);
    record.instrumentReady = ConnectAndIdentify(ui.boxes, ui.cursor, record, false);
    // As after a failed connect from the main window: a port with no instrument
    // answering on it is not held.
    if (!record.instrumentReady) transport::CloseChannel(record);
    return record.instrumentReady;
}

// The extension of the file name, lower case; empty when it has none.
std::string ExtensionOf(const std::string& path) {
    std::string_view name = path;
    auto slash = name.find_last_of(platform::kPathSeparators);
    if (slash != std::string_view::npos) name = name.substr(slash + 1);
    auto dot = name.find_last_of('.');
    return platform::ToLowerAscii(dot == std::string_view::npos ? std::string_view()
                                                                : name.substr(dot + 1));
}

bool IsZdaFamily(uint32_t code) {
    return code == kModelZda71 || code == kModelZda45 || code == kModelZda477;
}
bool IsGdmb(uint32_t code) {
    return code == kModelGdmb68 || code == kModelGdmb87;
}

// The instrument's model: the identity after its first comma.
std::string InstrumentModelText(const ConnectionRecord& record) {
    std::string_view identity = record.identity.view();
    auto comma = identity.find(',');
    if (comma != std::string_view::npos) identity = identity.substr(comma + 1);
    return std::string(identity.substr(0, kInstrumentModelMax));
}

bool FirmwareFits(const UpgradeContext& context, const ConnectionRecord& record) {
    std::string_view target = context.targetModel.view();
    uint32_t targetCode = ModelFromIdentity(target);
    uint32_t instrumentCode = ModelFromIdentity(InstrumentModelText(record));
    // Two models that the table does not know are not the same model.
    if (!target.empty() && targetCode == instrumentCode && targetCode != kModelUnknown) return true;
    if (record.modelCode == kModelBootcode) return true;
    if (targetCode == kModelOtherZda && IsZdaFamily(instrumentCode)) return true;
    return IsGdmb(targetCode) && IsGdmb(instrumentCode);
}

std::string ModelMismatchText(const UpgradeContext& context, const ConnectionRecord& record) {
    std::string instrument = InstrumentModelText(record);
    instrument = instrument.substr(0, instrument.find(','));
    std::string target = context.targetModel.str();
    if (target.empty()) target = kUnknownModelText;
    if (instrument.empty()) instrument = kUnknownModelText;
    return platform::Format(kModelMismatchText, target.c_str(), instrument.c_str());
}

bool VersionHolds(VersionTest test, int32_t version, int32_t value) {
    switch (test) {
        case VersionTest::Gt:
            return version > value;
        case VersionTest::GtEq:
            return version >= value;
        case VersionTest::Lt:
            return version < value;
        case VersionTest::LtEq:
            return version <= value;
        case VersionTest::Eq:
            return version == value;
        default:
            return false;
    }
}

bool IsComparison(VersionTest test) {
    return test == VersionTest::Gt || test == VersionTest::GtEq || test == VersionTest::Lt ||
           test == VersionTest::LtEq || test == VersionTest::Eq;
}

// The target slot the instrument's version admits; nothing after telling the user why none.
std::optional<int> ChooseTargetSlot(ui::MessageBoxes& boxes, const UpgradeContext& context,
                                    const ConnectionRecord& record) {
    bool comparisonFailed = false;
    for (int slot = 0; slot < kTargetSlots; ++slot) {
        const TargetRule& rule = context.targets[static_cast<std::size_t>(slot)];
        if (slot == 0 &&
            (rule.versionTest == VersionTest::Any || record.modelCode == kModelBootcode))
            return 0;
        if (!IsComparison(rule.versionTest)) continue;
        auto fields = platform::SplitTerminated(record.versionReply.view(), ',');
        if (fields.size() < 2) {
            Tell(boxes, kVersionUnreadableText, ui::kAppName, ui::MessageIcon::Warning);
            return std::nullopt;
        }
        int32_t version = platform::ReadDecimal(fields[1]).value;
        if (VersionHolds(rule.versionTest, version, rule.versionValue)) return slot;
        comparisonFailed = true;
    }
    if (comparisonFailed) {
        Tell(boxes, kIncompatibleText, ui::kAppName, ui::MessageIcon::Information);
    } else {
        Tell(boxes, kNoTargetText, ui::kAppName, ui::MessageIcon::Warning);
    }
    return std::nullopt;
}

std::optional<std::string> ChooseFile(ui::FileDialogs& files) {
    ui::FileDialogRequest request;
    request.title = kSelectFirmwareFileTitle;
    request.filters = {{kDescriptorFilterName, kDescriptorFilterPattern},
                       {kHexFilterName, kHexFilterPattern}};
    request.filterIndex = 1;
    request.fileMustExist = true;
    request.pathMustExist = true;
    request.hideReadOnly = true;
    std::optional<std::string> path = files.OpenFile(request);
    if (path && path->empty()) path.reset();
    return path;
}

}  // namespace

bool RunFirmwareUpgrade(const UpgradeFlowUi& ui, ConnectionRecord& record) {
    PollRepliesOff quiet(record);
    std::optional<std::string> path = ChooseFile(ui.files);
    if (!path) return false;

    // Two slots of 50 entries with their paths: too big for the stack.
    auto plan = std::make_unique<LoadPlan>();
    UpgradeContext context{};
    bool planError = false;
    int32_t result = 0;

    bool identified = false;
    if (record.instrumentReady) {
        identified = Reidentify(ui, record);
        if (identified && record.interfaceKind == transport::InterfaceKind::Lan &&
            record.modelCode == kModelHlx43) {
            Tell(ui.boxes, kLanHlxText, ui::kAppName, ui::MessageIcon::Information);
            result = -1;
        }
    }
    if (!identified) {
        ui::MessageAnswer answer =
            ui.boxes.Show({kNoInstrumentQuestion, ui::kAppName, ui::MessageIcon::Question,
                           ui::MessageButtons::YesNo});
        if (answer != ui::MessageAnswer::Yes) result = -1;
    }
    // Whatever was answered, the channel is re-opened and the instrument asked again.
    Reidentify(ui, record);

    if (record.instrumentReady && result >= 0) {
        std::string extension = ExtensionOf(*path);
        if (extension == "hex") {
            result = BuildHexLoadPlan(ui.boxes, *path, *plan, planError);
        } else if (extension == "upg" || extension == "upx") {
            result = ParseUpgradeDescriptor(*path, *plan, kMaxLoadEntries, context, planError);
        }
    }
    if (result == kDescriptorRefused) {
        Tell(ui.boxes, kTooManyTargetsText, kUpgradeFirmwareTitle, ui::MessageIcon::Information);
        return false;
    }
    if (result == 0) {
        Tell(ui.boxes, kNoLoadLinesText, kUpgradeFirmwareTitle, ui::MessageIcon::Information);
        return false;
    }
    if (result >= kMaxLoadEntries) {
        Tell(ui.boxes,
             platform::Format(kTooManyLoadLinesText, kMaxLoadEntries, kMaxLoadEntries - 1),
             kUpgradeFirmwareTitle, ui::MessageIcon::Information);
        return false;
    }
    if (result < 0) return false;

    if (!FirmwareFits(context, record)) {
        Tell(ui.boxes, ModelMismatchText(context, record), ui::kAppName, ui::MessageIcon::Warning);
        return false;
    }
    std::optional<int> slot = ChooseTargetSlot(ui.boxes, context, record);
    if (!slot) return false;
    std::size_t chosen = static_cast<std::size_t>(*slot);
    int32_t count = plan->entryCount[chosen];
    if (count >= kMaxLoadEntries) return false;
    if (count <= 0) {
        Tell(ui.boxes, kNoLoadLinesText, kUpgradeFirmwareTitle, ui::MessageIcon::Information);
        return false;
    }
    LoadSlot& entries = plan->slots[chosen];
    // An upgrade that would program nothing still enters the bootloader and
    // leaves the instrument there until it restarts: refused before anything is sent.
    int32_t serial = SerialFromIdentity(record.identity.view());
    if (std::all_of(entries.begin(), entries.begin() + count,
                    [serial](const LoadEntry& entry) { return SerialExcludes(entry, serial); })) {
        Tell(ui.boxes, platform::Format(kNothingAppliesText, serial), kUpgradeFirmwareTitle,
             ui::MessageIcon::Information);
        return false;
    }

    const auto& warning = context.targets[chosen].warning;
    if (!warning.empty()) {
        ui::MessageAnswer answer =
            ui.boxes.Show({warning.str(), kFirmwareWarningTitle, ui::MessageIcon::Warning,
                           ui::MessageButtons::OkCancel});
        if (answer != ui::MessageAnswer::Ok) return false;
    }

    std::optional<std::string> preview;
    {
        ui::WaitCursorGuard hourglass(ui.cursor);  // every file is checked for the preview
        preview =
            BuildPlanPreview(std::span<LoadEntry>(entries.data(), static_cast<std::size_t>(count)),
                             record.identity.view(), context.targetModel.view(), planError);
    }
    if (!preview) return false;
    std::unique_ptr<ui::FilesListWindow> list = ui.dialogs.MakeFilesListWindow();
    if (!list || RunFilesListDialog(*list, planError, *preview) != ui::kFilesListAcceptId)
        return false;
    list.reset();
    preview.reset();

    context.entries = entries.data();
    {
        // Gone before succeeded is read: it waits for a worker still running.
        UpgradeDialog dialog(context, record);
        ui.dialogs.RunUpgradeDialog(dialog);
    }
    return context.succeeded;
}

}  // namespace orvane::firmware
