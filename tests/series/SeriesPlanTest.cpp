#include <gtest/gtest.h>

#include <random>
#include <set>

#include "series/SeriesPlan.h"

namespace qzt {
namespace {

// Each refusal starts with its expected text, in order, and there are no
// others;
// none for an accepted plan.
std::vector<std::string> Refusals(const PlanCheck& check) {
    return check ? std::vector<std::string>{} : check.error().refusals;
}

void ExpectRefusals(const PlanCheck& check, const std::vector<std::string>& prefixes) {
    const std::vector<std::string> refusals = Refusals(check);
    ASSERT_EQ(refusals.size(), prefixes.size()) << ::testing::PrintToString(refusals);
    for (std::size_t i = 0; i < prefixes.size(); ++i) {
        EXPECT_TRUE(refusals[i].starts_with(prefixes[i])) << refusals[i];
    }
}

const std::string kHeader =
    "Label,Allow user out of pad (bed/chair),Pad connection (on),Pad connection (off),"
    "On pad (bed/chair),Out of pad (bed/chair),Technical alarms,Serial number\n";

// Each plan is checked whole: what is refused names its row (the header
// being row 1) and column; what is accepted comes out normalised.
TEST(SeriesPlan, RefusalsNameRowAndColumn) {
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> refusals;  // each a prefix of one refusal, in order
        std::size_t rows;                   // accepted rows (when no refusal)
        std::size_t warnings;
    } cases[] = {
        {"spreadsheet export: BOM, CRLF, quotes, lower case, trailing cells",
         "\xEF\xBB\xBF" + kHeader +
             "\"Room 12, bed 1\",aaa1,AAA2,aaa1,aaa1,aaa1,aaa1,,,\r\n"
             "Room 12 bed 2,0b01,0B02,0B03,0B04,0B05,0B06,000123\r\n\r\n,,,,,,,\r\n",
         {},
         2,
         0},
        {"semicolons",
         "Label;Allow user;Pad on;Pad off;On pad;Out of pad;Technical\n"
         "Bed;1111;2222;3333;4444;5555;6666\n",
         {},
         1,
         0},
        {"reserved codes warned, written all the same",
         kHeader + "Bed 1,0000,ffff,1234,1234,1234,1234\n",
         {},
         1,
         2},
        {"bad code",
         kHeader + "Bed 1,1111,12G4,1113,1114,1115,1116\n",
         {"Row 2, column C (Pad connection (on)): \"12G4\""},
         0,
         0},
        {"code of another row",
         kHeader + "Bed 1,1111,1112,1113,1114,1115,1116\nBed 2,2221,2222,1114,2224,2225,2226\n",
         {"Row 3, column D (Pad connection (off)): code 1114 is also in row 2, column E"},
         0,
         0},
        {"short row: the missing code is refused by its column",
         kHeader + "Bed 1,1111,1112,1113,1114,1115\n",
         {"Row 2, column G (Technical alarms): \"\" is not four hexadecimal digits."},
         0,
         0},
        {"label",
         kHeader + " ,1111,1112,1113,1114,1115,1116\n\"a\nb\",2221,2222,2223,2224,2225,2226\n",
         {"Row 2, column A (Label): the label is empty", "Row 3, column A"},
         0,
         0},
        {"serial numbers",
         kHeader + "Bed 1,1111,1111,1111,1111,1111,1111,0042\n"
                   "Bed 2,2222,2222,2222,2222,2222,2222,42\n"
                   "Bed 3,3333,3333,3333,3333,3333,3333,16777216\n",
         {"Row 3, column H (Serial number): serial number 42 is also in row 2",
          "Row 4, column H (Serial number): \"16777216\""},
         0,
         0},
        {"no rows", kHeader + "\n", {"The plan has no rows."}, 0, 0},
        {"not UTF-8",
         kHeader + "Bett \xFC,1111,1112,1113,1114,1115,1116\n",
         {"The plan is not UTF-8 text."},
         0,
         0},
        {"too large", std::string(kMaxPlanBytes + 1, ','), {"The plan is larger than"}, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PlanCheck check = ParseSeriesPlan(c.text);
        ExpectRefusals(check, c.refusals);
        // A refused plan holds no row to program.
        EXPECT_EQ(check ? check->plan.rows.size() : 0u, c.rows);
        if (check) {
            EXPECT_EQ(check->warnings.size(), c.warnings)
                << ::testing::PrintToString(check->warnings);
        }
    }
    const PlanCheck first = ParseSeriesPlan(cases[0].text);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->plan.rows[0].label, "Room 12, bed 1");
    EXPECT_EQ(first->plan.rows[0].codes[0], "AAA1");
    EXPECT_EQ(first->plan.rows[1].row, 3u);
    EXPECT_EQ(first->plan.rows[1].serialNumber, "123");
}

// The header names the columns: found in any order and case, by full or
// short names; what it lacks, repeats or does not name is refused, naming
// what was expected. Accepted plans are checked by their first row.
TEST(SeriesPlan, ColumnsFoundByTheHeader) {
    const std::string codes = "1111,2222,3333,4444,5555,6666";
    const std::string names = "Allow user,Pad on,Pad off,On pad,Out of pad,Technical";
    // The most columns a plan may have; past Z a spreadsheet names them AA,
    // AB, ..., BA.
    std::string wide = "Label," + names;
    std::vector<std::string> notes;
    for (std::size_t column = 7; column < kMaxPlanColumns; ++column) {
        notes.push_back("Note " + std::to_string(column));
        wide += "," + notes.back();
    }
    auto unfitAt = [&](std::size_t column) {
        return wide + "\nBed 1," + codes + std::string(column - 6, ',') + "\"a\tb\"\n";
    };
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> refusals = {};  // each a prefix of one refusal, in order
        std::string serial = {};                 // the first row's, when accepted
        std::vector<std::string> extraColumns = {};
        std::vector<std::string> extras = {};
    } cases[] = {
        {"the README's header, BOM, CRLF",
         "\xEF\xBB\xBFLabel,Allow user out of pad,Pad connection (on),Pad connection (off),"
         "On pad,Out of pad,Technical alarms,Serial number\r\nBed 1," +
             codes + ",0042\r\n",
         {},
         "42"},
        {"any order, any case, spaces, semicolons, serial in the middle",
         " technical ;LABEL;Pad Off;serial;OUT OF PAD;allow user out of pad; on pad ;pad on\n"
         "6666;Bed 1;3333;7;5555;1111;4444;2222\n",
         {},
         "7"},
        {"no serial column", "Label," + names + "\nBed 1," + codes + "\n", {}, ""},
        {"extra columns carried in their order",
         "Room,Label," + names + ",Note\n12,Bed 1," + codes + ",window side\n",
         {},
         "",
         {"Room", "Note"},
         {"12", "window side"}},
        {"a room last is not a serial number",
         "Label," + names + ",Room\nBed 1," + codes + ",12\n",
         {},
         "",
         {"Room"},
         {"12"}},
        {"unnamed empty columns and trailing separators ignored",
         "Label,," + names + ",,\nBed 1,," + codes + ",,\n",
         {},
         ""},
        {"no header: the first bed is not taken for one",
         "Bed 1," + codes + "\nBed 2,1112,2223,3334,4445,5556,6667\n",
         {"The plan's first row is data, not its header. The header names the columns Label, "
          "Allow user out of pad (bed/chair), Pad connection (on), Pad connection (off), "
          "On pad (bed/chair), Out of pad (bed/chair), Technical alarms and optionally "
          "Serial number, in any order."}},
        {"code column missing",
         "Label,Allow user,Pad on,On pad,Out of pad,Technical,Serial\nBed 1," + codes + "\n",
         {"The plan has no column \"Pad connection (off)\". The header names the columns Label, "}},
        {"label and a code column missing",
         "Room,Allow user,Pad on,Pad off,On pad,Out of pad\n12," + codes + "\n",
         {"The plan has no column \"Label\".", "The plan has no column \"Technical alarms\"."}},
        {"two names of one column",
         "Label,PAD CONNECTION (ON)," + names + "\nBed 1,2222," + codes + "\n",
         {"The plan's header names \"Pad connection (on)\" twice: columns B (PAD CONNECTION "
          "(ON)) and D (Pad on)."}},
        {"full and short name of one column",
         "Label," + names + ",Serial number,Serial\nBed 1," + codes + ",1,1\n",
         {"The plan's header names \"Serial number\" twice: columns H (Serial number) and I "
          "(Serial)."}},
        {"an extra name twice, in another case",
         "Room,Label," + names + ",room\n12,Bed 1," + codes + ",13\n",
         {"The plan's header names \"Room\" twice: columns A (Room) and I (room)."}},
        {"a cell past the header's last column",
         "Label," + names + "\nBed 1," + codes + ",,42\n",
         {"Row 2: 9 columns; the header names 7."}},
        {"a cell in an unnamed column",
         "Label,," + names + "\nBed 1,x," + codes + "\n",
         {"Row 2, column B: the header names no column here, yet the cell is not empty."}},
        {"extra cells bounded",
         "Label," + names + ",Room,Note\nBed 1," + codes + ",\"12\n13\"\nBed 2," +
             "1112,2223,3334,4445,5556,6667,," + std::string(kMaxLabelBytes + 1, 'x') + "\n",
         {"Row 2, column H (Room): the text is longer than 100 bytes or holds a control",
          "Row 3, column I (Note): the text"}},
        {"header names bounded",
         "Label," + names + "," + std::string(kMaxLabelBytes + 1, 'x') + "\nBed 1," + codes + "\n",
         {"Row 1, column H: the text is longer than 100 bytes"}},
        {"the most columns",
         wide + "\nBed 1," + codes + "\n",
         {},
         "",
         notes,
         std::vector<std::string>(notes.size())},
        {"column Z", unfitAt(25), {"Row 2, column Z (Note 25): "}},
        {"column AA", unfitAt(26), {"Row 2, column AA (Note 26): "}},
        {"column BL", unfitAt(63), {"Row 2, column BL (Note 63): "}},
        {"too many columns",
         "Label," + names + std::string(kMaxPlanColumns - 6, ',') + "Room\nBed 1," + codes + "\n",
         {"The plan has more than 64 columns."}},
        {"refusals name columns by the header's names",
         "Label," + names + "\nBed 1,1111,1112,1113,1114,1115,1116\n" +
             "Bed 2,2221,2222,1114,2224,2225,2226\n",
         {"Row 3, column D (Pad off): code 1114 is also in row 2, column E (On pad); "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PlanCheck check = ParseSeriesPlan(c.text);
        ExpectRefusals(check, c.refusals);
        if (!check) {
            continue;
        }
        ASSERT_EQ(check->plan.rows.size(), 1u);
        const PlanRow& row = check->plan.rows[0];
        EXPECT_EQ(row.row, 2u);
        EXPECT_EQ(row.label, "Bed 1");
        const UserInterface::RadioCodes expected{"1111", "2222", "3333", "4444", "5555", "6666"};
        EXPECT_EQ(row.codes, expected);
        EXPECT_EQ(row.serialNumber, c.serial);
        EXPECT_EQ(check->plan.extraColumns, c.extraColumns);
        EXPECT_EQ(row.extras, c.extras);
    }
}

// Generated wards: distinct codes are accepted in order; one code copied
// into another row is refused at the later row, naming both places.
TEST(SeriesPlan, SharedCodeFoundInAnyGeneratedWard) {
    std::mt19937 random(20261208);
    for (int ward = 0; ward < 300; ++ward) {
        const std::size_t beds = 1 + random() % 40;
        std::set<unsigned> used{0x0000, 0xFFFF};
        std::vector<std::vector<std::string>> codes(beds);
        for (auto& row : codes) {
            while (row.size() < 6) {
                const unsigned code = random() % 0x10000;
                if (used.insert(code).second) {
                    char text[5];
                    std::snprintf(text, sizeof text, "%04X", code);
                    row.push_back(text);
                }
            }
        }
        auto plan = [&] {
            std::string text = kHeader;
            for (std::size_t bed = 0; bed < beds; ++bed) {
                text += "Bed " + std::to_string(bed + 1);
                for (const std::string& code : codes[bed]) {
                    text += "," + code;
                }
                text += "\n";
            }
            return text;
        };
        const PlanCheck accepted = ParseSeriesPlan(plan());
        ASSERT_TRUE(accepted) << accepted.error().refusals.front();
        ASSERT_EQ(accepted->plan.rows.size(), beds);
        EXPECT_EQ(accepted->plan.rows.back().codes[5], codes.back()[5]);
        if (beds < 2) {
            continue;
        }
        const std::size_t from = random() % beds, to = (from + 1 + random() % (beds - 1)) % beds;
        const std::size_t fromColumn = random() % 6, toColumn = random() % 6;
        codes[to][toColumn] = codes[from][fromColumn];
        const std::vector<std::string> refusals = Refusals(ParseSeriesPlan(plan()));
        ASSERT_EQ(refusals.size(), 1u);
        const std::size_t later = std::max(from, to) + 2, earlier = std::min(from, to) + 2;
        EXPECT_TRUE(refusals[0].starts_with("Row " + std::to_string(later) + ", column "))
            << refusals[0];
        EXPECT_NE(refusals[0].find("also in row " + std::to_string(earlier) + ", column "),
                  std::string::npos)
            << refusals[0];
    }
}

}  // namespace
}  // namespace qzt
