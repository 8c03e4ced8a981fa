#pragma once
// The instrument's bootloader conversation, one step at a time: access codes,
// commands that must be answered "ok", and the progress arithmetic.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "transport/connection_record.h"

namespace orvane::firmware {

// Single bytes and short commands; each is sent as a text of its own.
inline constexpr char kEnterBootloader[] = "\x19";  // EM
inline constexpr char kEraseCommand[] = "x";
inline constexpr char kRestartCommand[] = "z\n";
inline constexpr char kRestartByte[] = "\x15";  // NAK

inline constexpr char kInitialiseCode[] = "6E0Bz\n";
inline constexpr std::array<const char*, 15> kSectorCodes = {
    "2B9Ey\n", "6D1Cy\n", "83E7y\n", "C42Ay\n", "9F6By\n", "1E8Dy\n", "7A2Cy\n", "D59Fy\n",
    "3C7Ay\n", "A61Ey\n", "58D2y\n", "E2A9y\n", "0D4Fy\n", "47CBy\n", "B93Dy\n",
};

// Replies are read into this many bytes, terminator included.
inline constexpr std::size_t kLoaderReplyCapacity = 127;

// The access code of a sector; empty for a sector the bootloader has none for.
std::string_view SectorAccessCode(int32_t sector);

// The reply ends in "ok", in any letter case. Nothing is trimmed first: a
// reply with a stray line end or blank after "ok" is a refusal.
bool EndsInOk(std::string_view reply);

struct LoaderReply {
    bool ok = false;   // the line ended in "ok"
    std::string text;  // the line as read; empty when none came
};

// Sends text and reads one reply line. Whatever came in with the previous
// reply is discarded first: it cannot be the reply to this text. A send that
// went nowhere fails at once instead of waiting for a reply that cannot come.
LoaderReply SendAndExpectOk(std::string_view text, transport::ConnectionRecord& record);

// SendAndExpectOk with the sector's access code. A sector without one fails
// without sending anything.
LoaderReply SendSectorCode(int32_t sector, transport::ConnectionRecord& record);

// 1..100. Stays within 64-bit arithmetic for any file size and gives 100 for
// an empty total rather than dividing by it.
int32_t PercentDone(uint64_t total, uint64_t done);

// Follows the address records of an Intel HEX file so that a refused record
// can be named by its full address.
class HexAddressTracker {
  public:
    // The full address of a data record (the base of the last extended
    // address record plus its own); the base itself for other records.
    uint32_t Follow(std::string_view record);

  private:
    uint32_t base_ = 0;
};

// A reply as it can be shown in a log line: quoted, control bytes as \xNN.
std::string PrintableReply(std::string_view reply);

}  // namespace orvane::firmware
