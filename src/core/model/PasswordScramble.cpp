#include "model/PasswordScramble.h"

#include <cstddef>
#include <cstdint>

namespace {

// Offsets for short passwords, one per (length, position of the result byte).
constexpr uint8_t kShortOffsets[3][3] = {
    {0x2D, 0, 0},
    {0x13, 0x4A, 0},
    {0x39, 0x07, 0x5C},
};
// Longer passwords share one offset: ((n + a) mod 9) + b.
constexpr size_t kLongOffsetA = 5;
constexpr uint8_t kLongOffsetB = 0x11;

uint8_t LongOffset(size_t length)
{
    return static_cast<uint8_t>((length + kLongOffsetA) % 9 + kLongOffsetB);
}

// Where result byte i comes from, and the offset it gets.
size_t SourceIndex(size_t length, size_t i)
{
    return length <= 3 ? length - 1 - i : i;
}

uint8_t Offset(size_t length, size_t i)
{
    return length <= 3 ? kShortOffsets[length - 1][i] : LongOffset(length);
}

} // namespace

std::string ScramblePassword(const std::string& text)
{
    const size_t length = text.size();
    std::string result(length, '\0');
    for (size_t i = 0; i < length; ++i) {
        const auto plain = static_cast<uint8_t>(text[SourceIndex(length, i)]);
        result[i] = static_cast<char>(static_cast<uint8_t>(~static_cast<uint8_t>(plain + Offset(length, i))));
    }
    return result;
}

std::string UnscramblePassword(const std::string& text)
{
    const size_t length = text.size();
    std::string result(length, '\0');
    for (size_t i = 0; i < length; ++i) {
        const auto scrambled = static_cast<uint8_t>(text[i]);
        result[SourceIndex(length, i)] =
            static_cast<char>(static_cast<uint8_t>(static_cast<uint8_t>(~scrambled) - Offset(length, i)));
    }
    return result;
}
