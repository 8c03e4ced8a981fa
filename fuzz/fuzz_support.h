#pragma once
// What the harnesses share (the script tests' bench too): a scratch folder for
// the parsers that read a path, an instrument at the other end of a socket
// pair, and a check that fails loudly enough for libFuzzer and ctest.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/unique_fd.h"
#include "transport/connection_record.h"

namespace orvane::fuzz {

// Writes the bytes to name inside a folder private to this process (made on
// first use, removed at exit) and returns the full path.
std::string WriteScratchFile(std::string_view name, std::string_view bytes);

// Makes the record a connected LAN record, with these options, whose link is
// one end of a socket pair; returns the other end, the fuzzed instrument's.
platform::UniqueFd ConnectInstrument(transport::ConnectionRecord& record,
                                     transport::LinkOptions options = {});

// A promise of the code under test did not hold: abort, so that libFuzzer keeps
// the input and the replay test fails.
[[noreturn]] void Fail(const char* what, const char* file, int line);

}  // namespace orvane::fuzz

#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::orvane::fuzz::Fail(#condition, __FILE__, __LINE__))
