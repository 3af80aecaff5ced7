#include "files/ConfigFile.h"

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "core/FileHandle.h"
#include "core/FileOs.h"
#include "core/FileSystem.h"

namespace qzt {
namespace {

// Opens a regular file for reading (in binary mode: an image holds every
// byte value). A pipe or device that happens to carry a configuration name
// does not block the program and is no file.
FileHandle OpenRegularFile(const std::string& path, os::FileInfo& info) {
    FileHandle fd(os::OpenForReading(path));
    if (fd.IsOpen() && (!os::StatOpen(fd.get(), info) || !info.isRegular)) {
        fd.Close();
    }
    return fd;
}

}  // namespace

bool ReadConfigFile(const std::string& path, ImageBuffer& buffer) {
    os::FileInfo info;
    FileHandle fd = OpenRegularFile(path, info);
    if (!fd.IsOpen()) {
        return false;
    }
    std::fill_n(buffer.begin(), kImageSize, std::uint8_t{0});
    std::size_t total = 0;
    while (total < kImageSize) {
        const long n = os::Read(fd.get(), buffer.data() + total, kImageSize - total);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        total += static_cast<std::size_t>(n);
    }
    return total == kImageSize;
}

Result<void> WriteConfigFile(const std::string& path, const ImageBuffer& buffer,
                             std::size_t count) {
    count = std::min(count, buffer.size());
    return WriteFileAtomically(
        path, std::string_view(reinterpret_cast<const char*>(buffer.data()), count));
}

std::uint64_t ConfigFileSize(const std::string& path) {
    os::FileInfo info;
    return OpenRegularFile(path, info).IsOpen() ? info.size : 0;
}

}  // namespace qzt
