#pragma once
// Decoding and encoding as the file and device commands use them: on the
// main window's state, with the lists, settings file, locale and clock that
// the program has, and the form shown or read through the user interface.

#include <cstdint>
#include <optional>
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
// for the whole time so the on-change warnings stay silent. Returns the last
// field outside its limits, if any.
std::optional<FieldFault> DecodeIntoForm(ProgramState& state, UserInterface& ui,
                                         std::span<std::uint8_t, kImageSize> image,
                                         ConfigMode mode);

// Reads the form's controls into state.Form and encodes it into `image`.
// Returns the last refused field, if any.
std::optional<FieldFault> EncodeFromForm(ProgramState& state, UserInterface& ui,
                                         std::span<std::uint8_t, kImageSize> image,
                                         ConfigMode mode);

// "Error converting data!": the field, its byte index and that byte's value,
// both in decimal; ShowDecodeError shows it in an error box.
std::string DecodeErrorText(const FieldFault& fault);
void ShowDecodeError(Messages& ui, const FieldFault& fault);

// "Incorrect parameter value!": the field and the text it holds.
void ShowEncodeError(Messages& ui, const FieldFault& fault);

}  // namespace qzt
