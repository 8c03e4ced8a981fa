#include "app/instrument_info.h"

#include <gtest/gtest.h>

#include "connection/model_table.h"

using namespace orvane::app;
using orvane::platform::LocalTime;
using orvane::transport::ConnectionRecord;
using orvane::transport::InterfaceKind;

namespace {
LocalTime Day(int y, int m, int d) {
    LocalTime t;
    t.year = y;
    t.month = m;
    t.day = d;
    return t;
}

ConnectionRecord Trv88(const char* calibration) {
    ConnectionRecord r;
    r.instrumentReady = true;
    r.modelCode = orvane::connection::kModelTrv88;
    r.interfaceKind = InterfaceKind::Usb;
    r.comPort = "ttyUSB0";
    r.baudRate = 19200;
    r.identity = "Kelmscot,TRV8844,SN1234,extra";
    r.versionReply = "V,Main,1.2,3.4,5.6,7.8";
    r.calibration = calibration;
    return r;
}

bool Warned(const std::vector<InfoRun>& runs) {
    for (const auto& run : runs) {
        if (run.style == InfoStyle::Warning) return true;
    }
    return false;
}
}  // namespace

TEST(InstrumentInfo, OneLineStates) {
    ConnectionRecord r;
    const LocalTime today = Day(2026, 1, 3);
    EXPECT_EQ(ShowInstrumentInfo(r, today),
              (std::vector<InfoRun>{{kInfoNoConnection, InfoStyle::Unchanged}}));
    r.instrumentReady = true;
    EXPECT_EQ(ShowInstrumentInfo(r, today),
              (std::vector<InfoRun>{{kInfoUnknownInstrument, InfoStyle::Bold}}));
    r.modelCode = orvane::connection::kModelBootcode;
    EXPECT_EQ(ShowInstrumentInfo(r, today),
              (std::vector<InfoRun>{{kInfoBootcodeOnly, InfoStyle::Bold}}));
}

TEST(InstrumentInfo, FullPaneWithHeadingsValuesAndDates) {
    ConnectionRecord r = Trv88("15_Mar_2023,other");
    r.calverReply = "02_Feb_2024";
    auto runs = ShowInstrumentInfo(r, Day(2024, 9, 1));
    ASSERT_GE(runs.size(), 3u);
    EXPECT_EQ(runs[0], (InfoRun{"Connection Info.\n\n", InfoStyle::Bold}));
    EXPECT_EQ(InfoText(runs),
              "Connection Info.\n\n"
              "  Interface:  USB\n"
              "  Address:  ttyUSB0\n"
              "\n\nInstrument Info. \n\n"
              "  Model:  TRV8844\n"
              "  Serial No:  SN1234\n"
              "  Type:  Main\n"
              "  Main release:  1.2\n"
              "  FPGA release:  3.4\n"
              "  DSP release:  5.6\n"
              "  BOOT release:  7.8\n"
              "\n"
              "  Last local calibration:  \n    02 Feb 2024\n\n"
              "  Last KSL calibration:  \n    15 Mar 2023\n\n");
    EXPECT_FALSE(Warned(runs));  // due on 1 September 2024: not yet overdue

    runs = ShowInstrumentInfo(r, Day(2024, 9, 2));
    EXPECT_TRUE(Warned(runs));
    EXPECT_EQ(runs.back(), (InfoRun{"\n", InfoStyle::Unchanged}));
    EXPECT_EQ(runs[runs.size() - 2], (InfoRun{kInfoOverdueWarning, InfoStyle::Warning}));
}

TEST(InstrumentInfo, ConnectionLinesAndMissingFields) {
    ConnectionRecord r = Trv88("");
    r.interfaceKind = InterfaceKind::Serial;
    r.comPort = "ttyS0";
    r.baudRate = 9600;
    r.identity = "Kelmscot,TRV88";
    r.versionReply = "V,Main,1.2,3.4";
    std::string text = InfoText(ShowInstrumentInfo(r, Day(2026, 1, 1)));
    EXPECT_NE(text.find("  Interface:  Serial\n  Address:  ttyS0\n  Baudrate:  9600\n"),
              std::string::npos);
    EXPECT_NE(text.find("  Serial No:  Unknown\n"), std::string::npos);
    EXPECT_NE(
        text.find("  FPGA release:  3.4\n  DSP release:  Unknown\n  BOOT release:  Unknown\n"),
        std::string::npos);
    EXPECT_EQ(text.find("calibration"), std::string::npos);

    r.interfaceKind = InterfaceKind::Lan;
    r.ipAddress = "192.168.1.20";
    text = InfoText(ShowInstrumentInfo(r, Day(2026, 1, 1)));
    EXPECT_NE(text.find("  Interface:  LAN\n  Address:  192.168.1.20\n\n\nInstrument"),
              std::string::npos);
}

TEST(InstrumentInfo, CalibrationRulesByModelAndForm) {
    // Outside the calibration-date models: the date line, never the warning or local line.
    ConnectionRecord r = Trv88("15_Mar_2023");
    r.modelCode = orvane::connection::kModelTrv98;
    r.calverReply = "02_Feb_2024";
    auto runs = ShowInstrumentInfo(r, Day(2030, 1, 1));
    EXPECT_FALSE(Warned(runs));
    EXPECT_NE(InfoText(runs).find("  Last KSL calibration:  \n    15 Mar 2023\n\n"),
              std::string::npos);
    EXPECT_EQ(InfoText(runs).find("local"), std::string::npos);

    r = Trv88("default_calibration");
    runs = ShowInstrumentInfo(r, Day(2030, 1, 1));
    EXPECT_FALSE(Warned(runs));
    EXPECT_EQ(InfoText(runs).find("KSL"), std::string::npos);

    // Two parts: every part and the warning, whatever the model.
    r = Trv88("Mar_2023");
    r.modelCode = orvane::connection::kModelTrv98;
    runs = ShowInstrumentInfo(r, Day(2023, 4, 1));
    EXPECT_TRUE(Warned(runs));
    EXPECT_NE(InfoText(runs).find("  Last KSL calibration:  \n    Mar 2023 \n\n"),
              std::string::npos);

    // A month that cannot be read cannot be vouched for.
    r = Trv88("15_Foo_2026");
    EXPECT_FALSE(Warned(ShowInstrumentInfo(r, Day(2026, 3, 1))));  // F reads as February
    r = Trv88("15_Xyz_2026");
    EXPECT_TRUE(Warned(ShowInstrumentInfo(r, Day(2026, 3, 1))));
    // A year that is not a number is long past.
    r = Trv88("15_Mar_soon");
    EXPECT_TRUE(Warned(ShowInstrumentInfo(r, Day(2026, 3, 1))));
}

TEST(InstrumentInfo, MonthNamesAndDueDates) {
    const char* names[] = {"JAN",  "feb", "March", "apr", "MAY", "june",
                           "July", "aug", "Sept",  "oct", "Nov", "dec"};
    for (int m = 1; m <= 12; ++m) EXPECT_EQ(MonthFromName(names[m - 1]), m) << names[m - 1];
    EXPECT_EQ(MonthFromName("Ma"), 0);
    EXPECT_EQ(MonthFromName("J"), 0);
    EXPECT_EQ(MonthFromName(""), 0);
    // July plus 18 months wraps into January two years on.
    EXPECT_FALSE(CalibrationOverdue("31", "Jul", "2024", Day(2026, 1, 1)));
    EXPECT_TRUE(CalibrationOverdue("31", "Jul", "2024", Day(2026, 1, 2)));
}
