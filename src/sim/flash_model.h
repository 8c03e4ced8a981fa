#pragma once
// The simulated instrument's flash: numbered sectors, each addressed from 0.
// A sector holds its initial fill until erased; erased bytes read 0xFF and
// programming can only clear bits (the new byte is ANDed in), as real flash.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::sim {

class FlashModel {
  public:
    explicit FlashModel(uint32_t sectorSize = 256 * 1024, uint8_t initialFill = 0x00);

    uint32_t sectorSize() const { return sectorSize_; }
    void Erase(int sector);
    // False, changing nothing, when the bytes do not fit inside the sector.
    bool Program(int sector, uint32_t address, std::string_view bytes);

    // The sector from address 0 up to its highest programmed byte; empty when
    // nothing was programmed into it since it was made or erased.
    std::string Image(int sector) const;
    // Sectors programmed at least once, in order.
    std::vector<int> ProgrammedSectors() const;
    uint32_t EraseCount(int sector) const;

    // Writes Image(sector) of every programmed sector to prefix + "." + sector,
    // each replaced whole so that a reader never sees half an image.
    bool WriteImages(const std::string& prefix, std::string& error) const;

  private:
    struct Sector {
        std::vector<uint8_t> bytes;
        uint32_t highWater = 0;  // one past the highest programmed byte
        uint32_t erases = 0;
    };
    Sector& At(int sector);

    uint32_t sectorSize_;
    uint8_t initialFill_;
    std::map<int, Sector> sectors_;
};

// Replaces the file at path with bytes in one step (a temporary file renamed
// over it). False with the reason in error.
bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string& error);

}  // namespace orvane::sim
