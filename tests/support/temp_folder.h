#pragma once
// A fresh folder under /tmp for one test, removed with everything in it (also
// subfolders a test made unwritable) when the object goes.

#include <string>

namespace orvane::testing {

class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }  // without a trailing "/"
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    // Writes the file (making its folders) and returns its full path.
    std::string Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;    // empty when there is none
    std::string Folder(const std::string& name) const;  // made, with its parents

  private:
    std::string path_;
};

}  // namespace orvane::testing
