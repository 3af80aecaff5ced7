#pragma once
// Small file and folder operations on UTF-8 paths, with the program's rules:
// bounded reads, and writes that never leave a half-written file in place of
// a good one. The system calls behind them are core/FileOs.h's.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "text/Result.h"

namespace qzt {

// Largest settings or template file the program reads (far above any real one).
inline constexpr std::size_t kMaxTextFileSize = 16u * 1024u * 1024u;

// True for an existing path that is not a folder (a folder is no file).
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

// Creates one folder level (the parent must exist). True when the folder
// exists afterwards.
bool CreateFolder(const std::string& path);

// The whole content of a regular file of at most `maxBytes` bytes; for a
// missing, unreadable, non-regular or larger file the error says which
// (EISDIR for a folder or device, EFBIG for a larger file) and of which path.
Result<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes = kMaxTextFileSize);

// True when the file exists and may not be written: its owner write bit is
// clear (the read-only attribute) or this user lacks write access.
bool IsReadOnlyFile(const std::string& path);

// Replaces (or creates) `path` with `data`: written to a temporary file in the
// same folder, flushed, then renamed over the target, so a failure leaves the
// previous content untouched. A read-only target or a non-file is refused.
// An existing file keeps its permissions; a new one gets 0666 less the umask.
// A symbolic link is followed and its target replaced. On Windows a name
// that Windows' rules refuse (IsValidWindowsFileName) is refused with
// EINVAL before anything is written. A failure's error
// names the target for a refused file or a failed write, its folder when no
// file can be made there.
Result<void> WriteFileAtomically(const std::string& path, std::string_view data);

// Copies `sourceFolder + sourceName` to `targetFolder + targetName`, replacing
// the target as a whole. The error names what could not be read or written.
Result<void> CopyFileShared(const std::string& sourceFolder, const std::string& sourceName,
                            const std::string& targetName, const std::string& targetFolder);

// Both paths name one existing file (through links, or in another spelling
// where names are case-insensitive).
bool IsSameFile(const std::string& a, const std::string& b);

// A file name (no folder) that Windows accepts: not empty, no reserved
// device name (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, also with an
// extension), none of the characters <>:"/\|?* or a control character, no
// trailing dot or space.
bool IsValidWindowsFileName(std::string_view name);

// A UTF-8 path as std::filesystem takes it, and back. On Windows a narrow
// std::filesystem::path is in the ANSI code page, where "Jürgen" or a
// Japanese name does not survive; these convert as UTF-8 everywhere.
std::filesystem::path PathFromUtf8(std::string_view path);
std::string Utf8FromPath(const std::filesystem::path& path);

// The path without trailing '/' separators (on Windows also '\'). The root
// "/" stays "/".
std::string StripTrailingSeparators(std::string_view path);
// The path with exactly one trailing '/' (an empty path stays empty).
std::string WithTrailingSeparator(std::string_view path);
// The last component of a path ("b.qzt" of "/a/b.qzt").
std::string FileNamePart(std::string_view path);
// The extension of the last component including its dot (".qzt"), or empty.
std::string ExtensionOf(std::string_view path);

}  // namespace qzt
