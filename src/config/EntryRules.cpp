#include "config/EntryRules.h"

#include "config/Codec.h"

namespace qzt {
namespace {

bool IsEditingKey(char32_t key) {
    return key == kBackspaceKey || key == kCopyKey || key == kPasteKey || key == kCutKey;
}

bool IsDigit(char32_t key) {
    return key >= U'0' && key <= U'9';
}

}  // namespace

bool IsNumericKey(char32_t key) {
    return IsDigit(key) || IsEditingKey(key);
}

bool IsFloatNumericKey(char32_t key, char32_t decimalSeparator) {
    return IsDigit(key) || key == decimalSeparator || IsEditingKey(key);
}

bool IsHexKey(char32_t key) {
    return IsDigit(key) || (key >= U'A' && key <= U'F') || (key >= U'a' && key <= U'f') ||
           IsEditingKey(key);
}

const EntryRule* FindEntryRule(std::string_view control) {
    for (const EntryRule& rule : kEntryRules) {
        if (rule.control == control) {
            return &rule;
        }
    }
    return nullptr;
}

Result<void> CheckChange(const EntryRule& rule, std::string_view text) {
    if (text.empty() && rule.check != ChangeCheck::TimePart) {
        return {};
    }
    const long long number = ParseWholeNumber(text).value_or(0);
    if (number > rule.limit || (rule.check == ChangeCheck::PositiveMaximum && number <= 0)) {
        return Error::Of(rule.message);
    }
    return {};
}

bool IsReservedRadioCode(std::string_view text) {
    if (text == "0000") {
        return true;
    }
    if (text.size() != 4) {
        return false;
    }
    for (char c : text) {
        if (c != 'F' && c != 'f') {
            return false;
        }
    }
    return true;
}

}  // namespace qzt
