#include <gtest/gtest.h>

#include <random>

#include "CodecFixture.h"

namespace qzt {
namespace {

using test::CodecFixture;
using test::kNoFailure;
using test::WrittenBack;

// Random images, most of whose fields hold valid values, so that many of
// them decode without failure.
class ImageGenerator {
  public:
    explicit ImageGenerator(unsigned seed) : random_(seed) {}

    ConfigImage Next() {
        ConfigImage image;
        for (std::uint8_t& b : image) {
            b = Byte();
        }
        for (const ImageField& field : kImageFields) {
            if (Chance(10)) {
                continue;  // left as random bytes
            }
            switch (field.encoding) {
                case FieldEncoding::ListCode:
                    image[field.offset] =
                        static_cast<std::uint8_t>(Between(0, field.offset == 53    ? 2
                                                             : field.offset == 105 ? 6
                                                                                   : 7));
                    break;
                case FieldEncoding::Number:
                case FieldEncoding::ScheduleTime:
                    Put(image, field, Between(field.minimum, field.maximum));
                    break;
                case FieldEncoding::RadioTestPeriod:
                    image[field.offset] =
                        static_cast<std::uint8_t>(Chance(20) ? 255 : Between(0, 240));
                    break;
                default:
                    break;  // any byte is valid
            }
        }
        return image;
    }

  private:
    std::uint8_t Byte() { return static_cast<std::uint8_t>(Between(0, 255)); }
    int Between(int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random_);
    }
    bool Chance(int percent) { return Between(1, 100) <= percent; }
    static void Put(ConfigImage& image, const ImageField& field, int value) {
        if (field.width == 2) {
            Put16(image, field.offset, static_cast<unsigned>(value));
        } else {
            image[field.offset] = static_cast<std::uint8_t>(value);
        }
    }
    std::mt19937 random_;
};

TEST(RoundTrip, DecodedImagesEncodeBackAndForeignBytesStay) {
    ImageGenerator generator(20240229);
    int roundTrips = 0;
    for (int n = 0; n < 20000; ++n) {
        CodecFixture f;
        const ConfigImage original = generator.Next();
        ConfigImage image = original;
        const int decoded = f.Decode(image, n % 2 == 0 ? ConfigMode::File : ConfigMode::Read);
        for (const ConfigMode mode : {ConfigMode::Saved, ConfigMode::Written}) {
            ConfigImage encoded = image;
            const int result = f.Encode(encoded, mode);
            for (std::size_t i = 0; i < kImageSize; ++i) {
                if (IsFormFieldByte(i)) {
                    continue;
                }
                const bool unitBlock = kDstBlock.Contains(i) || kClockBlock.Contains(i);
                if (mode == ConfigMode::Written && unitBlock) {
                    continue;
                }
                ASSERT_EQ(encoded[i], original[i])
                    << "image " << n << " mode " << int(mode) << " byte " << i;
            }
            if (decoded != kNoFailure) {
                continue;
            }
            // Only the schedule's times are checked by encoding alone (their
            // ranges and the one-hour rule); they are written all the same.
            const bool timesOutOfRange =
                original[92] > 23 || original[93] > 59 || original[94] > 23 || original[95] > 59;
            ASSERT_TRUE(result == kNoFailure ||
                        (result == 92 && (timesOutOfRange || f.form.cbEnableTimeSchedule)) ||
                        (result == 94 && timesOutOfRange))
                << "image " << n << " refused at " << result << ": " << f.fieldName;
            for (std::size_t i = 0; i < kImageSize; ++i) {
                if (IsFormFieldByte(i)) {
                    ASSERT_EQ(encoded[i], WrittenBack(i, original[i]))
                        << "image " << n << " mode " << int(mode) << " byte " << i;
                }
            }
            roundTrips += mode == ConfigMode::Saved ? 1 : 0;
        }
    }
    // The generator must reach the interesting case often.
    EXPECT_GT(roundTrips, 1000);
}

}  // namespace
}  // namespace qzt
