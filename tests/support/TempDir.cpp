#include "TempDir.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "core/FileSystem.h"

namespace qzt::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    // Made only when the name is free, so parallel tests never share one.
    std::random_device seed;
    std::mt19937_64 random(seed());
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const fs::path candidate = base / ("qzt-test-" + std::to_string(random() % 1000000000));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            // UTF-8 with '/' on every system, as the program's own paths.
            const std::u8string generic = candidate.generic_u8string();
            path_.assign(generic.begin(), generic.end());
        }
    }
    if (path_.empty()) {
        throw std::runtime_error("no temporary folder could be made");
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    const fs::path root = PathFromUtf8(path_);
    // Tests make files read-only; give write access back so they can go.
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code ignored;
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root, ec);
}

std::string TempDir::operator/(std::string_view name) const {
    return path_ + "/" + std::string(name);
}

std::string WriteFile(const std::string& path, std::string_view content) {
    std::filesystem::create_directories(PathFromUtf8(path).parent_path());
    std::ofstream out(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
    return path;
}

std::string ReadFile(const std::filesystem::path& path) {
    return ReadFile(Utf8FromPath(path));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    if (!in) {
        return "<missing>";
    }
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

}  // namespace qzt::test
