#pragma once
// Who the simulated instrument says it is, what it answers, and how it misbehaves.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/bootloader_config.h"

namespace orvane::platform {
class Diagnostics;
}

namespace orvane::sim {

inline constexpr std::string_view kDefaultMaker = "Kelmscot";
inline constexpr std::string_view kDefaultModel = "TRV8844";
inline constexpr std::string_view kDefaultSerial = "10234";
inline constexpr std::string_view kDefaultFirmwareField = "1.20";
// First field is day_month_year, as the information pane reads it.
inline constexpr std::string_view kDefaultCalstr = "15_Mar_2025,KSL";
inline constexpr std::string_view kDefaultCalver = "02_Jun_2025";
// Field 2 is the internal version (an integer), then main, FPGA, DSP and boot releases.
inline constexpr std::string_view kDefaultVersion = "VERSION,3,1.20,2.05,1.07,1.02";

inline constexpr std::string_view kLineEnd = "\r\n";

// What an instrument running only its bootloader answers to "*IDN?": a memory
// dump line with no comma, ":    32 32 32 32" from its eighth character on.
inline constexpr std::string_view kBootcodeDumpLine = "0000400:    32 32 32 32 FF FF FF FF";

// One model name from each row of the model table, for --model.
inline constexpr std::string_view kKnownModels[] = {
    "TRV48",  "TRV98", "TRV91", "TRV68", "TRV8844", "TRV8",   "HLX4377", "HLX2382", "GDMB68",
    "GDMB87", "BRQ",   "ZDA71", "ZDA45", "TRV2801", "ZDA477", "ZDAX",    "ZDA99",   "DWEL-RS232",
};

struct InstrumentConfig {
    // Identity: maker,model,serial[,further...], unless `identity` is set, which is
    // then the whole answer (for odd answers: no comma, an unknown model, ...).
    std::string maker{kDefaultMaker};
    std::string model{kDefaultModel};
    std::string serial{kDefaultSerial};
    std::vector<std::string> furtherFields{std::string(kDefaultFirmwareField)};
    std::string identity;

    std::string calstr{kDefaultCalstr};
    std::string calver{kDefaultCalver};
    std::string version{kDefaultVersion};

    // Values of the measurement queries.
    double reading = 1.2345;
    double temperature = 23.5;
    double frequency = 50.0;

    // Answers "*IDN?" with the bootloader's dump line instead of the identity.
    bool bootcode = false;

    // Faults.
    bool silent = false;                // receives and counts, never sends a byte
    uint32_t idnFromQuery = 0;          // answers "*IDN?" only from this query on; 0 and 1: always
    uint32_t hangUpAfterBytes = 0;      // drops the connection once it has sent this many; 0: never
    uint32_t trickleMs = 0;             // sends one byte every this many ms; 0: at once
    bool flood = false;                 // once spoken to, sends numbered lines without end
    bool floodWithoutLineEnds = false;  // the flood's lines lose their CR LF
    // On the first command it does not know, sends this many flood lines as fast
    // as the link takes them, then nothing more; 0: none.
    uint32_t floodCount = 0;

    BootloaderConfig bootloader;

    // Where the sim's trace lines go; none: nowhere.
    platform::Diagnostics* diagnostics = nullptr;
};

// The answer to "*IDN?" (without its line end).
std::string IdentityText(const InstrumentConfig& config);

}  // namespace orvane::sim
