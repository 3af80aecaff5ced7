#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <cerrno>
#include <filesystem>

#include "TempDir.h"
#include "core/FileSystem.h"

namespace qzt {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(PathText, SeparatorsNamesAndExtensions) {
    struct Case {
        const char* path;
        const char* stripped;
        const char* name;
        const char* extension;
    };
    const Case cases[] = {
        {"/a/b.qzt", "/a/b.qzt", "b.qzt", ".qzt"},
        {"/a/b/", "/a/b", "", ""},
        {"/a/b//", "/a/b", "", ""},
        {"/", "/", "", ""},
        {"", "", "", ""},
        {"site3", "site3", "site3", ""},
        {"/x.y/site3", "/x.y/site3", "site3", ""},
        {"/a/plan.txt.Qzt", "/a/plan.txt.Qzt", "plan.txt.Qzt", ".Qzt"},
        {"name.", "name.", "name.", "."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StripTrailingSeparators(c.path), c.stripped) << c.path;
        EXPECT_EQ(FileNamePart(c.path), c.name) << c.path;
        EXPECT_EQ(ExtensionOf(c.path), c.extension) << c.path;
    }
    EXPECT_EQ(WithTrailingSeparator("/a"), "/a/");
    EXPECT_EQ(WithTrailingSeparator("/a//"), "/a/");
    EXPECT_EQ(WithTrailingSeparator(""), "");
}

// Permission bits and symbolic links are POSIX's.
#ifndef _WIN32
TEST(WriteFileAtomically, ReplacesKeepsModeAndFollowsLinks) {
    TempDir dir;
    const std::string path = WriteFile(dir / "a.ini", "old");
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(WriteFileAtomically(path, "new"));
    EXPECT_EQ(ReadFile(path), "new");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    const std::string link = dir / "link.ini";
    ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
    ASSERT_TRUE(WriteFileAtomically(link, "through the link"));
    EXPECT_EQ(ReadFile(path), "through the link");
    struct stat lst {};
    ASSERT_EQ(::lstat(link.c_str(), &lst), 0);
    EXPECT_TRUE(S_ISLNK(lst.st_mode));
}
#endif

TEST(WriteFileAtomically, RefusalLeavesTheOldContentAndNoTemporaryFile) {
    TempDir dir;
    const std::string path = WriteFile(dir / "ro.ini", "old");
    ::chmod(path.c_str(), 0444);
    EXPECT_FALSE(WriteFileAtomically(path, "new"));
    EXPECT_EQ(ReadFile(path), "old");
    EXPECT_FALSE(WriteFileAtomically(dir.Path(), "a folder"));
    EXPECT_FALSE(WriteFileAtomically(dir / "missing/x", "no folder"));
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(ReadWholeFile, BoundedAndOnlyRegularFiles) {
    TempDir dir;
    const std::string path = WriteFile(dir / "f", std::string(100, 'x'));
    EXPECT_EQ(ReadWholeFile(path, 100).value_or(""), std::string(100, 'x'));
    EXPECT_FALSE(ReadWholeFile(path, 99).has_value());
    EXPECT_FALSE(ReadWholeFile(dir.Path()).has_value());
    EXPECT_FALSE(ReadWholeFile(dir / "missing").has_value());
#ifdef _WIN32
    EXPECT_FALSE(ReadWholeFile("NUL").has_value());
#else
    EXPECT_FALSE(ReadWholeFile("/dev/zero").has_value());
#endif
}

TEST(CopyFileShared, CopiesAndReportsFailure) {
    TempDir dir;
    WriteFile(dir / "src/Values.i", "[Setup]\n");
    std::filesystem::create_directories(dir / "dst");
    EXPECT_TRUE(CopyFileShared(dir / "src/", "Values.i", "Values.ini", dir / "dst/"));
    EXPECT_EQ(ReadFile(dir / "dst/Values.ini"), "[Setup]\n");
    EXPECT_FALSE(CopyFileShared(dir / "src/", "missing", "x", dir / "dst/"));
    EXPECT_FALSE(FileExists(dir / "dst/x"));
}

// Every byte value, 0x0D, 0x0A and 0x1A among them (the C library's text
// mode would change or cut them on Windows), in folders and files whose
// names are not ASCII: written, replaced, copied and read back as they are.
TEST(FileSystem, EveryByteInFoldersOfAnyName) {
    std::string bytes;
    for (int i = 0; i < 256; ++i) {
        bytes += static_cast<char>(i);
    }
    const std::string reversed(bytes.rbegin(), bytes.rend());
    for (const char* folderName : {"Jürgen", "東京", "ä b"}) {
        SCOPED_TRACE(folderName);
        TempDir dir;
        const std::string folder = dir / folderName;
        ASSERT_TRUE(CreateFolder(folder));
        EXPECT_TRUE(DirectoryExists(folder));
        const std::string path = folder + "/ä b.Qzt";
        ASSERT_TRUE(WriteFileAtomically(path, bytes));
        EXPECT_TRUE(FileExists(path));
        EXPECT_EQ(ReadWholeFile(path).value_or(""), bytes);
        ASSERT_TRUE(WriteFileAtomically(path, reversed));
        EXPECT_EQ(ReadWholeFile(path).value_or(""), reversed);
        ASSERT_TRUE(CopyFileShared(folder + "/", "ä b.Qzt", "東京.Qzt", folder + "/"));
        EXPECT_EQ(ReadWholeFile(folder + "/東京.Qzt").value_or(""), reversed);
        EXPECT_TRUE(IsSameFile(path, folder + "/./ä b.Qzt"));
        EXPECT_FALSE(IsSameFile(path, folder + "/東京.Qzt"));
        // Nothing but the two files: no temporary file left behind.
        int entries = 0;
        for (const auto& e : std::filesystem::directory_iterator(PathFromUtf8(folder))) {
            EXPECT_TRUE(Utf8FromPath(e.path().filename()) == "ä b.Qzt" ||
                        Utf8FromPath(e.path().filename()) == "東京.Qzt");
            ++entries;
        }
        EXPECT_EQ(entries, 2);
    }
}

TEST(FileSystem, WindowsFileNameRules) {
    const struct {
        const char* name;
        bool valid;
    } cases[] = {
        {"unit.Qzt", true},    {"ä b.Qzt", true},    {"東京.Qzt", true},
        {"CON", false},        {"con.Qzt", false},   {"Nul.txt.Qzt", false},
        {"AUX", false},        {"PRN.Qzt", false},   {"COM1.Qzt", false},
        {"lpt9", false},       {"COM0.Qzt", true},   {"COM10.Qzt", true},
        {"CONSOLE.Qzt", true}, {"a<b.Qzt", false},   {"a>b", false},
        {"a:b", false},        {"a\"b", false},      {"a|b", false},
        {"a?b", false},        {"a*b", false},       {"a\\b", false},
        {"a/b", false},        {"tab\there", false}, {"unit.", false},
        {"unit ", false},      {"", false},          {"NUL .Qzt", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsValidWindowsFileName(c.name), c.valid) << c.name;
    }
#ifdef _WIN32
    // On Windows a save to a reserved name is refused, not handed to the
    // device.
    TempDir dir;
    for (const char* name : {"NUL.Qzt", "com1.Qzt", "unit."}) {
        const auto written = WriteFileAtomically(dir / name, "data");
        ASSERT_FALSE(written) << name;
        EXPECT_EQ(written.error().code, EINVAL) << name;
    }
#endif
}

}  // namespace
}  // namespace qzt
