#include <gtest/gtest.h>

#include "core/AboutInfo.h"

namespace qzt {
namespace {

using Lines = std::vector<std::string>;

const VersionInfo kFull{"QZT Programmer", "1.2.3.4", "For QZT units"};

TEST(AboutInfo, MemoLinesFromAboutIni) {
    struct Case {
        const char* name;
        const char* ini;
        Lines expected;
    };
    const Case cases[] = {
        {"no About.ini",
         "",
         {"QZT Programmer", "Version: 1.2.3.4 For QZT units", "ORVI Electronics", "", ""}},
        {"two lines, only the first present",
         "[AboutInfo]\nLines=2\nLine1=one\nWWW=w\nMAIL=m\n",
         {"QZT Programmer", "Version: 1.2.3.4 For QZT units", "", "one", "", "w", "m"}},
        {"hexadecimal count, section name in another case",
         "[Aboutinfo]\nLines=0x2\nLine1=a\nLine2=b\n",
         {"QZT Programmer", "Version: 1.2.3.4 For QZT units", "", "a", "b", "", ""}},
        {"negative count adds only the empty line",
         "[AboutInfo]\nLines=-3\nLine1=a\n",
         {"QZT Programmer", "Version: 1.2.3.4 For QZT units", "", "", ""}},
        {"not a number counts as 0",
         "[AboutInfo]\nLines=many\nLine1=a\n",
         {"QZT Programmer", "Version: 1.2.3.4 For QZT units", "ORVI Electronics", "", ""}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AboutLines(kFull, IniSnapshot::Parse(c.ini).value()), c.expected) << c.name;
    }
}

TEST(AboutInfo, VersionLineWithoutEntries) {
    const IniSnapshot none = IniSnapshot::Parse("").value_or(IniSnapshot());
    EXPECT_EQ(AboutLines({std::nullopt, "1.0.0.0", std::nullopt}, none)[0], "Version: 1.0.0.0");
    EXPECT_EQ(AboutLines({"D", std::nullopt, std::nullopt}, none)[1], "Version: unknown");
}

// The lines shown are capped, so the loop over them is too: a count that is
// not capped would show here as a billion lines, not as a slow test.
TEST(AboutInfo, HugeCountIsCapped) {
    const Lines lines =
        AboutLines(kFull, IniSnapshot::Parse("[AboutInfo]\nLines=999999999\n").value());
    EXPECT_EQ(lines.size(), 2u + 1u + static_cast<std::size_t>(kMaxAboutLines) + 2u);
}

TEST(AboutInfo, LineCountForms) {
    const struct {
        const char* value;
        long long count;
    } cases[] = {{"3", 3},     {" 12", 12},
                 {"0x1F", 31}, {"0X10", 16},
                 {"-3", -3},   {"", 0},
                 {"abc", 0},   {"7 lines", 7},
                 {"0", 0},     {"99999999999999999999999", 9223372036854775807LL}};
    for (const auto& c : cases) {
        EXPECT_EQ(AboutLineCount(c.value), c.count) << c.value;
    }
    EXPECT_EQ(KvdInfoLine(true, "KVD-USB 1.4"), "KVD info: KVD-USB 1.4");
    EXPECT_EQ(KvdInfoLine(false, "ignored"), "");
}

}  // namespace
}  // namespace qzt
