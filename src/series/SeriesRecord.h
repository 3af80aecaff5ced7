#pragma once
// The commissioning record: one CSV row for every unit a series attempted,
// appended as it happens. It is also the series' memory. A series started
// again (after Stop, a crash or the next morning) reads it first, so a bed's
// codes already installed in one unit are never given to a second unit, and
// a unit already done is never written again.
//
//   Time, Serial number, Label, the six codes, Configuration file, Checksum,
//   Result[, the plan's other columns]
//
// The file is a spreadsheet's: it starts with a UTF-8 byte-order mark (or a
// spreadsheet shows "ä" as two letters), and a cell that a spreadsheet would
// run as a formula (starting with '=', '+', '-', '@') gets a leading
// apostrophe, which the reader takes off again. Rows are only ever appended,
// each in one write; earlier rows are never rewritten.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/FileSystem.h"
#include "core/UserInterface.h"
#include "series/SeriesPlan.h"

namespace qzt {

// A record larger than this is refused rather than read (about 100 000
// units): a new record is named instead.
inline constexpr std::size_t kMaxRecordBytes = 16 << 20;
// Cells in a record: a real one's average more than eight bytes.
inline constexpr std::size_t kMaxRecordCells = kMaxRecordBytes / 8;

struct RecordRow {
    std::string time;
    std::string serialNumber;
    std::string label;  // the plan row's; empty without a plan
    // The plan's codes when the unit got them or may have got them, else
    // those the unit keeps (no plan) or none.
    UserInterface::RadioCodes codes;
    std::string configurationFile;
    std::string checksum;  // of what the unit holds when done
    std::string result;    // "done", "failed: ...", "skipped: ...", no answer
    // Cells of the plan's other columns, in the plan's order.
    std::vector<std::string> extras;

    bool Done() const;
    // Failed while its plan codes were being written: the unit may hold them.
    bool MayHoldCodes() const;
};

// A cell as written to the record, and as read back from it.
std::string RecordCell(std::string_view text);
std::string FromRecordCell(std::string_view cell);

// The fixed columns' names, then `extraColumns`.
std::vector<std::string> RecordHeader(const std::vector<std::string>& extraColumns = {});

class SeriesRecord {
  public:
    // Opens the record at `path` for a series with `plan` (or none): reads
    // its rows when it exists, else creates it with its header. Refused: a
    // file that is not a commissioning record, one that is the plan or the
    // configuration file, one without a column for each of the plan's other
    // columns, one too large: the message, with the system's reason when a
    // file call failed.
    static Result<SeriesRecord> Open(const std::string& path, const SeriesPlan* plan,
                                     const std::string& planPath,
                                     const std::string& configurationPath);

    const std::string& Path() const { return path_; }
    // The rows the file held when it was opened.
    const std::vector<RecordRow>& Rows() const { return rows_; }

    // Appends `row` in one write (its extras under the file's columns of
    // those names). False, with the reason, when the file refused it.
    Result<void> Append(const RecordRow& row);

  private:
    std::string path_;
    std::vector<RecordRow> rows_;
    // For each of the plan's other columns, its index in the file's header.
    std::vector<std::size_t> extraIndexes_;
    std::vector<std::string> header_;
};

}  // namespace qzt
