#include <optional>

#include "platform/text.h"
#include "sim/bootloader_config.h"

namespace orvane::sim {
namespace {

bool Number(std::string_view text, uint32_t max, uint32_t& out) {
    std::optional<uint32_t> value = platform::ReadUnsigned(text);
    if (!value || *value > max) return false;
    out = *value;
    return true;
}

}  // namespace

bool ParseBootloaderOptions(std::string_view text, BootloaderConfig& c, std::string& error) {
    while (!text.empty()) {
        std::string_view item = text;
        if (item.starts_with("image=")) {
            text = {};
        } else {
            auto comma = text.find(',');
            item = text.substr(0, comma);
            text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        }
        auto equals = item.find('=');
        std::string_view key = item.substr(0, equals);
        std::string_view value =
            equals == std::string_view::npos ? std::string_view() : item.substr(equals + 1);
        bool ok = true;
        uint32_t fill = 0;
        if (key == "image") {
            c.imagePath = std::string(value);
            ok = !value.empty();
        } else if (key == "erase-ms") {
            ok = Number(value, 600000, c.eraseMs);
        } else if (key == "sector-size") {
            ok = Number(value, 64u << 20, c.sectorSize) && c.sectorSize > 0;
        } else if (key == "fill") {
            ok = Number(value, 255, fill);
            c.initialFill = static_cast<uint8_t>(fill);
        } else if (key == "refuse-init") {
            c.refuseInit = 1;
            ok = value.empty() || Number(value, UINT32_MAX, c.refuseInit);
        } else if (key == "refuse-record") {
            // N or NxK
            auto x = value.find('x');
            ok = Number(value.substr(0, x), UINT32_MAX, c.refuseRecord) &&
                 (x == std::string_view::npos ||
                  Number(value.substr(x + 1), UINT32_MAX, c.refuseRecordTimes));
        } else if (key == "silent-from") {
            ok = Number(value, UINT32_MAX, c.silentFromRecord);
        } else if (key == "garbage-at") {
            ok = Number(value, UINT32_MAX, c.garbageAtRecord);
        } else if (key == "hang-up-at") {
            ok = Number(value, UINT32_MAX, c.hangUpAtRecord);
        } else if (key == "late-at") {
            // N or N:MS
            auto colon = value.find(':');
            ok = Number(value.substr(0, colon), UINT32_MAX, c.lateAtRecord) &&
                 (colon == std::string_view::npos ||
                  Number(value.substr(colon + 1), 600000, c.lateMs));
        } else if (key == "duplicate-at") {
            ok = Number(value, UINT32_MAX, c.duplicateAtRecord);
        } else {
            error = "--bootloader: unknown setting: " + std::string(item);
            return false;
        }
        if (!ok) {
            error = "--bootloader: bad value: " + std::string(item);
            return false;
        }
    }
    return true;
}

std::string BootloaderUsage() {
    return R"(  --bootloader LIST      how the bootloader (entered with byte 0x19) behaves; LIST is
                         comma-separated, "image=" last:
                           erase-ms=MS        erase time of a sector (100)
                           sector-size=BYTES  size of each sector (262144)
                           fill=BYTE          content of a never-erased sector (0)
                           refuse-init[=K]    refuse code 0 K times (1)
                           refuse-record=N[xK] refuse record N K times (1)
                           silent-from=N      answer nothing from record N on
                           garbage-at=N       answer record N with garbage, once
                           hang-up-at=N       drop the connection at record N
                           late-at=N[:MS]     program record N but answer it MS later,
                                              once; later answers wait behind it (6000)
                           duplicate-at=N     answer record N "ok" twice, once
                           image=PATH         on every restart into the application,
                                              write each programmed sector to PATH.N
                                              and what the bootloader did to PATH.log
)";
}

}  // namespace orvane::sim
