#include <gtest/gtest.h>

#include "config/ValueList.h"

namespace qzt {
namespace {

TEST(ValueList, IndexOfCodeFindsTheFirstEntryAndRespectsCapacity) {
    ValueList list(3);
    EXPECT_EQ(list.IndexOfCode(0), -1);  // empty list
    EXPECT_TRUE(list.Append(0, "zero"));
    EXPECT_TRUE(list.Append(2, "two"));
    EXPECT_TRUE(list.Append(2, "two again"));
    EXPECT_FALSE(list.Append(7, "over capacity"));
    EXPECT_EQ(list.Count(), 3);

    const struct {
        std::uint8_t code;
        int index;
    } cases[] = {{0, 0}, {1, -1}, {2, 1}, {7, -1}, {255, -1}};
    for (const auto& c : cases) {
        EXPECT_EQ(list.IndexOfCode(c.code), c.index) << int(c.code);
    }
    EXPECT_EQ(list.CodeAt(1), 2);
}

// Codes above 255 can be listed but no image byte selects them.
TEST(ValueList, CodeAboveAByteIsNeverSelected) {
    ValueList list(2);
    list.Append(256, "too big");
    EXPECT_EQ(list.IndexOfCode(0), -1);
    EXPECT_EQ(list.CodeAt(0), 256);
}

}  // namespace
}  // namespace qzt
