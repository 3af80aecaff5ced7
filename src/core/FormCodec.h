#pragma once
// Decoding and encoding as the file and device commands use them: on the
// main window's state, with the lists, settings file, locale and clock that
// the program has, and the form shown or read through the user interface.

#include <cstdint>
#include <span>
#include <string>

#include "config/Codec.h"
#include "core/ProgramState.h"
#include "core/UserInterface.h"

namespace qzt {

inline constexpr const char* kDaylightSavingSection = "DaylightSaving";

// The daylight-saving rule text of a region: key <code>TZ of the section
// DaylightSaving, read from the file now; empty when missing.
std::string DstRuleText(const ValuesIni& values, int regionCode);

// The codec's view of the program: the seven lists of `state`, the rules of
// its Values.ini, and the locale, clock and message loop of `ui`. Both must
// outlive the context.
CodecContext CodecContextFor(const ProgramState& state, UserInterface& ui);

// Decodes `image` into state.Form and shows it, with DecodingInProgress set
// for the whole time so the on-change warnings stay silent. Returns
// kNoFailure or the byte index of the last field outside its limits.
int DecodeIntoForm(ProgramState& state, UserInterface& ui,
                   std::span<std::uint8_t, kImageSize> image, int mode, std::string& fieldName);

// Reads the form's controls into state.Form and encodes it into `image`.
// Returns kNoFailure or the byte index of the last refused field.
int EncodeFromForm(ProgramState& state, UserInterface& ui,
                   std::span<std::uint8_t, kImageSize> image, int mode, std::string& valueText,
                   std::string& fieldName);

// "Error converting data!": the field, the byte index and that byte's value
// (the first byte of a two-byte field), both in decimal.
void ShowDecodeError(UserInterface& ui, const std::string& fieldName, int index,
                     std::span<const std::uint8_t, kImageSize> image);

// "Incorrect parameter value!": the field and the text it holds.
void ShowEncodeError(UserInterface& ui, const std::string& fieldName, const std::string& valueText);

}  // namespace qzt
