#include "sim/instrument_config.h"

namespace orvane::sim {

std::string IdentityText(const InstrumentConfig& config) {
    if (config.bootcode) return std::string(kBootcodeDumpLine);
    if (!config.identity.empty()) return config.identity;
    std::string text = config.maker + "," + config.model + "," + config.serial;
    for (const std::string& field : config.furtherFields) text += "," + field;
    return text;
}

}  // namespace orvane::sim
