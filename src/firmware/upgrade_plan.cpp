#include "firmware/upgrade_plan.h"

namespace orvane::firmware {

int32_t MaxSector(std::string_view targetModel) {
    for (std::string_view prefix : {"TRV28", "BRQ", "QMT", "VRN"}) {
        if (targetModel.starts_with(prefix)) return 15;
    }
    if (targetModel.starts_with("ZDA")) return 8;
    return 7;
}

}  // namespace orvane::firmware
