#include "files/ConfigFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "core/FileSystem.h"

namespace qzt {
namespace {

// Opens a regular file for reading. O_NONBLOCK keeps a pipe or device that
// happens to carry a configuration name from blocking the program.
int OpenRegularFile(const std::string& path, struct stat& st) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

bool ReadConfigFile(const std::string& path, ImageBuffer& buffer) {
    struct stat st {};
    int fd = OpenRegularFile(path, st);
    if (fd < 0) {
        return false;
    }
    std::fill_n(buffer.begin(), kImageSize, std::uint8_t{0});
    std::size_t total = 0;
    while (total < kImageSize) {
        ssize_t n = ::read(fd, buffer.data() + total, kImageSize - total);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        total += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return total == kImageSize;
}

Result<void> WriteConfigFile(const std::string& path, const ImageBuffer& buffer,
                             std::size_t count) {
    count = std::min(count, buffer.size());
    return WriteFileAtomically(
        path, std::string_view(reinterpret_cast<const char*>(buffer.data()), count));
}

std::uint64_t ConfigFileSize(const std::string& path) {
    struct stat st {};
    int fd = OpenRegularFile(path, st);
    if (fd < 0) {
        return 0;
    }
    ::close(fd);
    return static_cast<std::uint64_t>(st.st_size);
}

}  // namespace qzt
