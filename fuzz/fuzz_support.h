#pragma once
// What the harnesses share: a scratch folder of their own for the parsers that
// read a path, and a check that fails loudly enough for libFuzzer and ctest.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvane::fuzz {

// A folder private to this process, made on first use and removed at exit. It
// lies in /dev/shm when that can be written, so fuzzing does not wear the disk.
const std::string& ScratchDir();

// Writes the bytes to name inside the scratch folder and returns the full path.
std::string WriteScratchFile(std::string_view name, const uint8_t* data, std::size_t size);
std::string WriteScratchFile(std::string_view name, std::string_view text);

// A promise of the code under test did not hold: abort, so that libFuzzer keeps
// the input and the replay test fails.
[[noreturn]] void Fail(const char* what, const char* file, int line);

}  // namespace orvane::fuzz

#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::orvane::fuzz::Fail(#condition, __FILE__, __LINE__))
