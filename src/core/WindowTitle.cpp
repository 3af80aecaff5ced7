#include "core/WindowTitle.h"

#include "core/FileSystem.h"
#include "core/ProgramState.h"
#include "text/Text.h"

namespace qzt {

std::optional<std::string> WindowTitleFor(int configState, const std::string& currentFileName) {
    std::string source;
    switch (configState) {
        case kStateDefault:
            source = Text(txt::TitleDefault);
            break;
        case kStateFile:
        case kStateSaved:
            source = FileNamePart(currentFileName);
            break;
        case kStateRead:
            source = Text(txt::TitleReadFromUnit);
            break;
        default:
            return std::nullopt;
    }
    return FormatText("%s - %s", {source, Text(txt::ProgramName)});
}

}  // namespace qzt
