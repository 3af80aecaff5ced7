#include <gtest/gtest.h>

#include <random>
#include <set>

#include "series/SeriesPlan.h"

namespace qzt {
namespace {

const std::string kHeader = "Label,A,B,C,D,E,F,Serial\n";

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
        {"semicolons", "Label;A;B;C;D;E;F\nBed;1111;2222;3333;4444;5555;6666\n", {}, 1, 0},
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
        {"columns", kHeader + "Bed 1,1111,1112,1113,1114,1115\n", {"Row 2: 6 columns"}, 0, 0},
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
        ASSERT_EQ(check.refusals.size(), c.refusals.size())
            << ::testing::PrintToString(check.refusals);
        for (std::size_t i = 0; i < c.refusals.size(); ++i) {
            EXPECT_TRUE(check.refusals[i].starts_with(c.refusals[i])) << check.refusals[i];
        }
        EXPECT_EQ(check.plan.rows.size(), c.rows);
        EXPECT_EQ(check.warnings.size(), c.warnings) << ::testing::PrintToString(check.warnings);
    }
    const PlanCheck first = ParseSeriesPlan(cases[0].text);
    ASSERT_TRUE(first.Accepted());
    EXPECT_EQ(first.plan.rows[0].label, "Room 12, bed 1");
    EXPECT_EQ(first.plan.rows[0].codes[0], "AAA1");
    EXPECT_EQ(first.plan.rows[1].row, 3u);
    EXPECT_EQ(first.plan.rows[1].serialNumber, "123");
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
        ASSERT_TRUE(accepted.Accepted()) << accepted.refusals.front();
        ASSERT_EQ(accepted.plan.rows.size(), beds);
        EXPECT_EQ(accepted.plan.rows.back().codes[5], codes.back()[5]);
        if (beds < 2) {
            continue;
        }
        const std::size_t from = random() % beds, to = (from + 1 + random() % (beds - 1)) % beds;
        const std::size_t fromColumn = random() % 6, toColumn = random() % 6;
        codes[to][toColumn] = codes[from][fromColumn];
        const PlanCheck refused = ParseSeriesPlan(plan());
        ASSERT_EQ(refused.refusals.size(), 1u);
        const std::size_t later = std::max(from, to) + 2, earlier = std::min(from, to) + 2;
        EXPECT_TRUE(refused.refusals[0].starts_with("Row " + std::to_string(later) + ", column "))
            << refused.refusals[0];
        EXPECT_NE(refused.refusals[0].find("also in row " + std::to_string(earlier) + ", column "),
                  std::string::npos)
            << refused.refusals[0];
        EXPECT_TRUE(refused.plan.rows.empty());
    }
}

}  // namespace
}  // namespace qzt
