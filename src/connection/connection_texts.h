#pragma once
#include <cstdint>

// The texts of the Connect dialog and of the identification sequence, all under
// the caption "Test Connection".

namespace orvane::connection {

inline constexpr const char kTestConnectionCaption[] = "Test Connection";
inline constexpr const char kUnableToOpenPort[] = "Unable to open port %s";
inline constexpr const char kFailedToConnectToIp[] = "Failed to connect to IP address %s";
inline constexpr const char kConnectionSuccessful[] = "The connection was successful\n";
inline constexpr const char kBootcodeInstrument[] = "Bootcode Instrument";
inline constexpr const char kUnknownInstrument[] = "Unknown Instrument";
inline constexpr const char kIncompatibleInstrument[] = "Incompatable instrument";
inline constexpr const char kConnectionFailed[] = "The connection failed";
// Save as Default could not store the choices (caption "Orvane2").
inline constexpr const char kSettingsNotSaved[] =
    "The connection settings were not saved to %s:\n%s";
inline constexpr const char kNoSettingsFile[] =
    "The connection settings were not saved: there is no settings folder (HOME is not set).";

// The reasons added on the line after an open failure, so the user knows what to do.
inline constexpr const char kReasonPermission[] =
    "Permission denied: the port belongs to the group \"%s\". Add yourself to that group "
    "(sudo adduser $USER %s) and log in again.";
// When no group that is safe to join may read and write the port.
inline constexpr const char kReasonPermissionOwner[] =
    "Permission denied: the port belongs to the user \"%s\" and the group \"%s\" with mode "
    "%04o, and there is no group you should join to use it. A udev rule can give the port a "
    "group that may read and write it (for example GROUP=\"dialout\", MODE=\"0660\").";
inline constexpr const char kReasonBusy[] =
    "The port is in use by another program; close it and try again.";
inline constexpr const char kReasonNoDevice[] =
    "There is no such port; check that the instrument is plugged in and switched on.";
inline constexpr const char kReasonRefused[] =
    "The instrument refused the connection: nothing listens on TCP port %u at that address.";
inline constexpr const char kReasonNoAnswer[] = "Nothing answered within 2 seconds.";
// The address, then what the system said.
inline constexpr const char kReasonBroadcast[] =
    "%s is a broadcast address, which reaches every machine on a network and cannot be connected "
    "to "
    "(the system said: %s). Give the address of the instrument itself.";
inline constexpr const char kReasonBadAddress[] =
    "That is not a dotted IPv4 address such as 192.168.1.20.";
inline constexpr const char kReasonOther[] = "The system said: %s.";
// The port opened and nothing answered the identification queries: the port, the
// rate and the number of queries, or the address and the number.
inline constexpr const char kReasonSilentPort[] =
    "No instrument answered on %s at %u baud after %d identification queries. Check the port, "
    "the baud rate, the cable and the instrument's interface setting.";
inline constexpr const char kReasonSilentAddress[] =
    "No instrument answered on %s after %d identification queries. Check the address, the "
    "network cable and the instrument's interface setting.";
// A value the settings file (or a caller) gave that no port can use.
inline constexpr const char kReasonBadInterface[] =
    "The setting Interface is %u, which is no interface: it must be 1 (USB), 2 (LAN) or 3 "
    "(Serial).";
inline constexpr const char kReasonNoBaudRate[] =
    "The setting BaudRate is missing or 0; the port needs one of %s.";
inline constexpr const char kReasonBadBaudRate[] =
    "The setting BaudRate is %u, a rate the port cannot run at; it must be one of %s.";
inline constexpr const char kReasonPortPathTooLong[] =
    "The path of the port is %zu characters long, more than the %zu allowed; a shorter symbolic "
    "link to the "
    "device will do.";

// Trace lines of the sequence.
inline constexpr const char kTraceConnecting[] = "***\tCONNECTING\t***\n";
inline constexpr const char kTraceConnected[] = "***\tCONNECTED\t***\n";
inline constexpr const char kTraceIdentifiedBootcode[] = "***\tIDENTIFIED: %s (bootcode)\t***\n";
inline constexpr const char kTraceIdentified[] = "***\tIDENTIFIED: %s (%d)\t***\n";
inline constexpr const char kTraceUnidentified[] = "***\tUNIDENTIFIED INSTRUMENT\t***\n";

}  // namespace orvane::connection

namespace orvane::connection {

inline constexpr const char kPleaseEnterIp[] = "Please enter an IP address";
inline constexpr const char kPleaseSelectComPort[] = "Please select a COM Port";
inline constexpr const char kPleaseChooseBaud[] = "Please choose a baudrate";
inline constexpr const char kLabelComPort[] = "COM Port:";
inline constexpr const char kLabelIpAddress[] = "IP Address:";
inline constexpr const char kInterfaceNames[3][8] = {"USB", "LAN", "Serial"};
inline constexpr const char kBaudRates[6][6] = {"1200", "2400", "4800", "9600", "19200", "38400"};
inline constexpr uint32_t kUsbBaudRate = 19200;

}  // namespace orvane::connection
