#include "series/SeriesPlan.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "config/EntryRules.h"
#include "core/FileSystem.h"
#include "device/commands/DeviceCommands.h"
#include "text/Text.h"

namespace qzt {
namespace {

constexpr std::size_t kCodeColumns = std::tuple_size_v<UserInterface::RadioCodes>;
constexpr std::size_t kLabelColumn = 0;
constexpr std::size_t kSerialColumn = 1 + kCodeColumns;

// The columns as the plan's header names them by default: "Label", the six
// rows of the radio-code dialog, "Serial number".
std::vector<std::string> PlanColumnNames() {
    std::vector<std::string> names{Text(txt::PlanLabel)};
    for (int caption : kRadioCodeCaptions) {
        names.push_back(Text(caption));
    }
    names.push_back(Text(txt::SerialNumber));
    return names;
}

// A CSV text split into records of fields: quotes as RFC 4180 has them (a
// quoted field may hold the separator, doubled quotes and line breaks); an
// unquoted line break ends a record.
std::vector<std::vector<std::string>> SplitCsv(std::string_view text, char separator) {
    std::vector<std::vector<std::string>> records;
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
            record.push_back(std::move(field));
            field.clear();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
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

// "C (Pad connection (on))": the column's letter as a spreadsheet shows it,
// and what it holds.
std::string ColumnName(std::size_t column) {
    std::string letter(1, static_cast<char>('A' + column));
    return letter + " (" + PlanColumnNames()[column] + ")";
}

std::string At(std::size_t row, std::size_t column) {
    return TextF(txt::PlanRowColumn, std::to_string(row), ColumnName(column));
}

bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80           ? 1
                                   : (c >> 5) == 0x6  ? 2
                                   : (c >> 4) == 0xE  ? 3
                                   : (c >> 3) == 0x1E ? 4
                                                      : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

bool HasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

std::string Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

bool IsBlank(const std::vector<std::string>& record) {
    return std::all_of(record.begin(), record.end(),
                       [](const std::string& field) { return Trimmed(field).empty(); });
}

// Where a code or a serial number was first seen.
struct FirstUse {
    std::size_t row;
    std::size_t column;
};

}  // namespace

PlanCheck ParseSeriesPlan(std::string_view text) {
    PlanCheck check;
    auto refuse = [&check](std::string message) { check.refusals.push_back(std::move(message)); };
    if (text.size() > kMaxPlanBytes) {
        refuse(TextF(txt::PlanTooLarge, std::to_string(kMaxPlanBytes)));
        return check;
    }
    // A spreadsheet saving UTF-8 starts with a byte-order mark.
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    if (!IsUtf8(text)) {
        refuse(Text(txt::PlanNotUtf8));
        return check;
    }
    // Spreadsheets where the comma is the decimal sign separate with ';'.
    const std::string_view header = text.substr(0, text.find_first_of("\r\n"));
    const char separator =
        header.find(';') != std::string_view::npos && header.find(',') == std::string_view::npos
            ? ';'
            : ',';
    const std::vector<std::vector<std::string>> records = SplitCsv(text, separator);

    std::map<std::string, FirstUse> codesSeen;
    std::map<std::string, FirstUse> serialsSeen;
    for (std::size_t index = 1; index < records.size(); ++index) {
        const std::vector<std::string>& record = records[index];
        const std::size_t row = index + 1;
        if (IsBlank(record)) {
            continue;
        }
        if (check.plan.rows.size() == kMaxPlanRows) {
            refuse(TextF(txt::PlanTooManyRows, std::to_string(kMaxPlanRows)));
            break;
        }
        // A spreadsheet writes empty trailing cells as separators.
        std::size_t columns = record.size();
        while (columns > kSerialColumn + 1 && Trimmed(record[columns - 1]).empty()) {
            --columns;
        }
        if (columns != kSerialColumn && columns != kSerialColumn + 1) {
            refuse(TextF(txt::PlanWrongColumns, std::to_string(row), std::to_string(columns)));
            continue;
        }
        PlanRow plan;
        plan.row = row;
        plan.label = Trimmed(record[kLabelColumn]);
        if (plan.label.empty()) {
            refuse(At(row, kLabelColumn) + " " + Text(txt::PlanLabelEmpty));
        } else if (plan.label.size() > kMaxLabelBytes || HasControlCharacter(plan.label)) {
            refuse(At(row, kLabelColumn) + " " +
                   TextF(txt::PlanLabelUnfit, std::to_string(kMaxLabelBytes)));
        }
        for (std::size_t i = 0; i < kCodeColumns; ++i) {
            const std::size_t column = 1 + i;
            const std::string code = Upper(Trimmed(record[column]));
            if (!IsCompleteRadioCode(code)) {
                refuse(At(row, column) + " " + TextF(txt::PlanBadCode, Trimmed(record[column])));
                continue;
            }
            plan.codes[i] = code;
            if (IsReservedRadioCode(code)) {
                check.warnings.push_back(At(row, column) + " " + Text(txt::RadioCodeNotAllowed));
            }
            // A code may repeat within its own row (one bed, one sender);
            // in two rows the receiver could not tell the beds apart.
            const auto [seen, first] = codesSeen.try_emplace(code, FirstUse{row, column});
            if (!first && seen->second.row != row) {
                refuse(At(row, column) + " " +
                       TextF(txt::PlanSharedCode, code, std::to_string(seen->second.row),
                             ColumnName(seen->second.column)));
            }
        }
        if (columns > kSerialColumn) {
            plan.serialNumber = Trimmed(record[kSerialColumn]);
            // Leading zeros name the same unit: the unit reports none.
            while (plan.serialNumber.size() > 1 && plan.serialNumber.front() == '0') {
                plan.serialNumber.erase(0, 1);
            }
        }
        if (!plan.serialNumber.empty()) {
            const bool digits = plan.serialNumber.size() <= kMaxSerialDigits &&
                                std::all_of(plan.serialNumber.begin(), plan.serialNumber.end(),
                                            [](unsigned char c) { return std::isdigit(c) != 0; }) &&
                                std::stoul(plan.serialNumber) <= 0xFFFFFFul;
            if (!digits) {
                refuse(At(row, kSerialColumn) + " " +
                       TextF(txt::PlanBadSerial, Trimmed(record[kSerialColumn])));
            } else if (const auto [seen, first] =
                           serialsSeen.try_emplace(plan.serialNumber, FirstUse{row, kSerialColumn});
                       !first) {
                refuse(At(row, kSerialColumn) + " " +
                       TextF(txt::PlanSharedSerial, plan.serialNumber,
                             std::to_string(seen->second.row)));
            }
        }
        check.plan.rows.push_back(std::move(plan));
    }
    if (check.refusals.empty() && check.plan.rows.empty()) {
        refuse(Text(txt::PlanEmpty));
    }
    if (!check.refusals.empty()) {
        check.plan.rows.clear();
    }
    return check;
}

PlanCheck ReadSeriesPlan(const std::string& path) {
    FileError failure;
    const std::optional<std::string> text = ReadWholeFile(path, kMaxPlanBytes + 1, &failure);
    if (!text) {
        PlanCheck check;
        check.refusals.push_back(TextF(txt::PlanUnreadable, path));
        check.unreadable = failure.Reason();
        return check;
    }
    return ParseSeriesPlan(*text);
}

}  // namespace qzt
