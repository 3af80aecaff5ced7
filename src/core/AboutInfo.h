#pragma once
// The content of the about box: the version lines from the program's own
// version information, the interface box line, and the free lines of
// About.ini.

#include <string>
#include <vector>

#include "core/IniFile.h"
#include "core/VersionInfo.h"

namespace qzt {

inline constexpr const char* kAboutFileName = "About.ini";

// The most free text lines the about box takes from About.ini. The count
// comes from a file anyone may edit; a huge one must not freeze the dialog.
inline constexpr long long kMaxAboutLines = 1000;

// The number of free lines: `Lines` in decimal, or hexadecimal after 0x or 0X;
// anything that is not a number counts as 0. The value is not capped here.
long long AboutLineCount(const std::string& value);

// The memo's lines, top to bottom: the description (when there is one), the
// version line ("Version: " and the file version, or "Version: unknown", then a
// blank and the comments when there are some); then an empty line and the
// free lines 1 to Lines (a negative count adds only the empty line), or the
// company line when Lines is 0; then the WWW and MAIL lines.
std::vector<std::string> AboutLines(const VersionInfo& version, const IniSnapshot& aboutIni);

// The label under the picture: "KVD info: " and the box's 11 characters, or
// empty when the box did not answer.
std::string KvdInfoLine(bool answered, const std::string& info);

}  // namespace qzt
