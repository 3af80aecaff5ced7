#pragma once
// The program's own version information (description, four-number file
// version, comments), compiled in from the project version.

#include <optional>
#include <string>

namespace qzt {

struct VersionInfo {
    std::optional<std::string> fileDescription;
    std::optional<std::string> fileVersion;
    std::optional<std::string> comments;
};

// The version information of this build.
const VersionInfo& ProgramVersionInfo();

// The FileVersion, for example "1.0.0.0"; empty when it is not available.
std::string FileVersionString();

}  // namespace qzt
