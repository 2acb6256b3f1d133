#include "model/Archive.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<uint8_t> StringBytes(const std::string& text)
{
    CArchiveWriter archive;
    archive.WriteString(text);
    return archive.Bytes();
}

std::vector<uint8_t> Prefix(const std::vector<uint8_t>& bytes, size_t count)
{
    return std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
}

} // namespace

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
        const std::vector<uint8_t> bytes = StringBytes(text);
        ASSERT_EQ(bytes.size(), c.prefix.size() + c.length);
        EXPECT_EQ(Prefix(bytes, c.prefix.size()), c.prefix);
        EXPECT_EQ(std::string(bytes.begin() + static_cast<std::ptrdiff_t>(c.prefix.size()), bytes.end()), text);

        CArchiveReader reader(bytes.data(), bytes.size());
        std::string read;
        ASSERT_TRUE(reader.ReadString(read));
        EXPECT_EQ(read, text);
        EXPECT_EQ(reader.Remaining(), 0u);
    }
}

TEST(ArchiveStringTest, ReaderAcceptsLongFormsForShortStrings)
{
    // Other writers may pick a longer prefix than needed; the length decides.
    const std::vector<uint8_t> medium = {0xFF, 0x02, 0x00, 'h', 'i'};
    const std::vector<uint8_t> big = {0xFF, 0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00, 'h', 'i'};
    for (const auto& bytes : {medium, big}) {
        CArchiveReader reader(bytes.data(), bytes.size());
        std::string read;
        ASSERT_TRUE(reader.ReadString(read));
        EXPECT_EQ(read, "hi");
    }
}

TEST(ArchiveStringTest, RefusesLengthsBeyondTheDataAndTheWideForm)
{
    const std::vector<std::vector<uint8_t>> damaged = {
        {0x05, 'a', 'b'},
        {0xFF, 0x00, 0x01, 'a'},
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b', 'c'},
        {0xFF, 0xFE, 0xFF, 0x01, 'a', 'b'},
        {0xFF, 0x01},
        {},
    };
    for (const auto& bytes : damaged) {
        CArchiveReader reader(bytes.data(), bytes.size());
        std::string read = "kept";
        EXPECT_FALSE(reader.ReadString(read));
        EXPECT_TRUE(reader.Failed());
        EXPECT_FALSE(reader.Error().empty());
        EXPECT_EQ(read, "kept");
    }
}

TEST(ArchiveCountTest, CountsFromFfffUseTheLongForm)
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

        std::vector<uint8_t> withRoom = expected;
        withRoom.resize(expected.size() + count, 0);
        CArchiveReader reader(withRoom.data(), withRoom.size());
        uint32_t read = 0;
        ASSERT_TRUE(reader.ReadCount(read, 1));
        EXPECT_EQ(read, count);
    }
}

TEST(ArchiveCountTest, ACountTheDataCannotHoldFails)
{
    // 0xFFFFFFFF items announced, 4 bytes left: refused before anything is sized.
    const std::vector<uint8_t> bytes = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4};
    CArchiveReader reader(bytes.data(), bytes.size());
    uint32_t count = 0;
    EXPECT_FALSE(reader.ReadCount(count, 1));
    EXPECT_NE(reader.Error().find("count"), std::string::npos);

    const std::vector<uint8_t> two = {0x02, 0x00, 1, 2, 3, 4, 5, 6, 7};
    CArchiveReader tight(two.data(), two.size());
    EXPECT_FALSE(tight.ReadCount(count, 4));
    CArchiveReader enough(two.data(), two.size());
    EXPECT_TRUE(enough.ReadCount(count, 3));
}

TEST(ArchiveObjectTagTest, ClassRecordOnceThenItsIndex)
{
    CArchiveWriter archive;
    archive.WriteObjectTag("CAb", 2);
    archive.WriteObjectTag("CAb", 2);
    archive.WriteObjectTag("CAb", 2);
    EXPECT_EQ(archive.Bytes(), (std::vector<uint8_t>{0xFF, 0xFF, 0x02, 0x00, 0x03, 0x00, 'C', 'A', 'b',
                                   0x01, 0x80, 0x01, 0x80}));
}

TEST(ArchiveObjectTagTest, ASecondClassTakesTheNextFreeIndex)
{
    // Class A is index 1, its two objects 2 and 3; class B then gets 4.
    CArchiveWriter archive;
    archive.WriteObjectTag("A", 1);
    archive.WriteObjectTag("A", 1);
    archive.WriteObjectTag("B", 7);
    archive.WriteObjectTag("B", 7);
    archive.WriteObjectTag("A", 1);
    const std::vector<uint8_t> expected = {0xFF, 0xFF, 0x01, 0x00, 0x01, 0x00, 'A', 0x01, 0x80,
        0xFF, 0xFF, 0x07, 0x00, 0x01, 0x00, 'B', 0x04, 0x80, 0x01, 0x80};
    EXPECT_EQ(archive.Bytes(), expected);

    CArchiveReader reader(expected.data(), expected.size());
    EXPECT_TRUE(reader.ReadObjectTag("A"));
    EXPECT_TRUE(reader.ReadObjectTag("A"));
    EXPECT_TRUE(reader.ReadObjectTag("B"));
    EXPECT_TRUE(reader.ReadObjectTag("B"));
    EXPECT_TRUE(reader.ReadObjectTag("A"));
    EXPECT_FALSE(reader.Failed());
    EXPECT_EQ(reader.Remaining(), 0u);
}

TEST(ArchiveObjectTagTest, ReaderAcceptsTheBigClassForm)
{
    const std::vector<uint8_t> bytes = {0xFF, 0xFF, 0x02, 0x00, 0x01, 0x00, 'A',
        0xFF, 0x7F, 0x01, 0x00, 0x00, 0x80};
    CArchiveReader reader(bytes.data(), bytes.size());
    EXPECT_TRUE(reader.ReadObjectTag("A"));
    EXPECT_TRUE(reader.ReadObjectTag("A"));
}

TEST(ArchiveObjectTagTest, RefusesWhatIsNotAKnownClass)
{
    const std::vector<uint8_t> classA = {0xFF, 0xFF, 0x02, 0x00, 0x01, 0x00, 'A'};
    auto withTail = [&](std::vector<uint8_t> tail) {
        std::vector<uint8_t> bytes = classA;
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        return bytes;
    };
    const std::vector<std::vector<uint8_t>> refused = {
        withTail({0x00, 0x00}),                         // null object
        withTail({0x02, 0x00}),                         // reference to object 2
        withTail({0x02, 0x80}),                         // index 2 is an object, not a class
        withTail({0x05, 0x80}),                         // index never given out
        withTail({0xFF, 0x7F, 0x02, 0x00, 0x00, 0x00}), // big object reference
        withTail({0xFF, 0xFF, 0x02, 0x00, 0x01, 0x00, 'B'}),
        withTail({0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00}),
        withTail({0xFF, 0xFF, 0x02, 0x00, 0x41, 0x00}),
    };
    for (const auto& bytes : refused) {
        CArchiveReader reader(bytes.data(), bytes.size());
        ASSERT_TRUE(reader.ReadObjectTag("A"));
        EXPECT_FALSE(reader.ReadObjectTag("A"));
        EXPECT_TRUE(reader.Failed());
    }
    CArchiveReader other(classA.data(), classA.size());
    EXPECT_FALSE(other.ReadObjectTag("B"));
}

TEST(ArchiveReaderTest, FirstFailureSticks)
{
    const std::vector<uint8_t> bytes = {0x01, 0x02, 0x03};
    CArchiveReader reader(bytes.data(), bytes.size());
    uint32_t big = 0;
    EXPECT_FALSE(reader.ReadU32(big));
    const std::string reason = reader.Error();
    uint8_t small = 0;
    EXPECT_FALSE(reader.ReadU8(small)); // the byte is there, but the stream is already broken
    EXPECT_EQ(reader.Error(), reason);
    EXPECT_EQ(reader.Position(), 0u);
}
