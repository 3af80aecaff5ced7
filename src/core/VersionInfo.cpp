#include "core/VersionInfo.h"

#include "core/Version.h"

namespace qzt {
namespace {

std::optional<std::string> Entry(const char* value) {
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return std::string(value);
}

}  // namespace

const VersionInfo& ProgramVersionInfo() {
    static const VersionInfo info{Entry(version::kFileDescription), Entry(version::kFileVersion),
                                  Entry(version::kComments)};
    return info;
}

std::string FileVersionString() {
    return ProgramVersionInfo().fileVersion.value_or("");
}

}  // namespace qzt
