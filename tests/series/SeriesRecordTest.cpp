#include <gtest/gtest.h>

#include "TempDir.h"
#include "series/SeriesRecord.h"

namespace qzt {
namespace {

using test::ReadFile;
using test::WriteFile;

const std::string kBom = "\xEF\xBB\xBF";
const std::string kFixed =
    "Time,Serial number,Label,Allow user out of pad (bed/chair),Pad connection (on),"
    "Pad connection (off),On pad (bed/chair),Out of pad (bed/chair),Technical alarms,"
    "Configuration file,Checksum,Result";

// What a record file holds when a series opens it: refused with a reason,
// or read (escaped cells back as they were), and a row appended under the
// file's own columns, the earlier lines untouched.
TEST(SeriesRecord, OpenedOnlyWhenItIsOne) {
    SeriesPlan plan;
    plan.extraColumns = {"Room", "Note"};
    const struct {
        const char* name;
        std::optional<std::string> before;  // nothing: no file yet
        std::string refusal;                // a prefix; empty: opened
        std::size_t rows = 0;
        std::string label = {};       // of the last row read
        const char* sameFileAs = "";  // "plan" or "configuration": the path is that file too
    } cases[] = {
        {"new", std::nullopt, ""},
        {"empty", "", ""},
        {"the plan's columns in another order, spreadsheet line ends",
         kBom + kFixed + ",Note,Room\r\n2026-12-08 09:00:00,1,'=Bed 1,,,,,,,x.Qzt,5A,done,n,r\r\n",
         "", 1, "=Bed 1"},
        {"a plan", "Label,Allow user,Pad on,Pad off,On pad,Out of pad,Technical\n",
         "is not a commissioning record"},
        {"without the plan's column", kFixed + ",Room\n", "has no column \"Note\""},
        {"separators alone", std::string(kMaxRecordCells + 1, ','),
         "is not a commissioning record"},
        {"too large", kFixed + "\n" + std::string(kMaxRecordBytes, 'x'), "is larger than"},
        {"the plan", kFixed + "\n", "cannot be the plan itself", 0, "", "plan"},
        {"the configuration", std::string(256, '\0'), "cannot be the configuration file itself", 0,
         "", "configuration"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const std::string path = dir / "record.csv";
        if (c.before) {
            WriteFile(path, *c.before);
        }
        const std::string sameAs = c.sameFileAs;
        Result<SeriesRecord> record = SeriesRecord::Open(path, &plan, sameAs == "plan" ? path : "",
                                                         sameAs == "configuration" ? path : "");
        if (!c.refusal.empty()) {
            ASSERT_FALSE(record);
            EXPECT_NE(record.error().message.find(c.refusal), std::string::npos)
                << record.error().message;
            EXPECT_EQ(ReadFile(path), c.before.value_or(""));
            continue;
        }
        ASSERT_TRUE(record) << record.error().message;
        ASSERT_EQ(record->Rows().size(), c.rows);
        if (c.rows > 0) {
            EXPECT_EQ(record->Rows().back().label, c.label);
            EXPECT_EQ(record->Rows().back().extras, (std::vector<std::string>{"r", "n"}));
        }
        const std::string opened = ReadFile(path);
        EXPECT_TRUE(opened.starts_with(kBom + kFixed)) << opened;

        RecordRow row;
        row.serialNumber = "7";
        row.label = "+Bed 2, window";
        row.result = "done";
        row.extras = {"12", "@note"};
        const Result<void> written = record->Append(row);
        ASSERT_TRUE(written) << written.error().Reason();
        const std::string after = ReadFile(path);
        ASSERT_TRUE(after.starts_with(opened));
        const std::string added = after.substr(opened.size());
        EXPECT_EQ(added, c.rows > 0 ? ",7,\"'+Bed 2, window\",,,,,,,,,done,'@note,12\n"
                                    : ",7,\"'+Bed 2, window\",,,,,,,,,done,12,'@note\n");
    }
}

}  // namespace
}  // namespace qzt
