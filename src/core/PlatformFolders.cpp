#include "core/PlatformFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "core/FileSystem.h"

namespace qzt {
namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// Creates every missing level of an absolute folder path.
bool CreateFolderPath(const std::string& path) {
    if (path.empty() || path.front() != '/') {
        return false;
    }
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        CreateFolder(path.substr(0, slash));
    }
    return CreateFolder(path);
}

// The value of XDG_DOCUMENTS_DIR in a user-dirs.dirs text: a quoted path that
// is absolute or starts with $HOME/.
std::optional<std::string> DocumentsFromUserDirs(const std::string& text, const std::string& home) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        std::string line = text.substr(pos, end == std::string::npos ? end : end - pos);
        pos = end == std::string::npos ? text.size() : end + 1;
        const std::string key = "XDG_DOCUMENTS_DIR=\"";
        if (line.rfind(key, 0) != 0) {
            continue;
        }
        std::size_t close = line.find('"', key.size());
        if (close == std::string::npos) {
            return std::nullopt;
        }
        std::string value = line.substr(key.size(), close - key.size());
        if (value.rfind("$HOME", 0) == 0) {
            value = home + value.substr(5);
        }
        if (value.empty() || value.front() != '/') {
            return std::nullopt;
        }
        return StripTrailingSeparators(value);
    }
    return std::nullopt;
}

}  // namespace

std::string HomeFolder() {
    std::string home = Environment("HOME");
    if (!home.empty()) {
        return StripTrailingSeparators(home);
    }
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
        return StripTrailingSeparators(pw->pw_dir);
    }
    return {};
}

std::optional<std::string> SystemFolders::ApplicationDataFolder() const {
    std::string folder = Environment("XDG_DATA_HOME");
    if (folder.empty() || folder.front() != '/') {
        std::string home = HomeFolder();
        if (home.empty()) {
            return std::nullopt;
        }
        folder = home + "/.local/share";
    }
    folder = StripTrailingSeparators(folder);
    CreateFolderPath(folder);
    if (!DirectoryExists(folder)) {
        return std::nullopt;
    }
    return folder;
}

std::optional<std::string> SystemFolders::DocumentsFolder() const {
    std::string home = HomeFolder();
    if (home.empty()) {
        return std::nullopt;
    }
    std::string config = Environment("XDG_CONFIG_HOME");
    if (config.empty() || config.front() != '/') {
        config = home + "/.config";
    }
    if (auto text = ReadWholeFile(config + "/user-dirs.dirs", 64 * 1024)) {
        if (auto documents = DocumentsFromUserDirs(*text, home)) {
            return documents;
        }
    }
    return home + "/Documents";
}

std::string SystemFolders::ExecutableFolder() const {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) {
        return "./";
    }
    std::string exe(buffer, static_cast<std::size_t>(n));
    std::string folder = exe.substr(0, exe.find_last_of('/') + 1);
    const std::string installed = folder + "../share/qzt-programmer/";
    if (DirectoryExists(installed)) {
        char resolved[PATH_MAX];
        if (::realpath(installed.c_str(), resolved) != nullptr) {
            return WithTrailingSeparator(resolved);
        }
    }
    return folder;
}

}  // namespace qzt
