#include "core/FileHandle.h"

#include <cerrno>

#include "core/FileOs.h"

namespace qzt {

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.Release();
    }
    return *this;
}

int FileHandle::Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

bool FileHandle::Close() {
    const int fd = Release();
    return fd < 0 || os::Close(fd);
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const long written = os::Write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace qzt
