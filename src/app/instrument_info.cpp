#include "app/instrument_info.h"

#include <cstdlib>

#include "connection/model_table.h"
#include "platform/text.h"

namespace orvane::app {

using transport::ConnectionRecord;
using transport::InterfaceKind;

namespace {

bool IsCalibrationDateModel(uint32_t code) {
    using namespace connection;
    return code == kModelTrv48 || code == kModelTrv68 || code == kModelTrv88 ||
           code == kModelTrv8 || code == kModelTrv28;
}

// Piece n (1-based) or the fallback when there are fewer pieces.
std::string Piece(const std::vector<std::string_view>& pieces, std::size_t n,
                  const char* fallback) {
    return std::string(n <= pieces.size() ? pieces[n - 1] : fallback);
}

// Day, month and year as the pane shows a calibration date.
std::string DateText(const std::vector<std::string_view>& pieces) {
    return std::string(pieces[0]) + " " + std::string(pieces[1]) + " " + std::string(pieces[2]);
}

class PaneBuilder {
  public:
    void Add(std::string text, InfoStyle style = InfoStyle::Unchanged) {
        if (!runs_.empty() && runs_.back().style == style) {
            runs_.back().text += text;
        } else {
            runs_.push_back({std::move(text), style});
        }
    }
    std::vector<InfoRun> Take() { return std::move(runs_); }

  private:
    std::vector<InfoRun> runs_;
};

const char* InterfaceName(InterfaceKind kind) {
    switch (kind) {
        case InterfaceKind::Usb:
            return "USB";
        case InterfaceKind::Lan:
            return "LAN";
        case InterfaceKind::Serial:
            return "Serial";
        default:
            return "";
    }
}

}  // namespace

int MonthFromName(std::string_view name) {
    auto up = [&](std::size_t i) {
        return i < name.size() ? platform::ToUpperAscii(name[i]) : '\0';
    };
    switch (up(0)) {
        case 'F':
            return 2;
        case 'S':
            return 9;
        case 'O':
            return 10;
        case 'N':
            return 11;
        case 'D':
            return 12;
        case 'A':
            if (up(1) == 'P') return 4;
            if (up(1) == 'U') return 8;
            return 0;
        case 'M':
            if (up(2) == 'Y') return 5;
            if (up(2) == 'R') return 3;
            return 0;
        case 'J':
            if (up(1) == 'A') return 1;
            if (up(1) == 'U' && up(2) == 'N') return 6;
            if (up(1) == 'U' && up(2) == 'L') return 7;
            return 0;
        default:
            return 0;
    }
}

bool CalibrationOverdue(std::string_view day, std::string_view monthName, std::string_view year,
                        const platform::LocalTime& today) {
    (void)day;  // the due date is always the first of its month
    int month = MonthFromName(monthName);
    if (month == 0) return true;
    long dueYear = long{platform::ReadDecimal(year, platform::kBlanks).value} + 1;
    long dueMonth = month + 6;
    if (dueMonth > 12) {
        dueMonth -= 12;
        ++dueYear;
    }
    long due = dueYear * 10000 + dueMonth * 100 + 1;
    long now = static_cast<long>(today.year) * 10000 + today.month * 100 + today.day;
    return now > due;
}

std::vector<InfoRun> ShowInstrumentInfo(const ConnectionRecord& r,
                                        const platform::LocalTime& today) {
    PaneBuilder pane;
    if (!r.instrumentReady) {
        pane.Add(kInfoNoConnection);
        return pane.Take();
    }
    if (r.modelCode == connection::kModelUnknown) {
        pane.Add(kInfoUnknownInstrument, InfoStyle::Bold);
        return pane.Take();
    }
    if (r.modelCode == connection::kModelBootcode) {
        pane.Add(kInfoBootcodeOnly, InfoStyle::Bold);
        return pane.Take();
    }

    pane.Add("Connection Info.\n\n", InfoStyle::Bold);
    pane.Add(std::string("  Interface:  ") + InterfaceName(r.interfaceKind) + "\n");
    pane.Add("  Address:  " +
             (r.interfaceKind == InterfaceKind::Lan ? r.ipAddress.str() : r.comPort) + "\n");
    if (r.interfaceKind == InterfaceKind::Serial)
        pane.Add("  Baudrate:  " + std::to_string(r.baudRate) + "\n");

    pane.Add("\n\nInstrument Info. \n\n", InfoStyle::Bold);
    auto id = platform::SplitTerminated(r.identity.view(), ',');
    auto version = platform::SplitTerminated(r.versionReply.view(), ',');
    pane.Add("  Model:  " + Piece(id, 2, kInfoUnknownField) + "\n");
    pane.Add("  Serial No:  " + Piece(id, 3, kInfoUnknownField) + "\n");
    pane.Add("  Type:  " + Piece(version, 2, kInfoUnknownField) + "\n");
    pane.Add("  Main release:  " + Piece(version, 3, kInfoUnknownField) + "\n");
    pane.Add("  FPGA release:  " + Piece(version, 4, kInfoUnknownField) + "\n");
    pane.Add("  DSP release:  " + Piece(version, 5, kInfoUnknownField) + "\n");
    pane.Add("  BOOT release:  " + Piece(version, 6, kInfoUnknownField) + "\n");
    pane.Add("\n");

    bool dateModel = IsCalibrationDateModel(r.modelCode);
    auto local = platform::SplitTerminated(r.calverReply.view(), '_');
    if (dateModel && local.size() >= 3 && !local[0].empty() && !local[1].empty() &&
        !local[2].empty()) {
        pane.Add("  Last local calibration:  \n    " + DateText(local) + "\n\n");
    }

    auto calFields = platform::SplitTerminated(r.calibration.view(), ',');
    auto maker =
        platform::SplitTerminated(calFields.empty() ? std::string_view() : calFields[0], '_');
    if (maker.size() >= 3 && !maker[0].empty() && !maker[1].empty() && !maker[2].empty()) {
        pane.Add("  Last KSL calibration:  \n    " + DateText(maker) + "\n\n");
        if (dateModel && CalibrationOverdue(maker[0], maker[1], maker[2], today)) {
            pane.Add(kInfoOverdueWarning, InfoStyle::Warning);
            pane.Add("\n");
        }
    } else if (!maker.empty() && maker[0].compare(0, 7, "default") != 0) {
        std::string line = "  Last KSL calibration:  \n    ";
        for (std::string_view part : maker) line.append(part).append(" ");
        pane.Add(line + "\n\n");
        pane.Add(kInfoOverdueWarning, InfoStyle::Warning);
        pane.Add("\n");
    }
    return pane.Take();
}

std::string InfoText(const std::vector<InfoRun>& runs) {
    std::string text;
    for (const InfoRun& run : runs) text += run.text;
    return text;
}

}  // namespace orvane::app
