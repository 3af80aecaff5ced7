#include "series/SeriesRecord.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "core/FileSystem.h"
#include "device/commands/DeviceCommands.h"
#include "device/commands/UnitRecords.h"
#include "series/Csv.h"
#include "text/Text.h"

namespace qzt {
namespace {

constexpr std::size_t kCodeCount = std::tuple_size_v<UserInterface::RadioCodes>;
// Time, serial, label, codes, file, checksum, result.
constexpr std::size_t kSerialColumn = 1;
constexpr std::size_t kLabelColumn = 2;
constexpr std::size_t kFirstCodeColumn = 3;
constexpr std::size_t kFileColumn = kFirstCodeColumn + kCodeCount;
constexpr std::size_t kChecksumColumn = kFileColumn + 1;
constexpr std::size_t kResultColumn = kChecksumColumn + 1;
constexpr std::size_t kFixedColumns = kResultColumn + 1;

// The characters that make a spreadsheet take a cell for a formula.
bool StartsLikeFormula(std::string_view text) {
    return !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string::npos;
}

RecordRow RowOf(const std::vector<std::string>& cells, const std::vector<std::size_t>& extras) {
    auto cell = [&cells](std::size_t index) {
        return index < cells.size() ? FromRecordCell(cells[index]) : std::string();
    };
    RecordRow row;
    row.time = cell(0);
    row.serialNumber = cell(kSerialColumn);
    row.label = cell(kLabelColumn);
    for (std::size_t i = 0; i < kCodeCount; ++i) {
        row.codes[i] = cell(kFirstCodeColumn + i);
    }
    row.configurationFile = cell(kFileColumn);
    row.checksum = cell(kChecksumColumn);
    row.result = cell(kResultColumn);
    for (std::size_t index : extras) {
        row.extras.push_back(cell(index));
    }
    return row;
}

}  // namespace

bool RecordRow::Done() const {
    return result == Text(txt::SeriesDone);
}

bool RecordRow::MayHoldCodes() const {
    const std::string failed = TextF(txt::SeriesFailed, "");
    return !label.empty() && result.starts_with(failed) &&
           std::all_of(codes.begin(), codes.end(), [](const std::string& c) { return !c.empty(); });
}

std::string RecordCell(std::string_view text) {
    // A leading apostrophe makes the spreadsheet show the rest as text.
    return StartsLikeFormula(text) ? "'" + std::string(text) : std::string(text);
}

std::string FromRecordCell(std::string_view cell) {
    if (cell.size() > 1 && cell.front() == '\'' && StartsLikeFormula(cell.substr(1))) {
        cell.remove_prefix(1);
    }
    return std::string(cell);
}

std::vector<std::string> RecordHeader(const std::vector<std::string>& extraColumns) {
    std::vector<std::string> header{Text(txt::HistoryTime), Text(txt::SerialNumber),
                                    Text(txt::PlanLabel)};
    for (int caption : kRadioCodeCaptions) {
        header.push_back(Text(caption));
    }
    header.push_back(Text(txt::RecordConfigurationFile));
    header.push_back(Text(txt::RecordChecksum));
    header.push_back(Text(txt::HistoryResult));
    header.insert(header.end(), extraColumns.begin(), extraColumns.end());
    return header;
}

Result<SeriesRecord> SeriesRecord::Open(const std::string& path, const SeriesPlan* plan,
                                        const std::string& planPath,
                                        const std::string& configurationPath) {
    // Appending CSV rows to either would spoil it.
    if (IsSameFile(path, planPath)) {
        return Error::Of(txt::RecordIsPlan, path);
    }
    if (IsSameFile(path, configurationPath)) {
        return Error::Of(txt::RecordIsConfiguration, path);
    }
    const std::vector<std::string> planColumns =
        plan != nullptr ? plan->extraColumns : std::vector<std::string>{};
    SeriesRecord record;
    record.path_ = path;

    const Result<std::string> text = ReadWholeFile(path, kMaxRecordBytes);
    if (!text && text.error().code == EFBIG) {
        return Error::Of(txt::RecordTooLarge, path, std::to_string(kMaxRecordBytes));
    }
    if (!text && text.error().code != ENOENT) {
        return Error::Of(txt::RecordUnreadable, path).Because(text.error());
    }
    std::vector<std::string> header = RecordHeader(planColumns);
    for (std::string& name : header) {
        name = RecordCell(name);
    }
    std::vector<std::vector<std::string>> lines;
    if (text && !text->empty()) {
        auto split = SplitCsv(WithoutByteOrderMark(*text), ',', kMaxRecordCells);
        if (split) {
            lines = std::move(*split);
        }
        const std::vector<std::string> fixed = RecordHeader();
        const bool recordHeader = split && !lines.empty() && lines.front().size() >= fixed.size() &&
                                  std::equal(fixed.begin(), fixed.end(), lines.front().begin(),
                                             [](const std::string& a, const std::string& b) {
                                                 return FoldedName(a) == FoldedName(b);
                                             });
        if (!recordHeader) {
            return Error::Of(txt::RecordNotARecord, path);
        }
        header = lines.front();
    }
    // The plan's other columns where the file has them, by name.
    for (const std::string& column : planColumns) {
        const auto found = std::find_if(
            header.begin() + kFixedColumns, header.end(), [&column](const std::string& name) {
                return FoldedName(FromRecordCell(name)) == FoldedName(column);
            });
        if (found == header.end()) {
            return Error::Of(txt::RecordMissingColumn, path, column);
        }
        record.extraIndexes_.push_back(static_cast<std::size_t>(found - header.begin()));
    }
    record.header_ = header;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (std::any_of(lines[i].begin(), lines[i].end(),
                        [](const std::string& cell) { return !cell.empty(); })) {
            record.rows_.push_back(RowOf(lines[i], record.extraIndexes_));
        }
    }
    // A new record gets its header now: a record that cannot be written is
    // found before the first unit, not after it.
    if (const Result<void> written = AppendCsvRow(path, header, {}, true); !written) {
        return Error::Of(txt::RecordUnwritable, path).Because(written.error());
    }
    return record;
}

Result<void> SeriesRecord::Append(const RecordRow& row) {
    std::vector<std::string> cells{row.time, row.serialNumber, row.label};
    cells.insert(cells.end(), row.codes.begin(), row.codes.end());
    cells.insert(cells.end(), {row.configurationFile, row.checksum, row.result});
    cells.resize(std::max(header_.size(), kFixedColumns));
    for (std::size_t i = 0; i < extraIndexes_.size() && i < row.extras.size(); ++i) {
        cells[extraIndexes_[i]] = row.extras[i];
    }
    for (std::string& cell : cells) {
        cell = RecordCell(cell);
    }
    return AppendCsvRow(path_, header_, cells, true);
}

}  // namespace qzt
