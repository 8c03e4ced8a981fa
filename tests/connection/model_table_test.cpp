#include "connection/model_table.h"

#include <gtest/gtest.h>

using namespace orvane::connection;

// The rules of the lookup, not the table again: longer names sit before their
// shorter prefixes; case counts; only the start of the model field is looked at.
TEST(ModelTable, FirstPrefixWinsCaseSensitivelyAtTheStart) {
    const struct {
        const char* text;
        uint32_t code;
    } cases[] = {
        {"TRV8844,123", kModelTrv88},     {"TRV87x", kModelTrv8},       {"TRV2801", kModelTrv28},
        {"KTB interface 2", kModelTrv91}, {"WLM67", kModelTrv88},       {"ZDA477", kModelZda477},
        {"ZDA47", kModelOtherZda},        {"ZDAHLX23", kModelOtherZda}, {"ZDAX1", kModelZdax},
        {"trv88", kModelUnknown},         {" TRV88", kModelUnknown},    {"X TRV88", kModelUnknown},
        {"TRV", kModelUnknown},           {"", kModelUnknown},
    };
    for (const auto& c : cases) EXPECT_EQ(ModelFromIdentity(c.text), c.code) << c.text;
}
