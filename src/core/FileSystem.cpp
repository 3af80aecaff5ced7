#include "core/FileSystem.h"

#include "core/FileHandle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <system_error>
#include <vector>

namespace qzt {
namespace {

mode_t CurrentUmask() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

std::string ParentFolder(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateFolder(const std::string& path) {
    if (DirectoryExists(path)) {
        return true;
    }
    return ::mkdir(path.c_str(), 0777) == 0 || DirectoryExists(path);
}

Result<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes) {
    auto fail = [&](int code) -> Result<std::string> { return Error::System(code, path); };
    FileHandle fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        return fail(errno);
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        return fail(errno);
    }
    if (!S_ISREG(st.st_mode)) {
        return fail(EISDIR);
    }
    if (static_cast<std::size_t>(st.st_size) > maxBytes) {
        return fail(EFBIG);
    }
    std::string data;
    data.reserve(static_cast<std::size_t>(st.st_size));
    char chunk[16384];
    for (;;) {
        ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
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
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return false;
    }
    return (st.st_mode & S_IWUSR) == 0 || ::access(path.c_str(), W_OK) != 0;
}

Result<void> WriteFileAtomically(const std::string& requestedPath, std::string_view data) {
    // The failing call's error, taken before any clean-up can change errno.
    auto fail = [](int code, const std::string& about) -> Result<void> {
        return Error::System(code != 0 ? code : EIO, about);
    };
    if (requestedPath.empty()) {
        return fail(ENOENT, requestedPath);
    }
    std::string path = requestedPath;
    struct stat lst {};
    if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) == nullptr) {
            return fail(errno, requestedPath);
        }
        path = resolved;
    }

    mode_t mode = 0666 & ~CurrentUmask();
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            return fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL, path);
        }
        if (IsReadOnlyFile(path)) {
            return fail(EACCES, path);
        }
        mode = st.st_mode & 07777;
    }

    const std::string folder = ParentFolder(path);
    std::string slash = folder == "/" ? "" : "/";
    std::string tempPath = folder + slash + "." + FileNamePart(path) + ".XXXXXX";
    std::vector<char> tempName(tempPath.begin(), tempPath.end());
    tempName.push_back('\0');
    FileHandle fd(::mkostemp(tempName.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        // No new file in the folder: a folder that is missing, not a folder,
        // closed to this user or full.
        return fail(errno, folder);
    }
    errno = 0;
    const bool ok = WriteAll(fd.get(), data) && ::fchmod(fd.get(), mode) == 0 &&
                    ::fsync(fd.get()) == 0 && fd.Close() &&
                    ::rename(tempName.data(), path.c_str()) == 0;
    if (!ok) {
        const int error = errno;
        fd.Close();
        ::unlink(tempName.data());
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
    while (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    return std::string(path);
}

std::string WithTrailingSeparator(std::string_view path) {
    if (path.empty()) {
        return {};
    }
    std::string result = StripTrailingSeparators(path);
    if (result.back() != '/') {
        result += '/';
    }
    return result;
}

std::string FileNamePart(std::string_view path) {
    std::size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtensionOf(std::string_view path) {
    std::string name = FileNamePart(path);
    std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

}  // namespace qzt
