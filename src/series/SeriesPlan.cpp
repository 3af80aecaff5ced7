#include "series/SeriesPlan.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <optional>

#include "config/EntryRules.h"
#include "core/FileSystem.h"
#include "device/commands/DeviceCommands.h"
#include "series/Csv.h"
#include "text/Text.h"

namespace qzt {
namespace {

struct PlanReading {
    SeriesPlan plan;
    std::vector<std::string> refusals;
    std::vector<std::string> warnings;
};

constexpr std::size_t kCodeColumns = std::tuple_size_v<UserInterface::RadioCodes>;

// The plan's own columns, found by the header's names: the label, the six
// codes in the order of the radio-code dialog's rows, the serial number.
constexpr std::size_t kLabelColumn = 0;
constexpr std::size_t kSerialColumn = 1 + kCodeColumns;
constexpr std::size_t kOwnColumns = kSerialColumn + 1;
// A column the header does not name (any real column's index is smaller).
constexpr std::size_t kNoColumn = static_cast<std::size_t>(-1);

// The name the program gives each of its own columns (the record's header
// and the radio-code dialog use the same), then the names a header may use
// instead: short forms as a technician typing a header writes them.
std::array<std::vector<std::string>, kOwnColumns> OwnColumnNames() {
    std::array<std::vector<std::string>, kOwnColumns> names;
    names[kLabelColumn] = {Text(txt::PlanLabel)};
    for (std::size_t i = 0; i < kCodeColumns; ++i) {
        names[1 + i] = {Text(kRadioCodeCaptions[i])};
    }
    names[kSerialColumn] = {Text(txt::SerialNumber)};
    static const char* const kShortNames[kOwnColumns][2] = {
        {},
        {"Allow user out of pad", "Allow user"},
        {"Pad on"},
        {"Pad off"},
        {"On pad"},
        {"Out of pad"},
        {"Technical"},
        {"Serial"},
    };
    for (std::size_t column = 0; column < kOwnColumns; ++column) {
        for (const char* name : kShortNames[column]) {
            if (name != nullptr) {
                names[column].push_back(name);
            }
        }
    }
    return names;
}

// The column's letters as a spreadsheet shows them: A to Z, then AA to AZ,
// BA and so on (no zero digit: Z is followed by AA, not BA).
std::string ColumnLetters(std::size_t column) {
    std::string letters;
    for (std::size_t n = column + 1; n > 0; n = (n - 1) / 26) {
        letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
    }
    return letters;
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

bool IsBlank(const std::vector<std::string>& record) {
    return std::all_of(record.begin(), record.end(),
                       [](const std::string& field) { return Trimmed(field).empty(); });
}

// A cell the record carries on: a line of the record's own, of a bounded size.
bool FitsRecord(std::string_view text) {
    return text.size() <= kMaxLabelBytes && !HasControlCharacter(text);
}

// Where a code or a serial number was first seen.
struct FirstUse {
    std::size_t row;
    std::size_t column;
};

// The plan's columns as its header names them.
struct PlanLayout {
    // The header's names as written (spaces around them dropped), up to its
    // last named column; an empty name: a column the plan does not use.
    std::vector<std::string> names;
    // The column of each of the plan's own columns (kNoColumn: none).
    std::array<std::size_t, kOwnColumns> own{};
    // The columns of the other names, in the header's order.
    std::vector<std::size_t> extras;

    // "D (Pad off)": the column's letters and its name in the header.
    std::string Name(std::size_t column) const {
        std::string name = ColumnLetters(column);
        if (column < names.size() && !names[column].empty()) {
            name += " (" + names[column] + ")";
        }
        return name;
    }
    std::string At(std::size_t row, std::size_t column) const {
        return TextF(txt::PlanRowColumn, std::to_string(row), Name(column));
    }
};

// "Label, Allow user out of pad (bed/chair), ..., Technical alarms": the
// columns a plan must have, for a refusal that tells what it expected.
std::string RequiredColumns(const std::array<std::vector<std::string>, kOwnColumns>& names) {
    std::string list;
    for (std::size_t column = 0; column < kSerialColumn; ++column) {
        list += (list.empty() ? "" : ", ") + names[column].front();
    }
    return list;
}

// Finds the plan's columns in its header row, in any order and in any case.
// What is wrong with the header is refused; without a layout the rows
// cannot be read at all.
std::optional<PlanLayout> ReadHeader(const std::vector<std::string>& header,
                                     std::vector<std::string>& refusals) {
    const std::array<std::vector<std::string>, kOwnColumns> ownNames = OwnColumnNames();
    const std::string required = RequiredColumns(ownNames);
    const std::string& serial = ownNames[kSerialColumn].front();

    std::size_t width = header.size();
    while (width > 0 && Trimmed(header[width - 1]).empty()) {
        --width;
    }
    if (width > kMaxPlanColumns) {
        refusals.push_back(TextF(txt::PlanTooManyColumns, std::to_string(kMaxPlanColumns)));
        return std::nullopt;
    }
    PlanLayout layout;
    layout.own.fill(kNoColumn);
    for (std::size_t column = 0; column < width; ++column) {
        layout.names.push_back(Trimmed(header[column]));
    }
    // A plan saved without its header starts with a bed: taking that row for
    // the header would leave the bed out of the series.
    if (std::any_of(layout.names.begin(), layout.names.end(), IsCompleteRadioCode)) {
        refusals.push_back(TextF(txt::PlanNoHeader, required, serial));
        return std::nullopt;
    }

    std::map<std::string, std::size_t> known;  // a name in lower case: its column
    for (std::size_t column = 0; column < kOwnColumns; ++column) {
        for (const std::string& name : ownNames[column]) {
            known.emplace(FoldedName(name), column);
        }
    }
    std::map<std::string, std::size_t> extrasSeen;  // a name in lower case: where
    for (std::size_t column = 0; column < width; ++column) {
        std::string& name = layout.names[column];
        if (name.empty()) {
            continue;
        }
        if (!FitsRecord(name)) {
            name.clear();  // the refusal names the column by its letters only
            refusals.push_back(layout.At(1, column) + " " +
                               TextF(txt::PlanCellUnfit, std::to_string(kMaxLabelBytes)));
            continue;
        }
        const std::string key = FoldedName(name);
        if (const auto found = known.find(key); found != known.end()) {
            std::size_t& own = layout.own[found->second];
            if (own != kNoColumn) {
                refusals.push_back(TextF(txt::PlanDuplicateColumn, ownNames[found->second].front(),
                                         layout.Name(own), layout.Name(column)));
            } else {
                own = column;
            }
        } else if (const auto [seen, first] = extrasSeen.try_emplace(key, column); !first) {
            refusals.push_back(TextF(txt::PlanDuplicateColumn, layout.names[seen->second],
                                     layout.Name(seen->second), layout.Name(column)));
        } else {
            layout.extras.push_back(column);
        }
    }
    for (std::size_t column = 0; column < kSerialColumn; ++column) {
        if (layout.own[column] == kNoColumn) {
            refusals.push_back(
                TextF(txt::PlanMissingColumn, ownNames[column].front(), required, serial));
        }
    }
    if (!refusals.empty()) {
        return std::nullopt;
    }
    return layout;
}

// Reads the plan's rows under its header: each row's label, codes, serial
// number and other columns, every refusal and warning naming its row and
// column.
class PlanRows {
  public:
    PlanRows(const PlanLayout& layout, PlanReading& check) : layout_(layout), check_(check) {}

    // Row `row` as a spreadsheet numbers it (the header is row 1).
    void Read(const std::vector<std::string>& record, std::size_t row) {
        record_ = &record;
        row_ = row;
        // A spreadsheet writes empty trailing cells as separators; a row may
        // also end early, its missing cells being empty.
        std::size_t columns = record.size();
        while (columns > 0 && Trimmed(record[columns - 1]).empty()) {
            --columns;
        }
        if (columns > layout_.names.size()) {
            Refuse(TextF(txt::PlanRowTooLong, std::to_string(row), std::to_string(columns),
                         std::to_string(layout_.names.size())));
            return;
        }
        // What stands in a column the header leaves unnamed would be lost.
        for (std::size_t column = 0; column < columns; ++column) {
            if (layout_.names[column].empty() && !Trimmed(record[column]).empty()) {
                RefuseCell(column, Text(txt::PlanCellUnnamed));
            }
        }
        PlanRow plan;
        plan.row = row;
        ReadLabel(plan);
        ReadCodes(plan);
        ReadSerialNumber(plan);
        // The other columns go into the record as they are, one line a unit.
        for (const std::size_t column : layout_.extras) {
            std::string extra = Cell(column);
            if (!FitsRecord(extra)) {
                RefuseCell(column, TextF(txt::PlanCellUnfit, std::to_string(kMaxLabelBytes)));
            }
            plan.extras.push_back(std::move(extra));
        }
        check_.plan.rows.push_back(std::move(plan));
    }

  private:
    std::string Cell(std::size_t column) const {
        return column < record_->size() ? Trimmed((*record_)[column]) : std::string();
    }
    void Refuse(std::string message) { check_.refusals.push_back(std::move(message)); }
    void RefuseCell(std::size_t column, const std::string& message) {
        Refuse(layout_.At(row_, column) + " " + message);
    }

    void ReadLabel(PlanRow& plan) {
        const std::size_t column = layout_.own[kLabelColumn];
        plan.label = Cell(column);
        if (plan.label.empty()) {
            RefuseCell(column, Text(txt::PlanLabelEmpty));
        } else if (!FitsRecord(plan.label)) {
            RefuseCell(column, TextF(txt::PlanLabelUnfit, std::to_string(kMaxLabelBytes)));
        }
    }

    void ReadCodes(PlanRow& plan) {
        for (std::size_t i = 0; i < kCodeColumns; ++i) {
            const std::size_t column = layout_.own[1 + i];
            const std::string code = UpperCase(Cell(column));
            if (!IsCompleteRadioCode(code)) {
                RefuseCell(column, TextF(txt::PlanBadCode, Cell(column)));
                continue;
            }
            plan.codes[i] = code;
            if (IsReservedRadioCode(code)) {
                check_.warnings.push_back(layout_.At(row_, column) + " " +
                                          Text(txt::RadioCodeNotAllowed));
            }
            // A code may repeat within its own row (one bed, one sender);
            // in two rows the receiver could not tell the beds apart.
            const auto [seen, first] = codesSeen_.try_emplace(code, FirstUse{row_, column});
            if (!first && seen->second.row != row_) {
                RefuseCell(column,
                           TextF(txt::PlanSharedCode, code, std::to_string(seen->second.row),
                                 layout_.Name(seen->second.column)));
            }
        }
    }

    void ReadSerialNumber(PlanRow& plan) {
        // Only the column named for them holds serial numbers.
        const std::size_t column = layout_.own[kSerialColumn];
        if (column == kNoColumn) {
            return;
        }
        plan.serialNumber = Cell(column);
        // Leading zeros name the same unit: the unit reports none.
        while (plan.serialNumber.size() > 1 && plan.serialNumber.front() == '0') {
            plan.serialNumber.erase(0, 1);
        }
        if (plan.serialNumber.empty()) {
            return;
        }
        const bool digits = plan.serialNumber.size() <= kMaxSerialDigits &&
                            std::all_of(plan.serialNumber.begin(), plan.serialNumber.end(),
                                        [](unsigned char c) { return std::isdigit(c) != 0; }) &&
                            std::stoul(plan.serialNumber) <= 0xFFFFFFul;
        if (!digits) {
            RefuseCell(column, TextF(txt::PlanBadSerial, Cell(column)));
        } else if (const auto [seen, first] =
                       serialsSeen_.try_emplace(plan.serialNumber, FirstUse{row_, column});
                   !first) {
            RefuseCell(column, TextF(txt::PlanSharedSerial, plan.serialNumber,
                                     std::to_string(seen->second.row)));
        }
    }

    const PlanLayout& layout_;
    PlanReading& check_;
    const std::vector<std::string>* record_ = nullptr;
    std::size_t row_ = 0;
    std::map<std::string, FirstUse> codesSeen_;
    std::map<std::string, FirstUse> serialsSeen_;
};

// The plan as read: its rows, or every refusal; its warnings either way.
PlanReading ReadPlan(std::string_view text) {
    PlanReading check;
    auto refuse = [&check](std::string message) { check.refusals.push_back(std::move(message)); };
    if (text.size() > kMaxPlanBytes) {
        refuse(TextF(txt::PlanTooLarge, std::to_string(kMaxPlanBytes)));
        return check;
    }
    // A spreadsheet saving UTF-8 starts with a byte-order mark.
    text = WithoutByteOrderMark(text);
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
    if (records.empty()) {
        refuse(Text(txt::PlanEmpty));
        return check;
    }
    const std::optional<PlanLayout> read = ReadHeader(records.front(), check.refusals);
    if (!read) {
        return check;
    }
    const PlanLayout& layout = *read;
    for (const std::size_t column : layout.extras) {
        check.plan.extraColumns.push_back(layout.names[column]);
    }

    PlanRows rows(layout, check);
    for (std::size_t index = 1; index < records.size(); ++index) {
        if (IsBlank(records[index])) {
            continue;
        }
        if (check.plan.rows.size() == kMaxPlanRows) {
            refuse(TextF(txt::PlanTooManyRows, std::to_string(kMaxPlanRows)));
            break;
        }
        rows.Read(records[index], index + 1);
    }
    if (check.refusals.empty() && check.plan.rows.empty()) {
        refuse(Text(txt::PlanEmpty));
    }
    if (!check.refusals.empty()) {
        check.plan.rows.clear();
    }
    return check;
}

}  // namespace

PlanCheck ParseSeriesPlan(std::string_view text) {
    PlanReading check = ReadPlan(text);
    if (!check.refusals.empty()) {
        return PlanRefusal{std::move(check.refusals), {}};
    }
    return CheckedPlan{std::move(check.plan), std::move(check.warnings)};
}

PlanCheck ReadSeriesPlan(const std::string& path) {
    const Result<std::string> text = ReadWholeFile(path, kMaxPlanBytes + 1);
    if (!text) {
        return PlanRefusal{{TextF(txt::PlanUnreadable, path)}, text.error().Reason()};
    }
    return ParseSeriesPlan(*text);
}

}  // namespace qzt
