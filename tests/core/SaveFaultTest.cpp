// A save that fails at any of its steps leaves the old file as it was and no
// temporary file behind. The steps' system calls are wrapped at link time
// (-Wl,--wrap), so each can be made to fail where no file system would.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "TempDir.h"
#include "core/FileSystem.h"

namespace {

// The call to fail next, by name; empty: none.
std::string failing;

bool Fails(const char* call) {
    if (failing != call) {
        return false;
    }
    failing.clear();
    errno = EIO;
    return true;
}

}  // namespace

extern "C" {
ssize_t __real_write(int fd, const void* data, size_t count);
int __real_fchmod(int fd, mode_t mode);
int __real_fsync(int fd);
int __real_close(int fd);
int __real_rename(const char* from, const char* to);

ssize_t __wrap_write(int fd, const void* data, size_t count) {
    return Fails("write") ? -1 : __real_write(fd, data, count);
}
int __wrap_fchmod(int fd, mode_t mode) {
    return Fails("fchmod") ? -1 : __real_fchmod(fd, mode);
}
int __wrap_fsync(int fd) {
    return Fails("fsync") ? -1 : __real_fsync(fd);
}
// The descriptor is closed all the same: a close that reports a failure
// (data not written back) has still released it.
int __wrap_close(int fd) {
    const bool fails = Fails("close");
    const int result = __real_close(fd);
    if (fails) {
        errno = EIO;
        return -1;
    }
    return result;
}
int __wrap_rename(const char* from, const char* to) {
    return Fails("rename") ? -1 : __real_rename(from, to);
}
}

namespace qzt {
namespace {

TEST(WriteFileAtomically, EveryFailingStepKeepsTheOldFile) {
    for (const char* call : {"", "write", "fchmod", "fsync", "close", "rename"}) {
        SCOPED_TRACE(call);
        test::TempDir dir;
        const std::string path = test::WriteFile(dir / "site.Qzt", "old");
        failing = call;
        const Result<void> written = WriteFileAtomically(path, "new");
        const bool saved = written.has_value();
        const bool called = failing.empty();
        failing.clear();
        EXPECT_TRUE(called) << "the save never called " << call;
        EXPECT_EQ(saved, *call == '\0');
        EXPECT_EQ(test::ReadFile(path), saved ? "new" : "old");
        if (!saved) {
            EXPECT_EQ(written.error().code, EIO);
            EXPECT_EQ(written.error().path, path);
        }
        std::size_t entries = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
            EXPECT_EQ(entry.path().filename(), "site.Qzt");
            ++entries;
        }
        EXPECT_EQ(entries, 1u);
    }
}

}  // namespace
}  // namespace qzt
