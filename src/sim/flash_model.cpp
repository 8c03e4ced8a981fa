#include "sim/flash_model.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

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

bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string& error) {
    std::string temp = path + ".part";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = fd >= 0;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<std::size_t>(n);
    }
    if (fd >= 0 && ::close(fd) != 0) ok = false;
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) {
        error = path + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
    }
    return ok;
}

}  // namespace orvane::sim
