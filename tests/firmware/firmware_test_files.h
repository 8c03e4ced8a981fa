#pragma once
// Test data written into a fresh temporary folder: descriptors and hex files
// built in the test itself, so every byte of input is visible where it is used.

#include <cstdint>
#include <string>
#include <vector>

namespace orvane::firmware::testing {

class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }  // ends with "/"
    // Writes the file (making its folders) and returns its full path.
    std::string Write(const std::string& name, const std::string& content) const;
    std::string Folder(const std::string& name) const;

  private:
    std::string path_;
};

// One Intel HEX record with its checksum, without a line end.
std::string HexRecord(uint8_t type, uint16_t address, const std::vector<uint8_t>& data);

// A sound hex file: `records` data records of 16 bytes, then the end record.
std::string HexFile(int records, const std::string& lineEnd = "\r\n");

}  // namespace orvane::firmware::testing
