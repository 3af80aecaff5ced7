#include <gtest/gtest.h>

#include "core/ProgramState.h"
#include "core/WindowTitle.h"

namespace qzt {
namespace {

TEST(WindowTitle, FollowsWhereTheConfigurationCameFrom) {
    struct Case {
        ConfigMode state;
        const char* file;
        std::optional<std::string> title;
    };
    const Case cases[] = {
        {ConfigMode::Default, "/a/b.qzt", "(Default) - QZT Programmer"},
        {ConfigMode::File, "/home/tech/site 3/b.qzt", "b.qzt - QZT Programmer"},
        {ConfigMode::Saved, "/a/100%s.Qzt", "100%s.Qzt - QZT Programmer"},
        {ConfigMode::Read, "/a/b.qzt", "(Read from QZT) - QZT Programmer"},
        {ConfigMode::Written, "/a/b.qzt", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WindowTitleFor(c.state, c.file), c.title) << int(c.state);
    }
}

}  // namespace
}  // namespace qzt
