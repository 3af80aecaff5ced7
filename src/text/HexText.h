#pragma once
// Bytes as the unit and the box show them: two upper-case hexadecimal digits,
// high nibble first (radio codes, the product's serial number, the box's
// frames and their checksums).

#include <cstdint>
#include <string>

namespace qzt {

inline std::string ByteToHex(std::uint8_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[value >> 4], kDigits[value & 0x0F]};
}

}  // namespace qzt
