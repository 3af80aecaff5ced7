#include <gtest/gtest.h>

#include "config/DefaultImage.h"

namespace qzt {
namespace {

TEST(DefaultImage, IsAValidQztImage) {
    const ConfigImage image = BuildDefaultImage();
    EXPECT_TRUE(IsQztProduct(image));
    EXPECT_TRUE(ChecksumMatches(image));
}

// Every field with limits lies inside them, so File > New decodes the
// template without a complaint.
TEST(DefaultImage, FieldsInsideTheirLimits) {
    const ConfigImage image = BuildDefaultImage();
    auto u16 = [&](std::size_t at) { return image[at] * 256 + image[at + 1]; };
    struct Limit {
        const char* field;
        int value;
        int min;
        int max;
    };
    const Limit limits[] = {
        {"on pad delay", image[49], 7, 240},
        {"out of pad delay", image[48], 7, 240},
        {"time allowed out of pad", u16(50), 7, 3600},
        {"max time outside door", u16(54), 0, 3600},
        {"radio test alarm period", image[64], 0, 240},
        {"battery alarm period", image[65], 0, 240},
        {"inactivity time limit (0 is 256)", image[38] == 0 ? 256 : image[38], 1, 256},
        {"activation hour", image[92], 0, 23},
        {"activation minute", image[93], 0, 59},
        {"inactivation hour", image[94], 0, 23},
        {"inactivation minute", image[95], 0, 59},
    };
    for (const Limit& l : limits) {
        EXPECT_GE(l.value, l.min) << l.field;
        EXPECT_LE(l.value, l.max) << l.field;
    }
    // The schedule times are at least an hour apart, so enabling the
    // schedule needs no other change.
    const int a = image[92] * 60 + image[93];
    const int i = image[94] * 60 + image[95];
    const int gap = ((i - a) % 1440 + 1440) % 1440;
    EXPECT_TRUE(gap >= 60 && gap <= 1380);
}

}  // namespace
}  // namespace qzt
