#pragma once
// The program's string table: every text a user sees, by its number, in the
// language edition compiled into the program; and the filler for its
// placeholders.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>

#include "text/TextIds.h"

namespace qzt {

// The text with number `id`, or an empty text when the edition lacks it.
const std::string& Text(int id);

// A message on one line, its line breaks as spaces: how a status bar, a
// progress line, the history and a series' record show what the user was
// told in a box.
std::string OneLine(std::string text);

// A string-table file (the format of resources/strings/*.txt) as parsed: its
// texts up to the first malformed line, and the reason naming that line
// (empty when every line was good).
struct StringTable {
    std::map<int, std::string> texts;
    std::string error;
};
StringTable ParseStringTable(std::string_view data);

// One argument of FormatText: a text for %s or a number for %d.
using TextArg = std::variant<std::string_view, long long>;

// Fills %s and %d (also with a zero flag and width, %02d) and %% in `format`.
// Arguments are inserted as they are: a file name holding '%' stays as it is.
// A placeholder without an argument, or of the other kind, is filled with an
// empty text or the argument converted; unknown directives are copied.
std::string FormatText(std::string_view format, std::initializer_list<TextArg> args);

inline TextArg ToTextArg(std::string_view s) {
    return s;
}
inline TextArg ToTextArg(const std::string& s) {
    return std::string_view(s);
}
inline TextArg ToTextArg(const char* s) {
    return std::string_view(s);
}
inline TextArg ToTextArg(long long n) {
    return n;
}
inline TextArg ToTextArg(long n) {
    return static_cast<long long>(n);
}
inline TextArg ToTextArg(int n) {
    return static_cast<long long>(n);
}
inline TextArg ToTextArg(unsigned n) {
    return static_cast<long long>(n);
}
inline TextArg ToTextArg(std::uint8_t n) {
    return static_cast<long long>(n);
}

// The text with number `id`, its placeholders filled with `args`.
template <typename... Args>
std::string TextF(int id, const Args&... args) {
    return FormatText(Text(id), {ToTextArg(args)...});
}

}  // namespace qzt
