#pragma once
// The information pane's content: what is known of the connection and the
// instrument, as styled runs that a front end renders (the desktop program in a
// rich-text pane, the command-line front end with terminal colours).

#include <string>
#include <vector>

#include "platform/clock.h"
#include "transport/connection_record.h"
#include "ui/styled_text.h"

namespace orvane::app {

using InfoStyle = ui::TextStyle;
using InfoRun = ui::StyledRun;

inline constexpr const char kInfoNoConnection[] = "No connection";
inline constexpr const char kInfoUnknownInstrument[] = "Unknown Instrument";
inline constexpr const char kInfoBootcodeOnly[] = "Bootcode Only Instrument";
inline constexpr const char kInfoUnknownField[] = "Unknown";
inline constexpr const char kInfoOverdueWarning[] = "  >18 months since KSL Calibration  ";

// The whole pane for the record as it stands, judged against today's local date.
std::vector<InfoRun> ShowInstrumentInfo(const transport::ConnectionRecord& record,
                                        const platform::LocalTime& today);

// The pane as plain text, runs joined.
std::string InfoText(const std::vector<InfoRun>& runs);

// Month number 1..12 from an English month name by its first letters; 0 when not a month.
int MonthFromName(std::string_view name);

// True when a calibration on day/month/year is more than 18 months old on today
// (due on the first of the month 18 months later; not overdue on that day). A
// month name that is not recognised cannot be vouched for and counts as overdue.
bool CalibrationOverdue(std::string_view day, std::string_view monthName, std::string_view year,
                        const platform::LocalTime& today);

}  // namespace orvane::app
