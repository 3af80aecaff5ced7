#pragma once
// The plan of a series: which bed of a ward gets which six radio codes.
//
// A plan is a CSV file (UTF-8, a header row, commas or semicolons as a
// spreadsheet saves them), one row a bed. The header names the columns, in
// any order: "Label", the six codes by the rows of the radio-code dialog
// ("Pad connection (on)", or short: "Pad on"), and optionally "Serial
// number". Other columns (a room, a note) are carried into the record. A
// plan without its header is refused: its first bed would be taken for one.
//
// A row with a serial number belongs to that unit; the others go to the
// units in the order they are connected. The whole plan is checked before
// anything is written: every code four hexadecimal digits, no code in two
// rows (two beds with one code cannot be told apart by the receiver), no
// serial number in two rows. Each refusal names its row (as a spreadsheet
// numbers it, the header being row 1) and its column.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/UserInterface.h"
#include "text/Result.h"

namespace qzt {

struct PlanRow {
    std::size_t row = 0;  // the row's number as a spreadsheet shows it
    std::string label;
    UserInterface::RadioCodes codes;  // upper-case, four digits each
    std::string serialNumber;         // empty: any unit
    // The row's cells of the plan's other columns, in their order.
    std::vector<std::string> extras;
};

struct SeriesPlan {
    std::vector<PlanRow> rows;
    // The names of the columns the plan has besides its own, as its header
    // gives them: carried into the record.
    std::vector<std::string> extraColumns;
};

// An accepted plan, with its warnings (reserved codes, written all the same
// as the radio-code dialog writes them).
struct CheckedPlan {
    SeriesPlan plan;
    std::vector<std::string> warnings;
};
// Why a plan was refused: every refusal, each naming its row and column; for
// a file that could not be read, its one refusal says which file and
// `unreadable` the system's reason.
struct PlanRefusal {
    std::vector<std::string> refusals;
    std::string unreadable;
};
using PlanCheck = Result<CheckedPlan, PlanRefusal>;

// Bounds for what a plan file may make the program hold.
inline constexpr std::size_t kMaxPlanBytes = 1 << 20;
inline constexpr std::size_t kMaxPlanRows = 1000;
inline constexpr std::size_t kMaxLabelBytes = 100;
inline constexpr std::size_t kMaxPlanColumns = 64;
// Serial numbers are 24-bit numbers: at most eight decimal digits.
inline constexpr std::size_t kMaxSerialDigits = 8;

PlanCheck ParseSeriesPlan(std::string_view text);
// Reads and checks the plan file; a file that cannot be read is one refusal,
// with the reason in `unreadable`.
PlanCheck ReadSeriesPlan(const std::string& path);

}  // namespace qzt
