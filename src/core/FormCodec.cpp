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

int DecodeIntoForm(ProgramState& state, UserInterface& ui,
                   std::span<std::uint8_t, kImageSize> image, int mode, std::string& fieldName) {
    DecodingScope decoding(state.DecodingInProgress);
    const CodecContext context = CodecContextFor(state, ui);
    const int result = DecodeImage(image, mode, state.Form, context, fieldName);
    ui.ShowForm(state.Form);
    return result;
}

int EncodeFromForm(ProgramState& state, UserInterface& ui,
                   std::span<std::uint8_t, kImageSize> image, int mode, std::string& valueText,
                   std::string& fieldName) {
    ui.ReadForm(state.Form);
    const CodecContext context = CodecContextFor(state, ui);
    return EncodeImage(image, mode, state.Form, context, valueText, fieldName);
}

void ShowDecodeError(UserInterface& ui, const std::string& fieldName, int index,
                     std::span<const std::uint8_t, kImageSize> image) {
    const std::string content = index >= 0 && index < static_cast<int>(kImageSize)
                                    ? std::to_string(image[static_cast<std::size_t>(index)])
                                    : std::string();
    ui.ShowError(TextF(txt::ErrorConvertingData, fieldName, std::to_string(index), content));
}

void ShowEncodeError(UserInterface& ui, const std::string& fieldName,
                     const std::string& valueText) {
    ui.ShowError(TextF(txt::IncorrectParameterValue, fieldName, valueText));
}

}  // namespace qzt
