#include "text/Text.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdio>
#include <utility>

// The language edition's string-table file, compiled in by the build.
extern const unsigned char qzt_string_table[];
extern const std::size_t qzt_string_table_size;

namespace qzt {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Parses one quoted text starting at the opening quote; returns false when the
// closing quote is missing or an escape is unknown.
bool ParseQuoted(std::string_view line, std::string& out) {
    if (line.empty() || line.front() != '"') {
        return false;
    }
    out.clear();
    std::size_t i = 1;
    for (; i < line.size(); ++i) {
        char c = line[i];
        if (c == '"') {
            break;
        }
        if (c == '\\') {
            if (++i >= line.size()) {
                return false;
            }
            switch (line[i]) {
                case 'n':
                    out += '\n';
                    break;
                case '"':
                    out += '"';
                    break;
                case '\\':
                    out += '\\';
                    break;
                default:
                    return false;
            }
        } else {
            out += c;
        }
    }
    if (i >= line.size()) {
        return false;
    }
    for (++i; i < line.size(); ++i) {
        if (!IsBlank(line[i])) {
            return false;
        }
    }
    return true;
}

const std::map<int, std::string>& Table() {
    static const std::map<int, std::string> table = [] {
        StringTable parsed = ParseStringTable(std::string_view(
            reinterpret_cast<const char*>(qzt_string_table), qzt_string_table_size));
        if (!parsed.error.empty()) {
            // The build's own file is broken; the string-table test catches
            // this before release. Show what could be parsed.
            std::fprintf(stderr, "string table: %s\n", parsed.error.c_str());
        }
        return std::move(parsed.texts);
    }();
    return table;
}

}  // namespace

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

StringTable ParseStringTable(std::string_view data) {
    StringTable table;
    const auto malformed = [&table](std::size_t lineNumber, const std::string& what) {
        table.error = "line " + std::to_string(lineNumber) + ": " + what;
        return std::move(table);
    };
    std::size_t lineNumber = 0;
    while (!data.empty()) {
        ++lineNumber;
        std::size_t end = data.find('\n');
        std::string_view line = data.substr(0, end);
        data = end == std::string_view::npos ? std::string_view() : data.substr(end + 1);

        std::size_t start = 0;
        while (start < line.size() && IsBlank(line[start])) {
            ++start;
        }
        line.remove_prefix(start);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        int number = 0;
        auto [rest, ec] = std::from_chars(line.data(), line.data() + line.size(), number);
        std::size_t used = static_cast<std::size_t>(rest - line.data());
        if (ec != std::errc() || used == 0 || used >= line.size() || !IsBlank(line[used])) {
            return malformed(lineNumber, "expected a number and a text");
        }
        line.remove_prefix(used);
        while (!line.empty() && IsBlank(line.front())) {
            line.remove_prefix(1);
        }
        std::string text;
        if (!ParseQuoted(line, text)) {
            return malformed(lineNumber, "malformed quoted text");
        }
        if (!table.texts.emplace(number, std::move(text)).second) {
            return malformed(lineNumber, "number " + std::to_string(number) + " appears twice");
        }
    }
    return table;
}

const std::string& Text(int id) {
    static const std::string empty;
    const auto& table = Table();
    auto it = table.find(id);
    return it == table.end() ? empty : it->second;
}

std::string FormatText(std::string_view format, std::initializer_list<TextArg> args) {
    std::string out;
    out.reserve(format.size() + 32);
    auto next = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%' || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        std::size_t j = i + 1;
        if (format[j] == '%') {
            out += '%';
            i = j;
            continue;
        }
        bool zeroPad = false;
        if (format[j] == '0') {
            zeroPad = true;
            ++j;
        }
        std::size_t width = 0;
        while (j < format.size() && format[j] >= '0' && format[j] <= '9' && width < 64) {
            width = width * 10 + static_cast<std::size_t>(format[j] - '0');
            ++j;
        }
        if (j >= format.size() || (format[j] != 's' && format[j] != 'd')) {
            out += c;  // not one of ours: copy the '%' and go on
            continue;
        }
        std::string piece;
        if (next != args.end()) {
            if (const auto* text = std::get_if<std::string_view>(&*next)) {
                piece = *text;
            } else {
                piece = std::to_string(std::get<long long>(*next));
            }
            ++next;
        }
        if (piece.size() < width) {
            std::size_t pad = width - piece.size();
            if (zeroPad && format[j] == 'd') {
                std::size_t sign = (!piece.empty() && piece.front() == '-') ? 1 : 0;
                piece.insert(sign, pad, '0');
            } else {
                piece.insert(0, pad, ' ');
            }
        }
        out += piece;
        i = j;
    }
    return out;
}

}  // namespace qzt
