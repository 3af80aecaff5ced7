#pragma once
// Decoding shows a configuration image in the form; encoding writes the form
// back into the image. Both visit the fields in one fixed order, check every
// field with limits, never stop at a failure and report the last one found:
// its byte index, its name and the value it held.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "config/CodecContext.h"
#include "config/ConfigImage.h"
#include "config/ConfigMode.h"
#include "config/FieldFault.h"
#include "config/FormModel.h"

namespace qzt {

// Fills `form` from `image`. `mode` is where the image came from (Default,
// File or Read); only the unit's image shows the unit's clock, and only when
// its time schedule is on. The radio-test period holding 255 (unset) is
// cleared in the image. Returns the last field outside its limits, if any,
// with the value of its byte.
std::optional<FieldFault> DecodeImage(std::span<std::uint8_t, kImageSize> image, ConfigMode mode,
                                      FormModel& form, const CodecContext& context);

// Writes the form's fields into `image`. `mode` is Saved (saving to a file)
// or Written (writing to the unit, which also stamps the clock block and
// computes the daylight-saving tables). A refused field keeps its bytes;
// valid fields are written all the same. Returns the last refused field, if
// any, with the text it held.
std::optional<FieldFault> EncodeImage(std::span<std::uint8_t, kImageSize> image, ConfigMode mode,
                                      const FormModel& form, const CodecContext& context);

// A whole decimal number as the user may type or paste it: an optional sign
// and digits, nothing else. Numbers too large for any field saturate far
// outside every limit rather than wrap.
std::optional<long long> ParseWholeNumber(std::string_view text);

}  // namespace qzt
