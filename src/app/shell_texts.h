#pragma once
// Messages of the main window's commands, shown under the caption "Orvane2".

namespace orvane::app {

inline constexpr const char kCommsFailed[] = "Comms Failed - the connection will be closed";
inline constexpr const char kReestablishQuestion[] =
    "A problem has occurred trying to read data from the instrument. Would you like to attempt to "
    "re-establish communications?";
inline constexpr const char kUnableToCreateTextFile[] = "Unable to create text file";
inline constexpr const char kResultsNotSaved[] = "The results were not saved to %s:\n%s";
inline constexpr const char kSettingsUnreadable[] = "The settings file %s cannot be read:\n%s";
inline constexpr const char kTextFileFilterName[] = "Text File *.txt";
inline constexpr const char kTextFileFilterPattern[] = "*.txt";
inline constexpr const char kTextFileExtension[] = "txt";

inline constexpr const char kCaptionSuffixBootcode[] = ",Bootcode Instrument";
inline constexpr const char kCaptionSuffixUnknown[] = ",Unknown Connection";

// Settings of the main window.
inline constexpr const char kSectionInit[] = "Init";
inline constexpr const char kKeyCreated[] = "Created";
inline constexpr const char kKeyWindowWidth[] = "MainWindowWidth";
inline constexpr const char kKeyWindowHeight[] = "MainWindowHeight";

// Deleted at start-up when an argument -d1 (or -D1) is given.
inline constexpr const char kDebugFilePath[] = "/tmp/orvane2.dbg";

}  // namespace orvane::app
