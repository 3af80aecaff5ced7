#pragma once
// Names for the numbers of the string table.

#include <array>

namespace qzt::txt {

enum Id : int {
#define QZT_TEXT(name, number) name = number,
#include "text/TextIds.def"
#undef QZT_TEXT
};

inline constexpr std::array kAllIds = {
#define QZT_TEXT(name, number) Id::name,
#include "text/TextIds.def"
#undef QZT_TEXT
};

}  // namespace qzt::txt
