#pragma once
// Proves a firmware hex file before anything is erased: every line that
// begins with ":" must be a well-formed Intel HEX record and the file must end
// with an end-of-file record. Lines that do not begin with ":" are allowed;
// the worker does not send them.

#include <cstdint>
#include <string>

namespace orvane::firmware {

// The worker reads a hex file in pieces of at most this many characters and
// sends every piece that begins with ":"; a longer record would go out cut.
inline constexpr int64_t kLoaderLineLimit = 510;

enum class HexFault {
    None,
    CannotRead,
    IsFolder,
    NotAFile,
    NotHexDigit,
    ByteCountMismatch,
    BadChecksum,
    UnknownRecordType,
    WrongLengthForType,
    RecordTooLong,
    LineTooLong,  // a long non-record line whose continuation would be sent as a record
    RecordAfterEnd,
    NoEndRecord,
};

inline constexpr char kHexCannotReadText[] = "cannot be read";
inline constexpr char kHexIsFolderText[] = "is a folder, not a file";
inline constexpr char kHexNotAFileText[] = "is not a regular file";
inline constexpr char kHexNotHexDigitText[] = "character that is not a hex digit";
inline constexpr char kHexByteCountText[] = "byte count does not match the line";
inline constexpr char kHexBadChecksumText[] = "bad checksum";
inline constexpr char kHexUnknownTypeText[] = "unknown record type";
inline constexpr char kHexWrongLengthText[] = "wrong length for the record type";
inline constexpr char kHexRecordTooLongText[] = "record too long for the loader";
inline constexpr char kHexLineTooLongText[] = "line too long for the loader";
inline constexpr char kHexRecordAfterEndText[] = "record after the end-of-file record";
inline constexpr char kHexNoEndRecordText[] = "no end-of-file record";

struct HexCheck {
    HexFault fault = HexFault::None;
    int64_t line = 0;    // 1-based line of the fault; 0 when it belongs to no line
    std::string detail;  // the system's reason when the file cannot be read
    bool ok() const { return fault == HexFault::None; }
};

// Reads the file once, front to back, holding at most one record in memory.
HexCheck CheckHexFile(const std::string& path);

// "bad checksum at line 1207", "no end-of-file record", "cannot be read: ..."
std::string DescribeHexCheck(const HexCheck& check);

}  // namespace orvane::firmware
