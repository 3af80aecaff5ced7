#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "TempDir.h"
#include "core/ValuesIni.h"

namespace qzt {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

struct Loaded {
    std::vector<std::string> texts;
    std::vector<int> codes;
};

Loaded Load(const std::string& ini, const char* section, int capacity) {
    ValueList list(capacity);
    const int count = LoadValueList(IniSnapshot::Parse(ini).value(), section, list);
    Loaded result;
    for (const auto& e : list.Entries()) {
        result.texts.push_back(e.text);
        result.codes.push_back(e.code);
    }
    EXPECT_EQ(count, list.Count());
    return result;
}

TEST(LoadValueList, MarkersCapacityAndKeyForms) {
    struct Case {
        const char* name;
        std::string ini;
        int capacity;
        std::vector<std::string> texts;
        std::vector<int> codes;
    };
    const Case cases[] = {
        {"empty entry skipped, end stops",
         "[AlarmType]\n0=first\n1=<EMPTY>\n2=second\n3=<END>\n4=third\n",
         200,
         {"first", "second"},
         {0, 2}},
        {"first key ends the list", "[AlarmType]\n0=<END>\n1=x\n", 200, {}, {}},
        {"capacity stops loading",
         "[AlarmType]\n0=a\n1=b\n2=c\n3=d\n",
         3,
         {"a", "b", "c"},
         {0, 1, 2}},
        {"leading zero is no key", "[AlarmType]\n0=a\n01=b\n2=c\n", 200, {"a", "c"}, {0, 2}},
        {"section and keys in any case", "[alarmtype]\n0=a\n", 200, {"a"}, {0}},
        {"missing section", "[Other]\n0=a\n", 200, {}, {}},
        {"section without keys", "[AlarmType]\n[Other]\n0=a\n", 200, {}, {}},
        {"missing keys skipped without end",
         "[AlarmType]\n5=five\n0=zero\n1000000000=far\n",
         200,
         {"zero", "five", "far"},
         {0, 5, 1000000000}},
        {"keys beyond 32 bits ignored",
         "[AlarmType]\n4294967296=x\n-1=y\n1a=z\n0=a\n",
         200,
         {"a"},
         {0}},
        {"first of duplicate keys wins", "[AlarmType]\n0=first\n0=second\n", 200, {"first"}, {0}},
        {"empty text is an entry", "[AlarmType]\n0=\n1=b\n", 200, {"", "b"}, {0, 1}},
        {"blanks around names", "[ AlarmType ]\n 1 = one \n", 200, {"one"}, {1}},
    };
    for (const Case& c : cases) {
        Loaded loaded = Load(c.ini, "AlarmType", c.capacity);
        EXPECT_EQ(loaded.texts, c.texts) << c.name;
        EXPECT_EQ(loaded.codes, c.codes) << c.name;
    }
}

TEST(LoadValueList, ManyKeysWithoutEndStopAtCapacity) {
    std::string ini = "[AlarmType]\n";
    for (int i = 0; i < 100000; ++i) {
        ini += std::to_string(i) + "=<EMPTY>\n";
    }
    ini += "100000=last\n";
    for (int i = 100001; i < 100300; ++i) {
        ini += std::to_string(i) + "=t\n";
    }
    Loaded loaded = Load(ini, "AlarmType", 200);
    ASSERT_EQ(loaded.codes.size(), 200u);
    EXPECT_EQ(loaded.codes.front(), 100000);
    EXPECT_EQ(loaded.texts.front(), "last");
}

TEST(LoadValueList, IndexOfCodeOnLoadedList) {
    ValueList list(200);
    LoadValueList(
        IniSnapshot::Parse("[AlarmType]\n0=first\n1=<EMPTY>\n2=second\n3=<END>\n").value(),
        "AlarmType", list);
    EXPECT_EQ(list.IndexOfCode(1), -1);
    EXPECT_EQ(list.IndexOfCode(2), 1);
}

TEST(ValuesIni, ReadsWithoutRegardToCaseAndSeesEveryChange) {
    TempDir dir;
    ValuesIni values;
    values.SetFileName(dir / "Values.ini");
    EXPECT_EQ(values.ReadValue("Setup", "ConfigDirectory"), "");  // no file yet

    WriteFile(dir / "Values.ini", "[SETUP]\nconfigdirectory=/a\n");
    EXPECT_EQ(values.ReadValue("Setup", "ConfigDirectory"), "/a");
    EXPECT_EQ(values.ReadValue("setup", "CONFIGDIRECTORY"), "/a");
    EXPECT_EQ(values.ReadValue("Setup", "AppVersion"), "");

    // Another copy of the program writes: the next read sees it.
    WriteFile(dir / "Values.ini", "[Setup]\nConfigDirectory=/b\n");
    EXPECT_EQ(values.ReadValue("Setup", "ConfigDirectory"), "/b");
}

TEST(ValuesIni, WriteCreatesAndKeepsTheRest) {
    TempDir dir;
    ValuesIni values;
    values.SetFileName(dir / "Values.ini");
    values.WriteValue("Setup", "AppVersion", "1.2.3.4");
    EXPECT_EQ(values.ReadValue("Setup", "AppVersion"), "1.2.3.4");

    WriteFile(dir / "Values.ini", "; note\n[AlarmType]\n0=a\n[setup]\nAppVersion=old\n");
    values.WriteValue("Setup", "APPVERSION", "new");
    values.WriteValue("Setup", "ConfigDirectory", "/data/100% sites");
    EXPECT_EQ(values.ReadValue("Setup", "AppVersion"), "new");
    EXPECT_EQ(values.ReadValue("Setup", "ConfigDirectory"), "/data/100% sites");
    EXPECT_EQ(values.ReadValue("AlarmType", "0"), "a");
    EXPECT_NE(ReadFile(dir / "Values.ini").find("; note"), std::string::npos);
}

TEST(ValuesIni, RefusedWriteRaisesUnableToWriteAndChangesNothing) {
    TempDir dir;
    struct Case {
        const char* name;
        std::string path;
        void (*prepare)(const std::string&);
    };
    const Case cases[] = {
        {"read-only file", dir / "ro/Values.ini",
         [](const std::string& p) {
             WriteFile(p, "[Setup]\nAppVersion=keep\n");
             ::chmod(p.c_str(), 0444);
         }},
        {"folder in the way", dir / "dir/Values.ini",
         [](const std::string& p) { std::filesystem::create_directories(p); }},
        {"missing folder", dir / "nowhere/deeper/Values.ini", [](const std::string&) {}},
    };
    for (const Case& c : cases) {
        c.prepare(c.path);
        const std::string before = ReadFile(c.path);
        ValuesIni values;
        values.SetFileName(c.path);
        try {
            values.WriteValue("Setup", "AppVersion", "new");
            ADD_FAILURE() << c.name << ": no error";
        } catch (const ValuesIniWriteError& error) {
            EXPECT_EQ(std::string(error.what()), "Unable to write to " + c.path) << c.name;
        }
        EXPECT_EQ(ReadFile(c.path), before) << c.name;
    }
}

}  // namespace
}  // namespace qzt
