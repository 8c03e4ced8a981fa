#include "connection/model_table.h"

#include <gtest/gtest.h>

using namespace orvane::connection;

TEST(ModelTable, OrderCaseAndPrefixRules) {
    struct Case {
        const char* text;
        uint32_t code;
    } cases[] = {
        {"TRV8844,123", kModelTrv88},
        {"TRV8894", kModelTrv88},
        {"TRV8824", kModelTrv88},
        {"TRV88", kModelTrv88},
        {"TRV81", kModelTrv8},
        {"TRV8", kModelTrv8},
        {"TRV87x", kModelTrv8},
        {"TRV2801", kModelTrv28},
        {"TRV48", kModelTrv48},
        {"TRV98", kModelTrv98},
        {"TRV91", kModelTrv91},
        {"KTB interface 2", kModelTrv91},
        {"TRV68", kModelTrv68},
        {"WLM67", kModelTrv88},
        {"HLX4377", kModelHlx43},
        {"HLX99", kModelHlx43},
        {"RMN-KD", kModelHlx43},
        {"SMN-KD", kModelHlx43},
        {"HLX2382", kModelHlx23},
        {"GDMB68", kModelGdmb68},
        {"GDMB87", kModelGdmb87},
        {"BRQ1", kModelBrq},
        {"QMT", kModelBrq},
        {"VRN-5", kModelBrq},
        {"ZDAX1", kModelZdax},
        {"ZDA71", kModelZda71},
        {"ZDA79", kModelZda71},
        {"ZDA72", kModelZda71},
        {"ZDA45", kModelZda45},
        {"ZDA27", kModelZda45},
        {"ZDA13", kModelZda45},
        {"ZDA477", kModelZda477},
        {"ZDA47", kModelOtherZda},
        {"ZDA", kModelOtherZda},
        {"ZDAHLX23", kModelOtherZda},
        {"DWEL-RS232", kModelDwelAdaptor},
        // Case-sensitive and only at the start.
        {"trv88", kModelUnknown},
        {" TRV88", kModelUnknown},
        {"X TRV88", kModelUnknown},
        {"TRV", kModelUnknown},
        {"", kModelUnknown},
        {"zdax", kModelUnknown},
    };
    for (const Case& c : cases) EXPECT_EQ(ModelFromIdentity(c.text), c.code) << c.text;
}
