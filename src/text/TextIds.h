#pragma once
// Names for the numbers of the string table.

#include <array>
#include <cstddef>

namespace qzt::txt {

enum Id : int {
#define QZT_TEXT(name, number) name = number,
#include "text/TextIds.def"
#undef QZT_TEXT
};

// How many texts there are. The array below names its size: deducing it
// from the initializers runs into clang's limit of 256 for the deduction's
// fold expression once the table holds more texts than that.
inline constexpr std::size_t kIdCount = 0
#define QZT_TEXT(name, number) +1
#include "text/TextIds.def"
#undef QZT_TEXT
    ;

inline constexpr std::array<Id, kIdCount> kAllIds = {
#define QZT_TEXT(name, number) Id::name,
#include "text/TextIds.def"
#undef QZT_TEXT
};

}  // namespace qzt::txt
