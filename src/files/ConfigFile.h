#pragma once
// The three primitives behind every configuration-file access of the program.

#include <cstddef>
#include <cstdint>
#include <string>

#include "config/ConfigImage.h"
#include "core/FileSystem.h"

namespace qzt {

// The sizes a configuration file may have: one image, or an image padded with
// 0xFF to 2048 bytes.
inline constexpr std::uint64_t kImageFileSize = kImageSize;
inline constexpr std::uint64_t kPaddedFileSize = kImageBufferSize;

// Reads the first 256 bytes of an existing regular file into `buffer`. The
// first 256 bytes of `buffer` are cleared once the file is open; done only when
// 256 bytes were read, else the system's reason. A file that cannot be opened
// leaves `buffer` untouched.
Result<void> ReadConfigFile(const std::string& path, ImageBuffer& buffer);

// Writes the first `count` bytes of `buffer` (at most its size) to `path`,
// replacing the file as a whole: the bytes go to a temporary file that is
// renamed over the target, so a failed write leaves the old file as it was.
// A failure's error is the system's reason.
Result<void> WriteConfigFile(const std::string& path, const ImageBuffer& buffer, std::size_t count);

// The size of a regular file in bytes; 0 when it cannot be opened for reading
// or is no disk file (a folder, a device, a pipe).
std::uint64_t ConfigFileSize(const std::string& path);

}  // namespace qzt
