#include "model/PasswordScramble.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

namespace {

std::string Pattern(size_t length, unsigned base, unsigned step)
{
    std::string text(length, '\0');
    for (size_t i = 0; i < length; ++i)
        text[i] = static_cast<char>((base + i * step) & 0xFF);
    return text;
}

// For lengths of 4 or more every byte gets the same offset k:
// r = not(s + k), so k = not(r) - s.
uint8_t OffsetAt(const std::string& plain, const std::string& scrambled, size_t i)
{
    return static_cast<uint8_t>(static_cast<uint8_t>(~static_cast<uint8_t>(scrambled[i]))
        - static_cast<uint8_t>(plain[i]));
}

} // namespace

TEST(PasswordScrambleTest, RoundTripsAndLongPasswordsShareOneOffsetThatRepeatsEveryNineLengths)
{
    EXPECT_EQ(ScramblePassword(""), "");
    EXPECT_EQ(UnscramblePassword(""), "");
    for (size_t length = 1; length <= 300; ++length) {
        SCOPED_TRACE(length);
        // Short lengths see every byte value at every position.
        const unsigned bases = length <= 8 ? 256 : 3;
        for (unsigned base = 0; base < bases; ++base) {
            const std::string plain = Pattern(length, base * 97, 1 + base);
            const std::string scrambled = ScramblePassword(plain);
            ASSERT_EQ(scrambled.size(), length);
            ASSERT_EQ(UnscramblePassword(scrambled), plain);
        }
        if (length < 4 || length > 120)
            continue;
        const std::string plain = Pattern(length, 11, 29);
        const std::string scrambled = ScramblePassword(plain);
        const uint8_t k = OffsetAt(plain, scrambled, 0);
        for (size_t i = 1; i < length; ++i)
            ASSERT_EQ(OffsetAt(plain, scrambled, i), k);

        const std::string later = Pattern(length + 9, 200, 3);
        EXPECT_EQ(OffsetAt(later, ScramblePassword(later), 0), k);

        std::set<uint8_t> nine;
        for (size_t n = length; n < length + 9; ++n) {
            const std::string text = Pattern(n, 0, 1);
            nine.insert(OffsetAt(text, ScramblePassword(text), 0));
        }
        ASSERT_EQ(nine.size(), 9u);
        EXPECT_EQ(*nine.rbegin() - *nine.begin(), 8);
    }
}

TEST(PasswordScrambleTest, StoredFormIsStable)
{
    // Site list files already written depend on these exact bytes; short
    // passwords come out reversed.
    EXPECT_EQ(ScramblePassword("abcd"), std::string("\x8D\x8C\x8B\x8A"));
    EXPECT_EQ(ScramblePassword("ab"), std::string("\x8A\x54"));
    EXPECT_EQ(ScramblePassword("a"), std::string("\x71"));
    EXPECT_EQ(ScramblePassword("abc"), std::string("\x63\x96\x42"));
}
