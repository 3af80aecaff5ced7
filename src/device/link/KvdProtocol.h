#pragma once
// What travels between the program and the KVD interface box: the serial
// line's settings, the single-byte answers, and the frame envelope
// STX, payload, checksum, ETX. The payload is printable ASCII; the checksum
// is the payload's byte sum modulo 256 as two upper-case hexadecimal digits.
// Both ends of the line (the link and the simulated box) build and check
// frames with these helpers.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qzt::kvd {

// The USB description (product string) the box's chip was programmed with.
inline constexpr std::string_view kDescription = "Orvi KVD - Active USB Interface";
inline constexpr std::uint16_t kFtdiVendorId = 0x0403;

// 57600 baud, 8 data bits, 2 stop bits, no parity: 11 bits a character.
inline constexpr std::uint32_t kBaudRate = 57600;
inline constexpr std::uint32_t kBitsPerCharacter = 11;

inline constexpr std::uint8_t kStx = 0x02;
inline constexpr std::uint8_t kEtx = 0x03;
inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kNak = 0x15;

// The unit's memory as the box addresses it, and the largest block one
// command moves.
inline constexpr unsigned kMemorySize = 256;
inline constexpr unsigned kMaxBlock = 16;

// Time the line needs for `characters` characters at 57600 baud.
inline std::chrono::nanoseconds LineTime(std::uint64_t characters) {
    return std::chrono::nanoseconds(characters * kBitsPerCharacter * 1'000'000'000ull / kBaudRate);
}

bool IsUpperHexDigit(char c);

// The value of a text of upper-case hexadecimal digits (at most 8); nothing
// for an empty text or any other character.
std::optional<std::uint32_t> ParseUpperHex(std::string_view digits);

// The payload's byte sum modulo 256.
std::uint8_t PayloadSum(std::string_view payload);

// STX, payload, checksum, ETX.
std::string BuildFrame(std::string_view payload);

}  // namespace qzt::kvd
