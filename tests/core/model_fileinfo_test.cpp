#include "model/FileInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::unique_ptr<CVaFileInfo> MakeEntry(int32_t isFolder, uint8_t location, const std::string& path)
{
    auto entry = std::make_unique<CVaFileInfo>();
    entry->m_bIsFolder = isFolder;
    entry->m_byLocation = location;
    entry->m_strPath = path;
    return entry;
}

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> bytes;
    for (const auto& part : parts)
        bytes.insert(bytes.end(), part.begin(), part.end());
    return bytes;
}

std::vector<uint8_t> Text(const std::string& s)
{
    return std::vector<uint8_t>(s.begin(), s.end());
}

} // namespace

TEST(FileListCodecTest, TwoLocalFilesGiveTheDocumentedBytes)
{
    CFileInfoList list;
    list.push_back(MakeEntry(0, LOCATION_LOCAL, "C:\\a.txt"));
    list.push_back(MakeEntry(0, LOCATION_LOCAL, "C:\\b.txt"));
    const std::vector<uint8_t> expected = Join({
        {0x02, 0x00, 0xFF, 0xFF, 0x02, 0x00, 0x0B, 0x00},
        Text("CVaFileInfo"),
        {0x00, 0x00, 0x00, 0x00, 0x01, 0x08},
        Text("C:\\a.txt"),
        {0x01, 0x80, 0x00, 0x00, 0x00, 0x00, 0x01, 0x08},
        Text("C:\\b.txt"),
    });
    ASSERT_EQ(expected.size(), 49u);
    EXPECT_EQ(EncodeFileList(list), expected);

    const CFileInfoList read = DecodeFileList(expected.data(), expected.size());
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0]->m_strPath, "C:\\a.txt");
    EXPECT_EQ(read[1]->m_strPath, "C:\\b.txt");
    EXPECT_EQ(read[1]->m_byLocation, LOCATION_LOCAL);
    EXPECT_EQ(read[1]->m_nReserved, 0);
}

TEST(FileListCodecTest, EmptyListIsACountOfZero)
{
    const std::vector<uint8_t> bytes = EncodeFileList(CFileInfoList());
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x00, 0x00}));
    const auto read = TryDecodeFileList(bytes.data(), bytes.size());
    ASSERT_TRUE(read.has_value());
    EXPECT_TRUE(read->empty());
}

TEST(FileListCodecTest, RoundTripKeepsFieldsAndOrder)
{
    CFileInfoList list;
    list.push_back(MakeEntry(1, LOCATION_REMOTE, "/pub/folder"));
    list.push_back(MakeEntry(0, LOCATION_REMOTE, "/pub//" + std::string(300, 'r'))); // FF + 16-bit length
    list.push_back(MakeEntry(0, LOCATION_LOCAL, "/home/u/\xC3\xA9t\xC3\xA9.txt"));
    list.push_back(nullptr); // an empty slot is not an entry
    list.push_back(MakeEntry(1, LOCATION_LOCAL, ""));

    const std::vector<uint8_t> bytes = EncodeFileList(list);
    EXPECT_EQ(bytes[0], 4);
    const auto read = TryDecodeFileList(bytes.data(), bytes.size());
    ASSERT_TRUE(read.has_value());
    ASSERT_EQ(read->size(), 4u);
    const size_t source[] = {0, 1, 2, 4};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ((*read)[i]->m_bIsFolder, list[source[i]]->m_bIsFolder);
        EXPECT_EQ((*read)[i]->m_byLocation, list[source[i]]->m_byLocation);
        EXPECT_EQ((*read)[i]->m_strPath, list[source[i]]->m_strPath);
    }
}

TEST(FileListCodecTest, CountsFromFfffUseTheLongForm)
{
    for (uint32_t count : {0xFFFEu, 0xFFFFu, 0x10000u}) {
        SCOPED_TRACE(count);
        CFileInfoList list;
        list.reserve(count);
        for (uint32_t i = 0; i < count; ++i)
            list.push_back(MakeEntry(0, LOCATION_LOCAL, i + 1 == count ? "last" : ""));
        const std::vector<uint8_t> bytes = EncodeFileList(list);
        const std::vector<uint8_t> head(bytes.begin(), bytes.begin() + 6);
        if (count == 0xFFFE)
            EXPECT_EQ(std::vector<uint8_t>(head.begin(), head.begin() + 2), (std::vector<uint8_t>{0xFE, 0xFF}));
        else if (count == 0xFFFF)
            EXPECT_EQ(head, (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
        else
            EXPECT_EQ(head, (std::vector<uint8_t>{0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}));
        // Class record once; every later entry 8 bytes starting with 0x8001.
        const size_t countBytes = count < 0xFFFF ? 2 : 6;
        const size_t firstEntry = 2 + 2 + 2 + 11 + 4 + 1 + 1;
        ASSERT_EQ(bytes.size(), countBytes + firstEntry + (count - 1) * 8 + 4);
        EXPECT_EQ(bytes[countBytes + firstEntry], 0x01);
        EXPECT_EQ(bytes[countBytes + firstEntry + 1], 0x80);
        EXPECT_EQ(bytes[bytes.size() - 12], 0x01);
        EXPECT_EQ(bytes[bytes.size() - 11], 0x80);

        const auto read = TryDecodeFileList(bytes.data(), bytes.size());
        ASSERT_TRUE(read.has_value());
        ASSERT_EQ(read->size(), count);
        EXPECT_EQ(read->back()->m_strPath, "last");
    }
}

TEST(FileListCodecTest, UnreadablePayloadsGiveNoEntries)
{
    CFileInfoList list;
    list.push_back(MakeEntry(0, LOCATION_LOCAL, "/tmp/a"));
    list.push_back(MakeEntry(0, LOCATION_LOCAL, "/tmp/b"));
    const std::vector<uint8_t> good = EncodeFileList(list);

    std::vector<uint8_t> withNul = good;
    withNul[withNul.size() - 2] = 0x00; // "/tmp/b" becomes "/tmp\0b"
    std::vector<uint8_t> foreign = good;
    foreign[8] = 'X'; // the class name
    ASSERT_EQ(good[31], 0x01);
    ASSERT_EQ(good[32], 0x80);
    std::vector<uint8_t> nullObject = good;
    nullObject[31] = 0x00; // the second tag becomes the null tag
    nullObject[32] = 0x00;
    std::vector<uint8_t> tooMany = good;
    tooMany[0] = 3;

    for (const auto* bytes : {&withNul, &foreign, &nullObject, &tooMany}) {
        EXPECT_FALSE(TryDecodeFileList(bytes->data(), bytes->size()).has_value());
        EXPECT_TRUE(DecodeFileList(bytes->data(), bytes->size()).empty());
    }
    EXPECT_TRUE(DecodeFileList(nullptr, 0).empty());
    EXPECT_FALSE(TryDecodeFileList(nullptr, 0).has_value());
}

TEST(FileListCodecTest, BytesAfterTheLastEntryAreIgnored)
{
    // A clipboard block may come back larger than it was put there.
    CFileInfoList list;
    list.push_back(MakeEntry(1, LOCATION_REMOTE, "/x"));
    std::vector<uint8_t> bytes = EncodeFileList(list);
    bytes.resize(bytes.size() + 16, 0);
    const auto read = TryDecodeFileList(bytes.data(), bytes.size());
    ASSERT_TRUE(read.has_value());
    ASSERT_EQ(read->size(), 1u);
    EXPECT_EQ(read->front()->m_strPath, "/x");
}
