#include "firmware_test_files.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace orvane::firmware::testing {

TempFolder::TempFolder() {
    char pattern[] = "/tmp/orvane_fw_XXXXXX";
    const char* made = ::mkdtemp(pattern);
    EXPECT_NE(made, nullptr);
    path_ = std::string(made ? made : "/tmp") + "/";
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::Write(const std::string& name, const std::string& content) const {
    std::string full = path_ + name;
    std::filesystem::create_directories(std::filesystem::path(full).parent_path());
    std::ofstream(full, std::ios::binary) << content;
    return full;
}

std::string TempFolder::Folder(const std::string& name) const {
    std::string full = path_ + name;
    std::filesystem::create_directories(full);
    return full;
}

std::string HexRecord(uint8_t type, uint16_t address, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> bytes = {static_cast<uint8_t>(data.size()),
                                  static_cast<uint8_t>(address >> 8),
                                  static_cast<uint8_t>(address & 0xFF), type};
    bytes.insert(bytes.end(), data.begin(), data.end());
    uint8_t sum = 0;
    for (uint8_t b : bytes) sum = static_cast<uint8_t>(sum + b);
    bytes.push_back(static_cast<uint8_t>(-sum));
    std::string out = ":";
    char hex[3];
    for (uint8_t b : bytes) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        out += hex;
    }
    return out;
}

std::string HexFile(int records, const std::string& lineEnd) {
    std::string out;
    for (int i = 0; i < records; ++i) {
        std::vector<uint8_t> data(16);
        for (int k = 0; k < 16; ++k) data[k] = static_cast<uint8_t>(i * 16 + k);
        out += HexRecord(0, static_cast<uint16_t>(i * 16), data) + lineEnd;
    }
    return out + HexRecord(1, 0, {}) + lineEnd;
}

}  // namespace orvane::firmware::testing
