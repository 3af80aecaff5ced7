#include "core/WindowTitle.h"

#include "core/FileSystem.h"
#include "core/ProgramState.h"
#include "core/UserInterface.h"
#include "text/Text.h"

namespace qzt {

std::optional<std::string> WindowTitleFor(ConfigMode configState,
                                          const std::string& currentFileName) {
    std::string source;
    switch (configState) {
        case ConfigMode::Default:
            source = Text(txt::TitleDefault);
            break;
        case ConfigMode::File:
        case ConfigMode::Saved:
            source = FileNamePart(currentFileName);
            break;
        case ConfigMode::Read:
            source = Text(txt::TitleReadFromUnit);
            break;
        default:
            return std::nullopt;
    }
    return FormatText("%s - %s", {source, Text(txt::ProgramName)});
}

}  // namespace qzt

namespace qzt {

void RefreshTitle(const ProgramState& state, StatusDisplay& ui) {
    if (auto title = WindowTitleFor(state.ConfigState, state.CurrentFileName)) {
        ui.SetTitle(*title);
    }
}

}  // namespace qzt
