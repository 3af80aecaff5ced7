#pragma once
// The codec's surroundings for tests: the value lists of the shipped
// settings, their daylight-saving rules, a pinned clock and a test locale.

#include <map>
#include <string>

#include "TestLocale.h"
#include "config/Codec.h"
#include "config/DefaultImage.h"
#include "config/ImageFields.h"

namespace qzt::test {

// What the fixture's Decode and Encode return when every field is valid.
inline constexpr int kNoFailure = -1;

struct CodecFixture {
    CodecFixture() {
        for (ValueList* list : {&allowUser, &doorClosed, &doorOpened, &inputClosed, &inputOpened}) {
            *list = ValueList(200);
            for (int code = 0; code <= 7; ++code) {
                list->Append(code, "Alarm type " + std::to_string(code));
            }
        }
        doorMat = ValueList(10);
        for (int code = 0; code <= 2; ++code) {
            doorMat.Append(code, "Sensor " + std::to_string(code));
        }
        regions = ValueList(30);
        for (int code = 0; code <= 6; ++code) {
            regions.Append(code, "Region " + std::to_string(code));
        }
        rules = {{1, "5,1,3,2,0,5,1,10,3,0,60"},
                 {4, "2,1,3,2,0,1,1,11,2,0,60"},
                 {5, "1,1,10,2,0,1,1,4,3,0,60"},
                 {6, "5,1,3,2,0,5,1,10,3,0"}};  // ten numbers: no rule
    }

    CodecContext Context() {
        CodecContext context;
        context.lists = {&allowUser,   &doorClosed, &doorOpened, &inputClosed,
                         &inputOpened, &doorMat,    &regions};
        context.locale = &locale;
        context.now = [this] { return now; };
        context.dstRuleText = [this](int code) {
            auto it = rules.find(code);
            return it == rules.end() ? std::string() : it->second;
        };
        context.processPendingMessages = [this] { ++pendingMessageRuns; };
        return context;
    }

    // Decodes `image` into `form`; returns the byte index of the fault, its
    // name in `fieldName`, or kNoFailure.
    int Decode(ConfigImage& image, ConfigMode mode = ConfigMode::File) {
        const auto fault = DecodeImage(image, mode, form, Context());
        fieldName = fault ? fault->fieldName : "";
        return fault ? fault->index : kNoFailure;
    }
    // Encodes `form` into `image`; as Decode, with the refused text in `valueText`.
    int Encode(ConfigImage& image, ConfigMode mode = ConfigMode::Saved) {
        const auto fault = EncodeImage(image, mode, form, Context());
        fieldName = fault ? fault->fieldName : "";
        valueText = fault ? fault->valueText : "";
        return fault ? fault->index : kNoFailure;
    }

    ValueList allowUser, doorClosed, doorOpened, inputClosed, inputOpened, doorMat, regions;
    std::map<int, std::string> rules;
    TestLocale locale;
    std::chrono::local_seconds now = NewYearsEveLateNight();
    int pendingMessageRuns = 0;

    FormModel form;
    std::string fieldName;
    std::string valueText;
};

// What a byte of a field that decoded without failure is written back as.
inline std::uint8_t WrittenBack(std::size_t offset, std::uint8_t original) {
    const ImageField* field = FindImageField(offset);
    if (field == nullptr) {
        return original;  // second byte of a 16-bit field or radio code
    }
    switch (field->encoding) {
        case FieldEncoding::Flag:
            return original == 1 ? 1 : 0;
        case FieldEncoding::InvertedFlag:
            return original == 0 ? 0 : 1;
        case FieldEncoding::RadioTestPeriod:
            return original == 255 ? 0 : original;
        default:
            return original;
    }
}

// The factory image with product information of a real unit.
inline ConfigImage UnitImage() {
    ConfigImage image = BuildDefaultImage();
    image[240] = 0x20;  // produced 29 February 2024
    image[241] = 0x24;
    image[242] = 0x02;
    image[243] = 0x29;
    image[247] = 131;  // radio calibration
    image[249] = 0x02;
    image[250] = 0x1A;
    image[251] = 0x05;
    image[253] = 0x01;  // serial number 65536 + 2 * 256 + 3
    image[254] = 0x02;
    image[255] = 0x03;
    return image;
}

}  // namespace qzt::test
