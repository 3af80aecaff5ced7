#include <gtest/gtest.h>

#include "core/ProgramState.h"
#include "core/WindowTitle.h"

namespace qzt {
namespace {

TEST(WindowTitle, FollowsWhereTheConfigurationCameFrom) {
    struct Case {
        int state;
        const char* file;
        std::optional<std::string> title;
    };
    const Case cases[] = {
        {kStateDefault, "/a/b.qzt", "(Default) - QZT Programmer"},
        {kStateFile, "/home/tech/site 3/b.qzt", "b.qzt - QZT Programmer"},
        {kStateSaved, "/a/100%s.Qzt", "100%s.Qzt - QZT Programmer"},
        {kStateRead, "/a/b.qzt", "(Read from QZT) - QZT Programmer"},
        {kStateWritten, "/a/b.qzt", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WindowTitleFor(c.state, c.file), c.title) << c.state;
    }
}

}  // namespace
}  // namespace qzt
