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

Result<void> ReadConfigFile(const std::string& path, ImageBuffer& buffer) {
    os::FileInfo info;
    errno = 0;
    FileHandle fd = OpenRegularFile(path, info);
    if (!fd.IsOpen()) {
        // Missing, closed to us, or no regular file (a folder, a pipe, a device).
        return Error::System(errno != 0 ? errno : EINVAL, path);
    }
    std::fill_n(buffer.begin(), kImageSize, std::uint8_t{0});
    std::size_t total = 0;
    while (total < kImageSize) {
        const long n = os::Read(fd.get(), buffer.data() + total, kImageSize - total);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return Error::System(errno != 0 ? errno : EIO, path);
        }
        if (n == 0) {
            return Error::System(ENODATA, path);  // shorter than one image
        }
        total += static_cast<std::size_t>(n);
    }
    return {};
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
