#include "core/ValuesIni.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/FileSystem.h"
#include "text/Text.h"

namespace qzt {
namespace {

// The code of a value-list key: a decimal number without leading zeros that
// fits a 32-bit signed integer. "01" is not the key of code 1.
bool KeyCode(std::string_view key, std::int32_t& code) {
    if (key.empty() || (key.size() > 1 && key.front() == '0')) {
        return false;
    }
    auto [end, ec] = std::from_chars(key.data(), key.data() + key.size(), code);
    return ec == std::errc() && end == key.data() + key.size() && code >= 0;
}

}  // namespace

ValuesIniWriteError::ValuesIniWriteError(const std::string& path)
    : std::runtime_error(TextF(txt::UnableToWrite, path)), path_(path) {}

std::string ValuesIni::ReadValue(std::string_view section, std::string_view key) const {
    return Snapshot().Value(section, key);
}

void ValuesIni::WriteValue(std::string_view section, std::string_view key, std::string_view value) {
    IniSnapshot ini;
    if (FileExists(fileName_)) {
        // An existing file that cannot be read is never replaced by a file
        // holding only this key.
        const Result<std::string> text = ReadWholeFile(fileName_);
        Result<IniSnapshot> parsed = text ? IniSnapshot::Parse(*text) : text.error();
        if (!parsed) {
            throw ValuesIniWriteError(fileName_);
        }
        ini = std::move(*parsed);
    }
    ini.SetValue(section, key, value);
    if (!WriteFileAtomically(fileName_, ini.ToText())) {
        throw ValuesIniWriteError(fileName_);
    }
}

int LoadValueList(const IniSnapshot& ini, std::string_view section, ValueList& list) {
    list.Clear();
    if (!ini.SectionHasKeys(section)) {
        return 0;
    }
    // Reading keys 0, 1, 2, ... in turn, with a missing key counting as
    // "<EMPTY>", reaches exactly the keys present in ascending order.
    std::vector<std::int32_t> codes;
    for (const std::string& key : ini.Keys(section)) {
        std::int32_t code = 0;
        if (KeyCode(key, code)) {
            codes.push_back(code);
        }
    }
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());

    for (std::int32_t code : codes) {
        if (list.Count() >= list.Capacity()) {
            break;
        }
        std::string text = ini.Value(section, std::to_string(code));
        if (text == kEndOfList) {
            break;
        }
        if (text != kEmptyEntry) {
            list.Append(code, std::move(text));
        }
    }
    return list.Count();
}

}  // namespace qzt
