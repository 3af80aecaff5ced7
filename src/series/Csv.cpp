#include "series/Csv.h"

#include <algorithm>
#include <cctype>

namespace qzt {

std::vector<std::vector<std::string>> SplitCsv(std::string_view text, char separator) {
    return *SplitCsv(text, separator, text.size() + 1);
}

std::optional<std::vector<std::vector<std::string>>> SplitCsv(std::string_view text, char separator,
                                                              std::size_t maxFields) {
    std::vector<std::vector<std::string>> records;
    std::size_t fields = 0;
    std::vector<std::string> record;
    std::string field;
    bool quoted = false;
    bool any = false;  // the record has begun
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"') {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                quoted = false;
            }
            continue;
        }
        any = true;
        if (c == '"') {
            quoted = true;
        } else if (c == separator) {
            if (++fields > maxFields) {
                return std::nullopt;
            }
            record.push_back(std::move(field));
            field.clear();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            if (++fields > maxFields) {
                return std::nullopt;
            }
            record.push_back(std::move(field));
            field.clear();
            records.push_back(std::move(record));
            record.clear();
            any = false;
        } else {
            field += c;
        }
    }
    if (any || quoted) {
        record.push_back(std::move(field));
        records.push_back(std::move(record));
    }
    return records;
}

std::string Trimmed(std::string_view cell) {
    const auto first = cell.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(cell.substr(first, cell.find_last_not_of(" \t") - first + 1));
}

std::string UpperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string FoldedName(std::string_view name) {
    std::string folded = Trimmed(name);
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return folded;
}

std::string_view WithoutByteOrderMark(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    return text;
}

}  // namespace qzt
