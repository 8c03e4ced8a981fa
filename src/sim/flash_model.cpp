#include "sim/flash_model.h"

#include <algorithm>

namespace orvane::sim {

FlashModel::FlashModel(uint32_t sectorSize, uint8_t initialFill)
    : sectorSize_(sectorSize), initialFill_(initialFill) {}

FlashModel::Sector& FlashModel::At(int sector) {
    Sector& s = sectors_[sector];
    if (s.bytes.empty()) s.bytes.assign(sectorSize_, initialFill_);
    return s;
}

void FlashModel::Erase(int sector) {
    Sector& s = At(sector);
    std::fill(s.bytes.begin(), s.bytes.end(), 0xFF);
    s.highWater = 0;
    ++s.erases;
}

bool FlashModel::Program(int sector, uint32_t address, std::string_view bytes) {
    if (address > sectorSize_ || bytes.size() > sectorSize_ - address) return false;
    Sector& s = At(sector);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        s.bytes[address + i] &= static_cast<uint8_t>(bytes[i]);
    }
    uint32_t end = address + static_cast<uint32_t>(bytes.size());
    if (end > s.highWater) s.highWater = end;
    return true;
}

std::string FlashModel::Image(int sector) const {
    auto it = sectors_.find(sector);
    if (it == sectors_.end()) return {};
    const Sector& s = it->second;
    return std::string(reinterpret_cast<const char*>(s.bytes.data()), s.highWater);
}

std::vector<int> FlashModel::ProgrammedSectors() const {
    std::vector<int> out;
    for (const auto& [number, s] : sectors_) {
        if (s.highWater > 0) out.push_back(number);
    }
    return out;
}

uint32_t FlashModel::EraseCount(int sector) const {
    auto it = sectors_.find(sector);
    return it == sectors_.end() ? 0 : it->second.erases;
}

bool FlashModel::WriteImages(const std::string& prefix, std::string& error) const {
    for (int sector : ProgrammedSectors()) {
        if (!WriteWholeFile(prefix + "." + std::to_string(sector), Image(sector), error))
            return false;
    }
    return true;
}

}  // namespace orvane::sim
