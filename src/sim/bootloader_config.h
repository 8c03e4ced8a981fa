#pragma once
// How the simulated instrument's bootloader behaves: its flash, its timing and
// the faults it can be told to show. Given to orvane2-sim as one option,
// --bootloader KEY[=VALUE],... (see BootloaderUsage).

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane::sim {

struct BootloaderConfig {
    uint32_t eraseMs = 100;            // the "ok" after "x" comes this much later
    uint32_t sectorSize = 256 * 1024;  // bytes per sector, addressed from 0 in each
    uint8_t initialFill = 0x00;        // what a never-erased sector holds
    // Every restart into the application writes each programmed sector to
    // imagePath + "." + sector number, and the bootloader's log (its events,
    // one a line) to imagePath + ".log"; empty: no files.
    std::string imagePath;

    // Faults. Records count from 1 in each bootloader session; a refused
    // record keeps its number when it is sent again.
    uint32_t refuseInit = 0;         // code 0 refused this many times
    uint32_t refuseRecord = 0;       // this record is refused ...
    uint32_t refuseRecordTimes = 1;  // ... this many times
    uint32_t silentFromRecord = 0;   // from this record on nothing is answered
    uint32_t garbageAtRecord = 0;    // this record gets garbage instead of "ok", once
    uint32_t hangUpAtRecord = 0;     // this record drops the connection
    uint32_t lateAtRecord = 0;       // this record is programmed, but its "ok" ...
    uint32_t lateMs = 6000;          // ... comes this much later, once
    uint32_t duplicateAtRecord = 0;  // this record is answered "ok" twice, once
};

// Reads a comma-separated list of KEY[=VALUE] into config; "image=" takes the
// rest of the text, commas included. False with the reason in error.
bool ParseBootloaderOptions(std::string_view text, BootloaderConfig& config, std::string& error);

// The lines --help shows for the option.
std::string BootloaderUsage();

}  // namespace orvane::sim
