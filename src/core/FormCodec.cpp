#include "core/FormCodec.h"

#include "text/Text.h"

namespace qzt {
namespace {

// Clears DecodingInProgress however decoding ends.
class DecodingScope {
  public:
    explicit DecodingScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~DecodingScope() { flag_ = false; }
    DecodingScope(const DecodingScope&) = delete;
    DecodingScope& operator=(const DecodingScope&) = delete;

  private:
    bool& flag_;
};

}  // namespace

std::string DstRuleText(const ValuesIni& values, int regionCode) {
    return values.ReadValue(kDaylightSavingSection, std::to_string(regionCode) + "TZ");
}

CodecContext CodecContextFor(const ProgramState& state, UserInterface& ui) {
    CodecContext context;
    for (const DropDownSource& source : kDropDownSources) {
        context.lists[static_cast<std::size_t>(source.dropDown)] = &state.List(source.dropDown);
    }
    context.locale = &ui.Locale();
    context.now = [&ui] { return ui.LocalTimeNow(); };
    context.dstRuleText = [&state](int code) { return DstRuleText(state.Values, code); };
    context.processPendingMessages = [&ui] { ui.ProcessPendingMessages(); };
    return context;
}

std::optional<FieldFault> DecodeIntoForm(ProgramState& state, UserInterface& ui,
                                         std::span<std::uint8_t, kImageSize> image,
                                         ConfigMode mode) {
    DecodingScope decoding(state.DecodingInProgress);
    const CodecContext context = CodecContextFor(state, ui);
    auto fault = DecodeImage(image, mode, state.Form, context);
    ui.ShowForm(state.Form);
    return fault;
}

std::optional<FieldFault> EncodeFromForm(ProgramState& state, UserInterface& ui,
                                         std::span<std::uint8_t, kImageSize> image,
                                         ConfigMode mode) {
    ui.ReadForm(state.Form);
    return EncodeImage(image, mode, state.Form, CodecContextFor(state, ui));
}

std::string DecodeErrorText(const FieldFault& fault) {
    return TextF(txt::ErrorConvertingData, fault.fieldName, std::to_string(fault.index),
                 fault.valueText);
}

void ShowDecodeError(Messages& ui, const FieldFault& fault) {
    ui.ShowError(DecodeErrorText(fault));
}

void ShowEncodeError(Messages& ui, const FieldFault& fault) {
    ui.ShowError(TextF(txt::IncorrectParameterValue, fault.fieldName, fault.valueText));
}

}  // namespace qzt
