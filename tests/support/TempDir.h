#pragma once
// A fresh folder in the system's temporary folder for one test, removed
// with everything in it. Paths are UTF-8.

#include <filesystem>
#include <string>
#include <string_view>

namespace qzt::test {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, without trailing '/'.
    const std::string& Path() const { return path_; }
    // Path() + "/" + name.
    std::string operator/(std::string_view name) const;

  private:
    std::string path_;
};

// Writes a file (creating its folder); returns its path.
std::string WriteFile(const std::string& path, std::string_view content);
// The content of a file, or "<missing>".
std::string ReadFile(const std::string& path);
// The same for a std::filesystem path (a folder listing's entry).
std::string ReadFile(const std::filesystem::path& path);

}  // namespace qzt::test
