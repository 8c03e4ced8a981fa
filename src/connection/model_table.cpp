#include "connection/model_table.h"

namespace orvane::connection {
namespace {

struct Row {
    const char* name;
    uint32_t code;
};

// Order matters: longer names before the prefixes that would also catch them.
constexpr Row kZdaRows[] = {
    {"ZDAX", kModelZdax},   {"ZDA71", kModelZda71},   {"ZDA79", kModelZda71},
    {"ZDA72", kModelZda71}, {"ZDA45", kModelZda45},   {"ZDA27", kModelZda45},
    {"ZDA13", kModelZda45}, {"ZDA477", kModelZda477},
};

constexpr Row kRows[] = {
    {"HLX23", kModelHlx23},
    {"HLX99", kModelHlx43},
    {"HLX43", kModelHlx43},
    {"RMN-KD", kModelHlx43},
    {"SMN-KD", kModelHlx43},
    {"GDMB68", kModelGdmb68},
    {"GDMB87", kModelGdmb87},
    {"TRV88", kModelTrv88},
    {"WLM67", kModelTrv88},
    {"TRV68", kModelTrv68},
    {"TRV28", kModelTrv28},
    {"TRV98", kModelTrv98},
    {"TRV91", kModelTrv91},
    {"KTB interface", kModelTrv91},
    {"TRV48", kModelTrv48},
    {"TRV8", kModelTrv8},
    {"DWEL-RS232", kModelDwelAdaptor},
    {"BRQ", kModelBrq},
    {"QMT", kModelBrq},
    {"VRN", kModelBrq},
};

bool StartsWith(std::string_view text, const char* name) {
    return text.substr(0, std::string_view(name).size()) == name;
}

}  // namespace

uint32_t ModelFromIdentity(std::string_view text) {
    if (StartsWith(text, "ZDA")) {
        for (const Row& row : kZdaRows) {
            if (StartsWith(text, row.name)) return row.code;
        }
        return kModelOtherZda;
    }
    for (const Row& row : kRows) {
        if (StartsWith(text, row.name)) return row.code;
    }
    return kModelUnknown;
}

}  // namespace orvane::connection
