#include "core/FileSystem.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>

#include "core/FileHandle.h"
#include "core/FileOs.h"

namespace qzt {
namespace {

// Windows takes '\' as a separator as well as '/'.
#ifdef _WIN32
constexpr const char* kSeparators = "/\\";
#else
constexpr const char* kSeparators = "/";
#endif

std::string ParentFolder(const std::string& path) {
    std::size_t slash = path.find_last_of(kSeparators);
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool FileExists(const std::string& path) {
    os::FileInfo info;
    return !path.empty() && os::Stat(path, info) && !info.isFolder;
}

bool DirectoryExists(const std::string& path) {
    os::FileInfo info;
    return !path.empty() && os::Stat(path, info) && info.isFolder;
}

bool CreateFolder(const std::string& path) {
    if (DirectoryExists(path)) {
        return true;
    }
    return os::MakeFolder(path) || DirectoryExists(path);
}

Result<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes) {
    auto fail = [&](int code) -> Result<std::string> { return Error::System(code, path); };
    FileHandle fd(os::OpenForReading(path));
    if (fd.get() < 0) {
        return fail(errno);
    }
    os::FileInfo info;
    if (!os::StatOpen(fd.get(), info)) {
        return fail(errno);
    }
    if (!info.isRegular) {
        return fail(EISDIR);
    }
    if (info.size > maxBytes) {
        return fail(EFBIG);
    }
    std::string data;
    data.reserve(static_cast<std::size_t>(info.size));
    char chunk[16384];
    for (;;) {
        const long n = os::Read(fd.get(), chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fail(errno);
        }
        if (n == 0) {
            break;
        }
        // The file may grow while it is read: the bound still holds.
        if (data.size() + static_cast<std::size_t>(n) > maxBytes) {
            return fail(EFBIG);
        }
        data.append(chunk, static_cast<std::size_t>(n));
    }
    return data;
}

bool IsReadOnlyFile(const std::string& path) {
    os::FileInfo info;
    if (!os::Stat(path, info)) {
        return false;
    }
    return !info.ownerWritable || !os::MayWrite(path);
}

Result<void> WriteFileAtomically(const std::string& requestedPath, std::string_view data) {
    // The failing call's error, taken before any clean-up can change errno.
    auto fail = [](int code, const std::string& about) -> Result<void> {
        return Error::System(code != 0 ? code : EIO, about);
    };
    if (requestedPath.empty()) {
        return fail(ENOENT, requestedPath);
    }
    const std::string path = os::ResolveLink(requestedPath);
    if (path.empty()) {
        return fail(errno, requestedPath);
    }
#ifdef _WIN32
    // A reserved device name (NUL, CON) would take the data and lose it.
    if (!IsValidWindowsFileName(FileNamePart(path))) {
        return fail(EINVAL, path);
    }
#endif

    unsigned mode = os::NewFileMode();
    os::FileInfo info;
    if (os::Stat(path, info)) {
        if (!info.isRegular) {
            return fail(info.isFolder ? EISDIR : EINVAL, path);
        }
        if (IsReadOnlyFile(path)) {
            return fail(EACCES, path);
        }
        mode = info.mode;
    }

    std::string tempName;
    FileHandle fd(os::CreateTemporaryBeside(path, tempName));
    if (fd.get() < 0) {
        // No new file in the folder: a folder that is missing, not a folder,
        // closed to this user or full.
        return fail(errno, ParentFolder(path));
    }
    errno = 0;
    const bool ok = WriteAll(fd.get(), data) && os::SetMode(fd.get(), mode) &&
                    os::Flush(fd.get()) && fd.Close() && os::ReplaceWith(tempName, path);
    if (!ok) {
        const int error = errno;
        fd.Close();
        os::RemoveFile(tempName);
        return fail(error, path);
    }
    return {};
}

Result<void> CopyFileShared(const std::string& sourceFolder, const std::string& sourceName,
                            const std::string& targetName, const std::string& targetFolder) {
    const Result<std::string> content = ReadWholeFile(sourceFolder + sourceName);
    if (!content) {
        return content.error();
    }
    return WriteFileAtomically(targetFolder + targetName, *content);
}

std::string StripTrailingSeparators(std::string_view path) {
    while (path.size() > 1 &&
           std::string_view(kSeparators).find(path.back()) != std::string_view::npos) {
        path.remove_suffix(1);
    }
    return std::string(path);
}

std::string WithTrailingSeparator(std::string_view path) {
    if (path.empty()) {
        return {};
    }
    std::string result = StripTrailingSeparators(path);
    if (std::string_view(kSeparators).find(result.back()) == std::string_view::npos) {
        result += '/';
    }
    return result;
}

std::string FileNamePart(std::string_view path) {
    std::size_t slash = path.find_last_of(kSeparators);
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtensionOf(std::string_view path) {
    std::string name = FileNamePart(path);
    std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::filesystem::path PathFromUtf8(std::string_view path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool IsSameFile(const std::string& a, const std::string& b) {
    return os::SameFile(a, b);
}

bool IsValidWindowsFileName(std::string_view name) {
    if (name.empty() || name.back() == '.' || name.back() == ' ') {
        return false;
    }
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 ||
            std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) {
            return false;
        }
    }
    // A device name stays the device with any extension: "nul.txt" is NUL.
    std::string stem(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ') {
        stem.pop_back();
    }
    std::transform(stem.begin(), stem.end(), stem.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    static constexpr std::array<std::string_view, 4> kDevices{"CON", "PRN", "AUX", "NUL"};
    if (std::find(kDevices.begin(), kDevices.end(), stem) != kDevices.end()) {
        return false;
    }
    const bool numbered = stem.size() == 4 &&
                          (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '1' &&
                          stem[3] <= '9';
    return !numbered;
}

}  // namespace qzt
