#include "device/link/KvdProtocol.h"

#include "text/HexText.h"

namespace qzt::kvd {

bool IsUpperHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

std::optional<std::uint32_t> ParseUpperHex(std::string_view digits) {
    if (digits.empty() || digits.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (char c : digits) {
        if (!IsUpperHexDigit(c)) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<std::uint32_t>(c <= '9' ? c - '0' : c - 'A' + 10);
    }
    return value;
}

std::uint8_t PayloadSum(std::string_view payload) {
    std::uint8_t sum = 0;
    for (char c : payload) {
        sum = static_cast<std::uint8_t>(sum + static_cast<unsigned char>(c));
    }
    return sum;
}

std::string BuildFrame(std::string_view payload) {
    std::string frame;
    frame.reserve(payload.size() + 4);
    frame += static_cast<char>(kStx);
    frame += payload;
    frame += ByteToHex(PayloadSum(payload));
    frame += static_cast<char>(kEtx);
    return frame;
}

}  // namespace qzt::kvd
