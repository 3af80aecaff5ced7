// Any text as Values.ini or About.ini: value lists, daylight-saving rules and
// their change days for the tables' sixteen years, and the about box's lines.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "config/TimeSchedule.h"
#include "config/ValueList.h"
#include "core/AboutInfo.h"
#include "core/IniFile.h"
#include "core/ProgramState.h"
#include "core/ValuesIni.h"

using namespace qzt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const IniSnapshot ini = IniSnapshot::Parse(text).value_or(IniSnapshot());

    for (const DropDownSource& source : kDropDownSources) {
        ValueList list(source.capacity);
        const int count = LoadValueList(ini, source.section, list);
        if (count != list.Count() || count > source.capacity) {
            std::abort();
        }
        if (source.dropDown != DropDown::DaylightSavingTimeRegion) {
            continue;
        }
        for (const ValueListEntry& region : list.Entries()) {
            const std::string value =
                ini.Value("DaylightSaving", std::to_string(region.code) + "TZ");
            const std::optional<DstRule> read = ReadDstRule(value);
            if (!read) {
                continue;
            }
            const DstRule& rule = *read;
            for (int year = 2000; year < 2000 + 256 + 16; year += 7) {
                const int start =
                    RuleDayOfYear(year, rule.StartWeek, rule.StartDayOfWeek, rule.StartMonth);
                const int stop =
                    RuleDayOfYear(year, rule.StopWeek, rule.StopDayOfWeek, rule.StopMonth);
                if (start < 1 || start > 366 || stop < 1 || stop > 366) {
                    std::abort();  // a valid rule always names a day of the year
                }
            }
        }
    }

    const VersionInfo version{"QZT Programmer", "1.0.0.0", "comments"};
    const std::vector<std::string> lines = AboutLines(version, ini);
    if (lines.size() > 2 + 1 + static_cast<std::size_t>(kMaxAboutLines) + 2) {
        std::abort();
    }
    return 0;
}
