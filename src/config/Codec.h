#pragma once
// Decoding shows a configuration image in the form; encoding writes the form
// back into the image. Both visit the fields in one fixed order, check every
// field with limits, never stop at a failure and report the last one found:
// its byte index, its name and, for encoding, the text it held.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "config/CodecContext.h"
#include "config/ConfigImage.h"
#include "config/FormModel.h"

namespace qzt {

// Returned by DecodeImage and EncodeImage when every field is valid.
inline constexpr int kNoFailure = -1;

// Fills `form` from `image`. `mode` is where the image came from (0 default
// image, 1 file, 3 the unit); only the unit's image shows the unit's clock,
// and only when its time schedule is on. Byte 64 holding 255 (an unset
// radio-test period) is cleared in the image. Returns kNoFailure or the byte
// index of the last field outside its limits, with its name in `fieldName`
// (untouched when there is none).
int DecodeImage(std::span<std::uint8_t, kImageSize> image, int mode, FormModel& form,
                const CodecContext& context, std::string& fieldName);

// Writes the form's fields into `image`. `mode` is 2 (saving to a file) or 4
// (writing to the unit, which also stamps the clock block and computes the
// daylight-saving tables). A refused field keeps its bytes; valid fields are
// written all the same. Returns kNoFailure or the byte index of the last
// refused field, with its name and text in `fieldName` and `valueText`
// (untouched when there is none).
int EncodeImage(std::span<std::uint8_t, kImageSize> image, int mode, const FormModel& form,
                const CodecContext& context, std::string& valueText, std::string& fieldName);

// A whole decimal number as the user may type or paste it: an optional sign
// and digits, nothing else. Numbers too large for any field saturate far
// outside every limit rather than wrap.
std::optional<long long> ParseWholeNumber(std::string_view text);

}  // namespace qzt
