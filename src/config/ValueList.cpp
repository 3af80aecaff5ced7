#include "config/ValueList.h"

#include <cassert>
#include <utility>

namespace qzt {

bool ValueList::Append(std::int32_t code, std::string text) {
    if (Count() >= capacity_) {
        return false;
    }
    entries_.push_back(ValueListEntry{code, std::move(text)});
    return true;
}

int ValueList::IndexOfCode(std::uint8_t code) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].code == code) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::int32_t ValueList::CodeAt(int index) const {
    assert(index >= 0 && index < Count());
    if (index < 0 || index >= Count()) {
        return 0;
    }
    return entries_[static_cast<std::size_t>(index)].code;
}

}  // namespace qzt
