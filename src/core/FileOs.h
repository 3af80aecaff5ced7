#pragma once
// The operating system's file calls, in one place: FileOsPosix.cpp (Linux)
// and FileOsWindows.cpp. Paths are UTF-8 with '/' (Windows also takes '\');
// failures set errno, Windows' own error codes turned into the errno values
// the messages' reasons name ("No space left on device"), so every caller
// reads failures one way.
//
// Every file is opened in binary mode and is not inherited by programs this
// one starts. Binary mode matters on Windows: a file opened in the C
// library's default text mode turns 0x0A into 0x0D 0x0A on the way out and
// stops reading at 0x1A, and a configuration image holds such bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qzt::os {

struct FileInfo {
    bool isRegular = false;
    bool isFolder = false;
    // The write permission for its owner (POSIX) or no read-only attribute
    // (Windows).
    bool ownerWritable = false;
    std::uint64_t size = 0;
    unsigned mode = 0;  // POSIX permission bits (0 on Windows)
};

// stat() of a path (links followed) and of an open file.
bool Stat(const std::string& path, FileInfo& info);
bool StatOpen(int fd, FileInfo& info);

// Opens for reading. A pipe or device carrying the name does not block.
int OpenForReading(const std::string& path);
// Creates a new file for writing only when no file has the name (O_EXCL).
int CreateNew(const std::string& path);
// Opens for appending, created when missing.
int OpenForAppending(const std::string& path);
// Creates a file of a name not in use in the folder of `target`, hidden
// beside it ("." + name + random suffix), for a write that is renamed over
// `target` afterwards. Its path is stored in `tempPath`.
int CreateTemporaryBeside(const std::string& target, std::string& tempPath);

// A read or write of at most `size` bytes (-1 on failure, errno set).
long Read(int fd, void* buffer, std::size_t size);
long Write(int fd, const void* data, std::size_t size);
// The file's data on the disk (fsync, FlushFileBuffers).
bool Flush(int fd);
bool Close(int fd);
// Gives an open file the permission bits `mode` (POSIX; nothing on Windows,
// where permissions are the folder's).
bool SetMode(int fd, unsigned mode);

// Renames `from` over `to` in one step: `to` is the old file or the new one,
// never missing or half-written (rename; MoveFileExW replacing and written
// through).
bool ReplaceWith(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);
bool MakeFolder(const std::string& path);
// Whether this user may write the existing file (access W_OK).
bool MayWrite(const std::string& path);
// The permission bits of a new file: 0666 less the umask (0 on Windows).
unsigned NewFileMode();

// The target of a symbolic link, resolved; `path` itself for anything else
// (and on Windows). Empty with errno set when a link leads nowhere.
std::string ResolveLink(const std::string& path);
// Both paths name one existing file (also through links or in another
// spelling).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace qzt::os
