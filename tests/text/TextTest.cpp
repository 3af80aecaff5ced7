#include <gtest/gtest.h>

#include <map>

#include "text/Text.h"

namespace qzt {
namespace {

TEST(StringTable, EveryNamedTextExistsInTheRange) {
    for (txt::Id id : txt::kAllIds) {
        EXPECT_GE(id, 10001);
        EXPECT_LE(id, 11999);
        EXPECT_FALSE(Text(id).empty()) << id;
    }
    EXPECT_TRUE(Text(10000).empty());
}

// Texts users and scripts recognise, copied exactly, typos included.
TEST(StringTable, QuotedTextsAreExact) {
    const std::map<int, std::string> expected = {
        {txt::ProgramName, "QZT Programmer"},
        {txt::InactivationTime, "Inactinavtion time"},
        {txt::ErrorConvertingData,
         "Error converting data!\nThe value in field '%s' is outside its limits.\n"
         "Adress %s contains %s, which is invalid.\nPlease contact ORVI Electronics"},
        {txt::CouldNotSaveConfiguration,
         "Could not save configuration!\nEntered name must be a valid Windows file name.\n"
         "Do not use any special characters like: [^:*?<>|]"},
        {txt::FieldNameSeparator, " : "},
        {txt::AboutKvdInfo, "KVD info: "},
        {txt::ProgramDataSubfolder, "/ORVI/QZT Programmer (EN)/"},
    };
    for (const auto& [id, text] : expected) {
        EXPECT_EQ(Text(id), text) << id;
    }
}

TEST(StringTable, ParserRefusesMalformedLines) {
    const char* bad[] = {
        "10001 QZT",                 // no quotes
        "10001 \"unterminated",      // no closing quote
        "10001 \"a\" trailing",      // text after the quote
        "\"no number\"",             // no number
        "10001 \"bad \\t escape\"",  // unknown escape
        "10001 \"a\"\n10001 \"b\"",  // number twice
        "10001\"no blank\"",         // no blank after the number
    };
    for (const char* data : bad) {
        const StringTable table = ParseStringTable(data);
        EXPECT_FALSE(table.error.empty()) << data;
        EXPECT_NE(table.error.find("line"), std::string::npos) << data;
    }
    const StringTable table = ParseStringTable("# comment\n\n  42 \"a \\\"b\\\" \\\\ c\\n\"  \r\n");
    ASSERT_TRUE(table.error.empty()) << table.error;
    EXPECT_EQ(table.texts.at(42), "a \"b\" \\ c\n");
}

TEST(FormatText, FillsPlaceholdersWithArgumentsAsTheyAre) {
    struct Case {
        const char* format;
        std::initializer_list<TextArg> args;
        const char* expected;
    };
    const Case cases[] = {
        {"File '%s' not found.",
         {std::string_view("/tmp/100%s %d.Qzt")},
         "File '/tmp/100%s %d.Qzt' not found."},
        {"Adress %s contains %s",
         {std::string_view("65"), std::string_view("241")},
         "Adress 65 contains 241"},
        {"Bias: %d minutes.", {60LL}, "Bias: 60 minutes."},
        {"%02d:%02d", {7LL, 5LL}, "07:05"},
        {"%02d", {-5LL}, "-5"},
        {"%03d", {-5LL}, "-05"},
        {"100%% sure", {}, "100% sure"},
        {"missing '%s' and %d", {}, "missing '' and "},
        {"extra %s", {std::string_view("a"), std::string_view("b")}, "extra a"},
        {"kept %x and %", {}, "kept %x and %"},
        {"%d as text", {std::string_view("x")}, "x as text"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatText(c.format, c.args), c.expected) << c.format;
    }
    EXPECT_EQ(TextF(txt::UnableToWrite, std::string("/a/%s.ini")), "Unable to write to /a/%s.ini");
}

}  // namespace
}  // namespace qzt
