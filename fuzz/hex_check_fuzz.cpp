// The Intel HEX check that proves a firmware file before anything is erased.

#include "firmware/hex_check.h"
#include "fuzz_support.h"

using namespace orvane::firmware;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    HexCheck check = CheckHexFile(orvane::fuzz::WriteScratchFile("fuzz.hex", input));
    std::string said = DescribeHexCheck(check);

    FUZZ_CHECK(check.fault != HexFault::CannotRead && check.fault != HexFault::IsFolder &&
               check.fault != HexFault::NotAFile);
    FUZZ_CHECK(check.ok() == said.empty());
    if (check.ok()) {
        // Sound means an end-of-file record was there, so a record at least.
        FUZZ_CHECK(input.find(":00") != std::string_view::npos);
        FUZZ_CHECK(check.line == 0);
        return 0;
    }
    int64_t lines = 1;
    for (char c : input) lines += c == '\n';
    FUZZ_CHECK(check.line >= 0 && check.line <= lines);
    // The line a fault names is what the user is sent to look at.
    if (check.line > 0) FUZZ_CHECK(said.ends_with(" at line " + std::to_string(check.line)));
    return 0;
}
