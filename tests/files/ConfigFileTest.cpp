#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "TempDir.h"
#include "files/ConfigFile.h"

namespace qzt {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::string Bytes(std::size_t size, char fill = '\x48') {
    return std::string(size, fill);
}

TEST(ConfigFile, ReadTakesExactlyTheFirst256Bytes) {
    TempDir dir;
    struct Case {
        const char* name;
        std::size_t size;
        bool ok;
    };
    const Case cases[] = {
        {"empty", 0, false},           {"one byte", 1, false},   {"255 bytes", 255, false},
        {"one image", 256, true},      {"257 bytes", 257, true}, {"padded file", 2048, true},
        {"a megabyte", 1 << 20, true},
    };
    for (const Case& c : cases) {
        const std::string path = WriteFile(dir / c.name, Bytes(c.size, '\x11'));
        ImageBuffer buffer;
        buffer.fill(0xEE);
        EXPECT_EQ(ReadConfigFile(path, buffer).has_value(), c.ok) << c.name;
        EXPECT_EQ(ConfigFileSize(path), c.size) << c.name;
        // The image part is cleared, then filled as far as the file goes;
        // the rest of the holder is never touched.
        const std::size_t filled = std::min<std::size_t>(c.size, 256);
        for (std::size_t i = 0; i < 256; ++i) {
            ASSERT_EQ(buffer[i], i < filled ? 0x11 : 0x00) << c.name << " byte " << i;
        }
        EXPECT_EQ(buffer[256], 0xEE) << c.name;
    }
}

TEST(ConfigFile, WhatCannotBeOpenedLeavesTheBufferAndHasNoSize) {
    TempDir dir;
#ifdef _WIN32
    // A device is no file on Windows either.
    const std::vector<std::string> paths = {dir / "missing.qzt", dir.Path(), "NUL", "CON"};
#else
    const std::string fifo = dir / "pipe.qzt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string unreadable = WriteFile(dir / "secret.qzt", Bytes(256));
    ::chmod(unreadable.c_str(), 0);
    const std::string loop = dir / "loop.qzt";
    ASSERT_EQ(::symlink(loop.c_str(), loop.c_str()), 0);

    std::vector<std::string> paths = {dir / "missing.qzt", dir.Path(), fifo, loop, "/dev/null"};
    if (::geteuid() != 0) {
        paths.push_back(unreadable);  // root reads it all the same
    }
#endif
    for (const std::string& path : paths) {
        ImageBuffer buffer;
        buffer.fill(0xEE);
        EXPECT_FALSE(ReadConfigFile(path, buffer)) << path;
        EXPECT_EQ(buffer[0], 0xEE) << path;
        EXPECT_EQ(ConfigFileSize(path), 0u) << path;
    }
}

TEST(ConfigFile, WriteReplacesWholeOrNotAtAll) {
    TempDir dir;
    ImageBuffer buffer;
    buffer.fill(0x48);
    const std::string path = WriteFile(dir / "unit.Qzt", Bytes(2048, '\x01'));
    ASSERT_TRUE(WriteConfigFile(path, buffer, 256));
    EXPECT_EQ(ReadFile(path), Bytes(256, '\x48'));
    EXPECT_TRUE(WriteConfigFile(path, buffer, 100000));  // capped at the holder
    EXPECT_EQ(ConfigFileSize(path), 2048u);

    // A refused write leaves the previous file byte for byte.
    ::chmod(path.c_str(), 0444);
    buffer.fill(0x00);
    EXPECT_FALSE(WriteConfigFile(path, buffer, 256));
    EXPECT_EQ(ReadFile(path), Bytes(2048, '\x48'));
    EXPECT_FALSE(WriteConfigFile(dir / "no/folder.Qzt", buffer, 256));
}

}  // namespace
}  // namespace qzt
