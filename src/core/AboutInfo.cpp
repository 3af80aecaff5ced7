#include "core/AboutInfo.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "text/Text.h"

namespace qzt {

long long AboutLineCount(const std::string& value) {
    // Leading blanks, an optional sign, then digits (hexadecimal after 0x);
    // the number ends at the first other character, and an overflowing one
    // saturates.
    const char* text = value.c_str();
    while (std::isspace(static_cast<unsigned char>(*text))) {
        ++text;
    }
    const char* digits = text;
    if (*digits == '+' || *digits == '-') {
        ++digits;
    }
    int base = 10;
    if (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
    }
    char* end = nullptr;
    long long count = std::strtoll(text, &end, base);
    if (end == text) {
        return 0;
    }
    return count;
}

std::vector<std::string> AboutLines(const VersionInfo& version, const IniSnapshot& aboutIni) {
    std::vector<std::string> lines;
    if (version.fileDescription) {
        lines.push_back(*version.fileDescription);
    }
    std::string versionLine = version.fileVersion ? Text(txt::AboutVersion) + *version.fileVersion
                                                  : Text(txt::AboutVersionUnknown);
    if (version.comments) {
        versionLine += " " + *version.comments;
    }
    lines.push_back(versionLine);

    // "Aboutinfo" and "AboutInfo" name the same section.
    const long long count = AboutLineCount(aboutIni.Value("Aboutinfo", "Lines"));
    if (count != 0) {
        lines.emplace_back();
        const long long shown = std::min(count, kMaxAboutLines);
        for (long long n = 1; n <= shown; ++n) {
            lines.push_back(aboutIni.Value("AboutInfo", "Line" + std::to_string(n)));
        }
    } else {
        lines.push_back(Text(txt::AboutCompany));
    }
    lines.push_back(aboutIni.Value("AboutInfo", "WWW"));
    lines.push_back(aboutIni.Value("AboutInfo", "MAIL"));
    return lines;
}

std::string KvdInfoLine(bool answered, const std::string& info) {
    return answered ? Text(txt::AboutKvdInfo) + info : std::string();
}

}  // namespace qzt
