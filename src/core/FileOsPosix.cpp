#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "core/FileOs.h"

namespace qzt::os {
namespace {

void Fill(const struct stat& st, FileInfo& info) {
    info.isRegular = S_ISREG(st.st_mode);
    info.isFolder = S_ISDIR(st.st_mode);
    info.ownerWritable = (st.st_mode & S_IWUSR) != 0;
    info.size = static_cast<std::uint64_t>(st.st_size);
    info.mode = st.st_mode & 07777;
}

}  // namespace

bool Stat(const std::string& path, FileInfo& info) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return false;
    }
    Fill(st, info);
    return true;
}

bool StatOpen(int fd, FileInfo& info) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return false;
    }
    Fill(st, info);
    return true;
}

int OpenForReading(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
}

int CreateNew(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

int OpenForAppending(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
}

int CreateTemporaryBeside(const std::string& target, std::string& tempPath) {
    const std::size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string pattern = folder + "." + name + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (fd >= 0) {
        tempPath = buffer.data();
    }
    return fd;
}

long Read(int fd, void* buffer, std::size_t size) {
    return static_cast<long>(::read(fd, buffer, size));
}

long Write(int fd, const void* data, std::size_t size) {
    return static_cast<long>(::write(fd, data, size));
}

bool Flush(int fd) {
    return ::fsync(fd) == 0;
}

bool Close(int fd) {
    return ::close(fd) == 0;
}

bool SetMode(int fd, unsigned mode) {
    return ::fchmod(fd, static_cast<mode_t>(mode)) == 0;
}

bool ReplaceWith(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool MakeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0;
}

bool MayWrite(const std::string& path) {
    return ::access(path.c_str(), W_OK) == 0;
}

unsigned NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

std::string ResolveLink(const std::string& path) {
    struct stat lst {};
    if (::lstat(path.c_str(), &lst) != 0 || !S_ISLNK(lst.st_mode)) {
        return path;
    }
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) {
        return {};
    }
    return resolved;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return !a.empty() && !b.empty() && ::stat(a.c_str(), &first) == 0 &&
           ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

}  // namespace qzt::os
