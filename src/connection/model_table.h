#pragma once
// Model codes and the table that turns a model name into one.

#include <cstdint>
#include <string_view>

namespace orvane::connection {

inline constexpr uint32_t kModelUnknown = 0;
inline constexpr uint32_t kModelTrv48 = 1;
inline constexpr uint32_t kModelTrv98 = 2;
inline constexpr uint32_t kModelTrv91 = 3;
inline constexpr uint32_t kModelTrv68 = 4;
inline constexpr uint32_t kModelTrv88 = 5;
inline constexpr uint32_t kModelTrv8 = 6;
inline constexpr uint32_t kModelHlx43 = 7;
inline constexpr uint32_t kModelHlx23 = 9;
inline constexpr uint32_t kModelGdmb68 = 10;
inline constexpr uint32_t kModelGdmb87 = 11;
inline constexpr uint32_t kModelBrq = 12;
inline constexpr uint32_t kModelZda71 = 13;
inline constexpr uint32_t kModelZda45 = 15;
inline constexpr uint32_t kModelTrv28 = 16;
inline constexpr uint32_t kModelZda477 = 17;
inline constexpr uint32_t kModelZdax = 18;
inline constexpr uint32_t kModelOtherZda = 9997;
inline constexpr uint32_t kModelBootcode = 9998;
inline constexpr uint32_t kModelDwelAdaptor = 9999;

// The code of the model named at the start of text (case-sensitive, first match
// in table order); 0 when nothing matches.
uint32_t ModelFromIdentity(std::string_view text);

}  // namespace orvane::connection
