#pragma once
// The tool's JSON output: one line a document, so a script reads it with one
// line read.

#include <nlohmann/json.hpp>
#include <string>

namespace qzt {

// One line, members separated by ", " and names from values by ": ". The
// indented form puts each member on a line of its own; line breaks inside
// texts are escaped, so every line break left is one of those.
inline std::string OneLineJson(const nlohmann::ordered_json& value) {
    const std::string indented =
        value.dump(0, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    std::string line;
    for (const char c : indented) {
        if (c != '\n') {
            line += c;
        } else if (!line.empty() && line.back() == ',') {
            line += ' ';
        }
    }
    return line;
}

}  // namespace qzt
