#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <random>

#include "core/FileOs.h"
#include "core/WideText.h"

namespace qzt::os {
namespace {

// The wide path, or empty with errno set (not UTF-8).
std::wstring Wide(const std::string& path) {
    return WideFromUtf8(path);
}

void Fill(const struct _stat64& st, FileInfo& info) {
    info.isRegular = (st.st_mode & _S_IFMT) == _S_IFREG;
    info.isFolder = (st.st_mode & _S_IFMT) == _S_IFDIR;
    info.ownerWritable = (st.st_mode & _S_IWRITE) != 0;
    info.size = static_cast<std::uint64_t>(st.st_size);
    info.mode = 0;
}

int Open(const std::string& path, int flags) {
    const std::wstring wide = Wide(path);
    if (wide.empty()) {
        return -1;
    }
    return ::_wopen(wide.c_str(), flags | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

// Fails with errno from GetLastError.
bool Win32(BOOL ok) {
    if (!ok) {
        errno = ErrnoFromWin32(::GetLastError());
    }
    return ok != FALSE;
}

// Both files' volume and index, opened with no access of their own (also a
// file another program has open).
bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    const std::wstring wide = Wide(path);
    if (wide.empty()) {
        return false;
    }
    HANDLE handle =
        ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    const BOOL ok = ::GetFileInformationByHandle(handle, &info);
    ::CloseHandle(handle);
    return ok != FALSE;
}

}  // namespace

bool Stat(const std::string& path, FileInfo& info) {
    // The C runtime's stat refuses a folder named with a trailing
    // separator ("C:/data/"), except a drive's root.
    std::string_view name = path;
    while (name.size() > 3 && (name.back() == '/' || name.back() == '\\')) {
        name.remove_suffix(1);
    }
    const std::wstring wide = WideFromUtf8(name);
    struct _stat64 st {};
    if (wide.empty() || ::_wstat64(wide.c_str(), &st) != 0) {
        return false;
    }
    Fill(st, info);
    return true;
}

bool StatOpen(int fd, FileInfo& info) {
    struct _stat64 st {};
    if (::_fstat64(fd, &st) != 0) {
        return false;
    }
    Fill(st, info);
    return true;
}

int OpenForReading(const std::string& path) {
    return Open(path, _O_RDONLY);
}

int CreateNew(const std::string& path) {
    return Open(path, _O_WRONLY | _O_CREAT | _O_EXCL);
}

int OpenForAppending(const std::string& path) {
    return Open(path, _O_WRONLY | _O_APPEND | _O_CREAT);
}

int CreateTemporaryBeside(const std::string& target, std::string& tempPath) {
    const std::size_t slash = target.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::minstd_rand random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = folder + "." + name + ".";
        for (int i = 0; i < 6; ++i) {
            candidate += kLetters[random() % (sizeof kLetters - 1)];
        }
        const int fd = CreateNew(candidate);
        if (fd >= 0) {
            tempPath = candidate;
            return fd;
        }
        if (errno != EEXIST) {
            return -1;
        }
    }
    errno = EEXIST;
    return -1;
}

long Read(int fd, void* buffer, std::size_t size) {
    const unsigned count = size > 0x40000000u ? 0x40000000u : static_cast<unsigned>(size);
    return ::_read(fd, buffer, count);
}

long Write(int fd, const void* data, std::size_t size) {
    const unsigned count = size > 0x40000000u ? 0x40000000u : static_cast<unsigned>(size);
    return ::_write(fd, data, count);
}

bool Flush(int fd) {
    return ::_commit(fd) == 0;
}

bool Close(int fd) {
    return ::_close(fd) == 0;
}

bool SetMode(int, unsigned) {
    return true;
}

bool ReplaceWith(const std::string& from, const std::string& to) {
    const std::wstring source = Wide(from);
    const std::wstring target = Wide(to);
    if (source.empty() || target.empty()) {
        return false;
    }
    // Written through: the rename is on the disk when the call returns, as
    // the data already are (Flush).
    return Win32(::MoveFileExW(source.c_str(), target.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

bool RemoveFile(const std::string& path) {
    const std::wstring wide = Wide(path);
    return !wide.empty() && ::_wunlink(wide.c_str()) == 0;
}

bool MakeFolder(const std::string& path) {
    const std::wstring wide = Wide(path);
    return !wide.empty() && Win32(::CreateDirectoryW(wide.c_str(), nullptr));
}

bool MayWrite(const std::string& path) {
    const std::wstring wide = Wide(path);
    return !wide.empty() && ::_waccess(wide.c_str(), 2) == 0;
}

unsigned NewFileMode() {
    return 0;
}

std::string ResolveLink(const std::string& path) {
    return path;
}

bool SameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION first{};
    BY_HANDLE_FILE_INFORMATION second{};
    return !a.empty() && !b.empty() && FileIdentity(a, first) && FileIdentity(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

}  // namespace qzt::os
