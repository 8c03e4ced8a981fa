#include "app/instrument_info.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "connection/model_table.h"

using namespace orvane::app;
using orvane::connection::kModelTrv88;
using orvane::connection::kModelTrv98;
using orvane::platform::LocalTime;
using orvane::transport::ConnectionRecord;
using orvane::transport::InterfaceKind;

namespace {
LocalTime Day(int y, int m, int d) {
    return {.year = y, .month = m, .day = d};
}

ConnectionRecord Trv88(const char* calibration) {
    ConnectionRecord r;
    r.instrumentReady = true;
    r.modelCode = kModelTrv88;
    r.interfaceKind = InterfaceKind::Usb;
    r.comPort = "ttyUSB0";
    r.baudRate = 19200;
    r.identity = "Kelmscot,TRV8844,SN1234,extra";
    r.versionReply = "V,Main,1.2,3.4,5.6,7.8";
    r.calibration = calibration;
    return r;
}

bool Has(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

bool Warned(const std::vector<InfoRun>& runs) {
    return std::ranges::any_of(runs,
                               [](const InfoRun& r) { return r.style == InfoStyle::Warning; });
}
}  // namespace

TEST(InstrumentInfo, OneLineStates) {
    ConnectionRecord r;
    auto shown = [&] { return ShowInstrumentInfo(r, Day(2026, 1, 3)); };
    using Runs = std::vector<InfoRun>;
    EXPECT_EQ(shown(), (Runs{{kInfoNoConnection, InfoStyle::Unchanged}}));
    r.instrumentReady = true;
    EXPECT_EQ(shown(), (Runs{{kInfoUnknownInstrument, InfoStyle::Bold}}));
    r.modelCode = orvane::connection::kModelBootcode;
    EXPECT_EQ(shown(), (Runs{{kInfoBootcodeOnly, InfoStyle::Bold}}));
}

TEST(InstrumentInfo, FullPaneWithHeadingsValuesAndDates) {
    ConnectionRecord r = Trv88("15_Mar_2023,other");
    r.calverReply = "02_Feb_2024";
    auto runs = ShowInstrumentInfo(r, Day(2024, 9, 1));
    EXPECT_EQ(InfoText(runs),
              "Connection Info.\n\n  Interface:  USB\n  Address:  ttyUSB0\n"
              "\n\nInstrument Info. \n\n  Model:  TRV8844\n  Serial No:  SN1234\n  Type:  Main\n"
              "  Main release:  1.2\n  FPGA release:  3.4\n  DSP release:  5.6\n"
              "  BOOT release:  7.8\n\n"
              "  Last local calibration:  \n    02 Feb 2024\n\n"
              "  Last KSL calibration:  \n    15 Mar 2023\n\n");
    EXPECT_FALSE(Warned(runs));  // due on 1 September 2024: not yet overdue
    runs = ShowInstrumentInfo(r, Day(2024, 9, 2));
    EXPECT_EQ(runs[runs.size() - 2], (InfoRun{kInfoOverdueWarning, InfoStyle::Warning}));

    // Serial names its baud rate, LAN its address; what the replies lack is "Unknown".
    r = Trv88("");
    r.interfaceKind = InterfaceKind::Serial;
    r.identity = "Kelmscot,TRV88";
    r.versionReply = "V,Main,1.2,3.4";
    std::string text = InfoText(ShowInstrumentInfo(r, Day(2026, 1, 1)));
    EXPECT_TRUE(Has(text, "  Interface:  Serial\n  Address:  ttyUSB0\n  Baudrate:  19200\n"));
    EXPECT_TRUE(Has(text, "  Serial No:  Unknown\n"));
    EXPECT_TRUE(Has(text, "  DSP release:  Unknown\n  BOOT release:  Unknown\n"));
    r.interfaceKind = InterfaceKind::Lan;
    r.ipAddress = "192.168.1.20";
    text = InfoText(ShowInstrumentInfo(r, Day(2026, 1, 1)));
    EXPECT_TRUE(Has(text, "  Interface:  LAN\n  Address:  192.168.1.20\n\n\nInstrument"));
}

TEST(InstrumentInfo, CalibrationRulesByModelAndForm) {
    struct Row {
        const char* name;
        const char* calibration;
        uint32_t model;
        LocalTime today;
        bool warned;
        const char* shown;  // a part of the pane; nullptr: no calibration line
    } rows[] = {
        {"other models: the date, never the warning", "15_Mar_2023", kModelTrv98, Day(2030, 1, 1),
         false, "  Last KSL calibration:  \n    15 Mar 2023\n\n"},
        {"the default calibration shows no date", "default_calibration", kModelTrv88,
         Day(2030, 1, 1), false, nullptr},
        {"two parts: each part and the warning, whatever the model", "Mar_2023", kModelTrv98,
         Day(2023, 4, 1), true, "  Last KSL calibration:  \n    Mar 2023 \n\n"},
        {"a month that cannot be read cannot be vouched for", "15_Xyz_2026", kModelTrv88,
         Day(2026, 3, 1), true, "Xyz"},
        {"a year that is not a number is long past", "15_Mar_soon", kModelTrv88, Day(2026, 3, 1),
         true, "Mar"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ConnectionRecord r = Trv88(row.calibration);
        r.modelCode = row.model;
        auto runs = ShowInstrumentInfo(r, row.today);
        EXPECT_EQ(Warned(runs), row.warned);
        const std::string text = InfoText(runs);
        EXPECT_TRUE(!row.shown || Has(text, row.shown));
        const bool otherModelOrNoDate = row.model == kModelTrv98 || !row.shown;
        EXPECT_FALSE(otherModelOrNoDate && Has(text, row.shown ? "local" : "KSL"));
    }
    // Month names by their first letters in any case; July plus 18 months is January two years on.
    for (auto [name, month] : {std::pair{"JAN", 1}, {"Sept", 9}, {"june", 6}, {"Ma", 0}})
        EXPECT_EQ(MonthFromName(name), month) << name;
    EXPECT_FALSE(CalibrationOverdue("31", "Jul", "2024", Day(2026, 1, 1)));
    EXPECT_TRUE(CalibrationOverdue("31", "Jul", "2024", Day(2026, 1, 2)));
}
