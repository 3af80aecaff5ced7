// Any bytes as a series plan. A plan that is accepted holds what the series
// relies on: at most kMaxPlanRows rows, each with a label, six codes of four
// upper-case hexadecimal digits, a serial number of digits only, and one
// cell for each of the plan's other columns, fit for the record.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "series/SeriesPlan.h"

using namespace qzt;

namespace {

bool IsCode(const std::string& code) {
    return code.size() == 4 && std::all_of(code.begin(), code.end(), [](unsigned char c) {
               return std::isdigit(c) != 0 || (c >= 'A' && c <= 'F');
           });
}

bool FitsRecord(const std::string& text) {
    return text.size() <= kMaxLabelBytes &&
           std::none_of(text.begin(), text.end(),
                        [](unsigned char c) { return c < 0x20 || c == 0x7F; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const PlanCheck check = ParseSeriesPlan(text);
    if (!check) {
        if (check.error().refusals.empty() || !check.error().unreadable.empty()) {
            std::abort();  // a refusal says why; text is never an unreadable file
        }
        return 0;
    }
    const SeriesPlan& plan = check->plan;
    if (plan.rows.empty() || plan.rows.size() > kMaxPlanRows ||
        plan.extraColumns.size() > kMaxPlanColumns) {
        std::abort();
    }
    for (const std::string& name : plan.extraColumns) {
        if (name.empty() || !FitsRecord(name)) {
            std::abort();
        }
    }
    for (const PlanRow& row : plan.rows) {
        if (row.label.empty() || !FitsRecord(row.label) ||
            row.extras.size() != plan.extraColumns.size() ||
            row.serialNumber.size() > kMaxSerialDigits ||
            !std::all_of(row.serialNumber.begin(), row.serialNumber.end(),
                         [](unsigned char c) { return std::isdigit(c) != 0; })) {
            std::abort();
        }
        if (!std::all_of(row.codes.begin(), row.codes.end(), IsCode) ||
            !std::all_of(row.extras.begin(), row.extras.end(), FitsRecord)) {
            std::abort();
        }
    }
    return 0;
}
