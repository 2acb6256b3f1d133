#include "model/Archive.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

TEST(ArchiveStringTest, LengthPrefixSwitchesAtEachThreshold)
{
    struct Case {
        size_t length;
        std::vector<uint8_t> prefix;
    };
    const Case cases[] = {
        {0, {0x00}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {65533, {0xFF, 0xFD, 0xFF}},
        {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {65535, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        std::string text(c.length, 'x');
        for (size_t i = 0; i < c.length; ++i)
            text[i] = static_cast<char>(i * 7);
        CArchiveWriter writer;
        writer.WriteString(text);
        const std::vector<uint8_t> bytes = writer.Bytes();
        std::vector<uint8_t> expected = c.prefix;
        expected.insert(expected.end(), text.begin(), text.end());
        EXPECT_EQ(bytes, expected);

        CArchiveReader reader(bytes.data(), bytes.size());
        std::string read;
        ASSERT_TRUE(reader.ReadString(read));
        EXPECT_EQ(read, text);
        EXPECT_EQ(reader.Remaining(), 0u);
    }
}

TEST(ArchiveStringTest, ReaderTakesLongFormsAndRefusesLengthsBeyondTheDataAndTheWideForm)
{
    const std::pair<std::vector<uint8_t>, std::optional<std::string>> cases[] = {
        // Other writers may pick a longer prefix than needed; the length decides.
        {{0xFF, 0x02, 0x00, 'h', 'i'}, "hi"},
        {{0xFF, 0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00, 'h', 'i'}, "hi"},
        {{0x05, 'a', 'b'}, std::nullopt},
        {{0xFF, 0x00, 0x01, 'a'}, std::nullopt},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b', 'c'}, std::nullopt},
        {{0xFF, 0xFE, 0xFF, 0x01, 'a', 'b'}, std::nullopt},
        {{0xFF, 0x01}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const auto& [bytes, expected] : cases) {
        SCOPED_TRACE(bytes.size());
        CArchiveReader reader(bytes.data(), bytes.size());
        std::string read = "kept";
        EXPECT_EQ(reader.ReadString(read), expected.has_value());
        EXPECT_EQ(read, expected.value_or("kept"));
        EXPECT_EQ(reader.Failed(), !expected);
        EXPECT_EQ(reader.Error().empty(), expected.has_value());
        // The first failure sticks: a byte that is there is not read from a broken stream.
        uint8_t next = 0;
        if (!expected && bytes.size() > 1) {
            const std::string reason = reader.Error();
            EXPECT_FALSE(reader.ReadU8(next));
            EXPECT_EQ(reader.Error(), reason);
        }
    }
    // The reason is what the message about an unreadable site list says.
    CArchiveReader reader(cases[2].first.data(), cases[2].first.size());
    std::string read;
    EXPECT_FALSE(reader.ReadString(read));
    EXPECT_EQ(reader.Error(), "a string is longer than the data left");
}

TEST(ArchiveCountTest, CountsFromFfffUseTheLongFormAndACountTheDataCannotHoldFails)
{
    const std::pair<uint32_t, std::vector<uint8_t>> cases[] = {
        {0, {0x00, 0x00}},
        {0xFFFE, {0xFE, 0xFF}},
        {0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
        {0x10000, {0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}},
    };
    for (const auto& [count, expected] : cases) {
        CArchiveWriter archive;
        archive.WriteCount(count);
        EXPECT_EQ(archive.Bytes(), expected);

        // Each item takes at least one byte: exactly enough room passes, one byte less fails.
        std::vector<uint8_t> withRoom = expected;
        withRoom.resize(expected.size() + count, 0);
        CArchiveReader reader(withRoom.data(), withRoom.size());
        uint32_t read = 0;
        ASSERT_TRUE(reader.ReadCount(read, 1));
        EXPECT_EQ(read, count);
        if (count > 0) {
            withRoom.pop_back();
            CArchiveReader tight(withRoom.data(), withRoom.size());
            EXPECT_FALSE(tight.ReadCount(read, 1));
            EXPECT_NE(tight.Error().find("count"), std::string::npos);
        }
    }
    // 0xFFFFFFFF items announced, 4 bytes left: refused before anything is sized.
    const std::vector<uint8_t> huge = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4};
    CArchiveReader reader(huge.data(), huge.size());
    uint32_t count = 0;
    EXPECT_FALSE(reader.ReadCount(count, 1));
}

TEST(ArchiveObjectTagTest, ASecondClassTakesTheNextFreeIndex)
{
    // Class A is index 1, its two objects 2 and 3; class B then gets 4.
    const std::pair<const char*, uint16_t> tags[] = {{"A", 1}, {"A", 1}, {"B", 7}, {"B", 7}, {"A", 1}};
    CArchiveWriter archive;
    for (const auto& [name, schema] : tags)
        archive.WriteObjectTag(name, schema);
    const std::vector<uint8_t> expected = {0xFF, 0xFF, 0x01, 0x00, 0x01, 0x00, 'A', 0x01, 0x80,
        0xFF, 0xFF, 0x07, 0x00, 0x01, 0x00, 'B', 0x04, 0x80, 0x01, 0x80};
    EXPECT_EQ(archive.Bytes(), expected);

    CArchiveReader reader(expected.data(), expected.size());
    for (const auto& [name, schema] : tags)
        EXPECT_TRUE(reader.ReadObjectTag(name)) << name;
    EXPECT_FALSE(reader.Failed());
    EXPECT_EQ(reader.Remaining(), 0u);
}

TEST(ArchiveObjectTagTest, ReaderTakesTheBigClassFormAndRefusesWhatIsNotAKnownClass)
{
    const std::vector<uint8_t> classA = {0xFF, 0xFF, 0x02, 0x00, 0x01, 0x00, 'A'};
    const std::pair<std::vector<uint8_t>, bool> tails[] = {
        {{0xFF, 0x7F, 0x01, 0x00, 0x00, 0x80}, true},        // big class reference
        {{0x00, 0x00}, false},                               // null object
        {{0x02, 0x00}, false},                               // reference to object 2
        {{0x02, 0x80}, false},                               // index 2 is an object, not a class
        {{0x05, 0x80}, false},                               // index never given out
        {{0xFF, 0x7F, 0x02, 0x00, 0x00, 0x00}, false},       // big object reference
        {{0xFF, 0xFF, 0x02, 0x00, 0x01, 0x00, 'B'}, false},
        {{0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00}, false},
        {{0xFF, 0xFF, 0x02, 0x00, 0x41, 0x00}, false},
    };
    for (const auto& [tail, accepted] : tails) {
        std::vector<uint8_t> bytes = classA;
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        CArchiveReader reader(bytes.data(), bytes.size());
        ASSERT_TRUE(reader.ReadObjectTag("A"));
        EXPECT_EQ(reader.ReadObjectTag("A"), accepted) << bytes.size();
        EXPECT_EQ(reader.Failed(), !accepted);
    }
    CArchiveReader other(classA.data(), classA.size());
    EXPECT_FALSE(other.ReadObjectTag("B"));
}
