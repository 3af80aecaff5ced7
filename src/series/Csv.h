#pragma once
// Reading the CSV files of a series (the plan and the record) as
// spreadsheets save them.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qzt {

// A CSV text split into records of fields: quotes as RFC 4180 has them (a
// quoted field may hold the separator, doubled quotes and line breaks); an
// unquoted line break (LF, CR or CRLF) ends a record.
std::vector<std::vector<std::string>> SplitCsv(std::string_view text, char separator);
// The same, or nothing once the text holds more than `maxFields` fields: a
// file of separators alone would otherwise cost 32 bytes a byte.
std::optional<std::vector<std::vector<std::string>>> SplitCsv(std::string_view text, char separator,
                                                              std::size_t maxFields);

// The text without a leading UTF-8 byte-order mark.
std::string_view WithoutByteOrderMark(std::string_view text);

// A cell without the blanks a spreadsheet or a typist leaves around it.
std::string Trimmed(std::string_view cell);
// ASCII letters in one case: codes in upper case; column names compared in
// lower case, trimmed.
std::string UpperCase(std::string text);
std::string FoldedName(std::string_view name);

}  // namespace qzt
