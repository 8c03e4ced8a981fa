#pragma once
// A fresh folder in the system's temporary folder for one test, removed with everything in it (also
// subfolders a test made unwritable) when the object goes.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

namespace orvane::testing {

class TempFolder {
  public:
    TempFolder() {
        namespace fs = std::filesystem;
        std::random_device random;
        for (int attempt = 0; path_.empty(); ++attempt) {
            const fs::path p =
                fs::temp_directory_path() / ("orvane2-test-" + std::to_string(random()));
            std::error_code ec;
            if (fs::create_directory(p, ec)) path_ = p.generic_string();
            if (attempt > 100) throw std::runtime_error("no temporary folder could be made");
        }
    }
    ~TempFolder() {
        namespace fs = std::filesystem;
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, ec);
        for (auto it = fs::recursive_directory_iterator(path_, ec);
             it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_directory(ec)) fs::permissions(it->path(), fs::perms::owner_all, ec);
        }
        fs::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }  // without a trailing "/"
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    // Writes the file (making its folders) and returns its full path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::filesystem::create_directories(std::filesystem::path(*this / name).parent_path());
        std::ofstream(*this / name, std::ios::binary) << bytes;
        return *this / name;
    }
    std::string Read(const std::string& name) const {  // empty when there is none
        std::ifstream in(*this / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string Folder(const std::string& name) const {  // made, with its parents
        std::filesystem::create_directories(*this / name);
        return *this / name;
    }

  private:
    std::string path_;
};

}  // namespace orvane::testing
