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
}

TEST(FileListCodecTest, RoundTripKeepsFieldsAndOrderAndIgnoresTrailingBytes)
{
    CFileInfoList list;
    list.push_back(MakeEntry(1, LOCATION_REMOTE, "/pub/folder"));
    list.push_back(MakeEntry(0, LOCATION_REMOTE, "/pub//" + std::string(300, 'r'))); // FF + 16-bit length
    list.push_back(MakeEntry(0, LOCATION_LOCAL, "/home/u/\xC3\xA9t\xC3\xA9.txt"));
    list.push_back(nullptr); // an empty slot is not an entry
    list.push_back(MakeEntry(1, LOCATION_LOCAL, ""));

    std::vector<uint8_t> bytes = EncodeFileList(list);
    EXPECT_EQ(bytes[0], 4);
    // A clipboard block may come back larger than it was put there.
    bytes.resize(bytes.size() + 16, 0);
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
