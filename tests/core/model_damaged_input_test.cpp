#include "model/FileInfo.h"
#include "model/SiteList.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

// Damaged site list files and clipboard payloads must decode cleanly or fail
// cleanly (run under the address sanitizer), and a failed site list decode
// must leave no records behind.

namespace {

std::vector<uint8_t> ValidSiteListFile()
{
    CSiteList list;
    for (int i = 0; i < 3; ++i) {
        auto site = std::make_unique<CVamloSiteInfo>();
        site->m_strAddress = "ftp://host" + std::to_string(i) + ".example/pub";
        site->m_strUserName = "anonymous";
        site->m_strPassword = std::string(static_cast<size_t>(i + 2), 'p');
        site->m_bSavePassword = 1;
        site->m_bAvailable = i % 2;
        site->m_strNotes = std::string(i == 1 ? 260 : 3, 'n');
        list.push_back(std::move(site));
    }
    return EncodeSiteListFile(CSiteListHeader(), list);
}

std::vector<uint8_t> ValidPayload()
{
    CFileInfoList list;
    const char* paths[] = {"/pub//a.txt", "/pub//b", "/pub//c.tar.gz"};
    for (const char* path : paths) {
        auto entry = std::make_unique<CVaFileInfo>();
        entry->m_bIsFolder = path[6] == 'b' ? 1 : 0;
        entry->m_byLocation = LOCATION_REMOTE;
        entry->m_strPath = path;
        list.push_back(std::move(entry));
    }
    return EncodeFileList(list);
}

struct SiteListOutcome {
    bool ok = false;
    size_t records = 0;
};

SiteListOutcome DecodeSites(const std::vector<uint8_t>& bytes)
{
    CSiteListHeader header;
    CSiteList list;
    list.push_back(std::make_unique<CVamloSiteInfo>()); // must not survive a failure
    std::string error;
    const bool ok = DecodeSiteListFile(bytes.data(), bytes.size(), header, list, error);
    if (!ok) {
        EXPECT_TRUE(list.empty());
        EXPECT_FALSE(error.empty());
        return {false, 0};
    }
    // What was read must survive being written and read again unchanged.
    const std::vector<uint8_t> again = EncodeSiteListFile(header, list);
    CSiteListHeader header2;
    CSiteList list2;
    EXPECT_TRUE(DecodeSiteListFile(again.data(), again.size(), header2, list2, error));
    EXPECT_EQ(EncodeSiteListFile(header2, list2), again);
    return {true, list.size()};
}

std::optional<size_t> DecodeEntries(const std::vector<uint8_t>& bytes)
{
    const auto entries = TryDecodeFileList(bytes.data(), bytes.size());
    EXPECT_EQ(DecodeFileList(bytes.data(), bytes.size()).size(), entries ? entries->size() : 0);
    if (!entries)
        return std::nullopt;
    const std::vector<uint8_t> again = EncodeFileList(*entries);
    const auto reread = TryDecodeFileList(again.data(), again.size());
    EXPECT_TRUE(reread.has_value());
    if (reread) {
        EXPECT_EQ(EncodeFileList(*reread), again);
    }
    return entries->size();
}

std::vector<uint8_t> RandomBytes(std::mt19937& random, size_t length)
{
    std::vector<uint8_t> bytes(length);
    for (auto& byte : bytes)
        byte = static_cast<uint8_t>(random() & 0xFF);
    return bytes;
}

} // namespace

TEST(DamagedSiteListTest, EveryShorterPrefixFails)
{
    const std::vector<uint8_t> valid = ValidSiteListFile();
    ASSERT_EQ(DecodeSites(valid).records, 3u);
    for (size_t length = 0; length < valid.size(); ++length) {
        const std::vector<uint8_t> prefix(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_FALSE(DecodeSites(prefix).ok) << length;
    }
}

TEST(DamagedSiteListTest, SingleByteFlipsDecodeOrFailCleanly)
{
    const std::vector<uint8_t> valid = ValidSiteListFile();
    for (size_t at = 0; at < valid.size(); ++at) {
        for (uint8_t mask : {0x01, 0x80, 0xFF}) {
            std::vector<uint8_t> bytes = valid;
            bytes[at] ^= mask;
            const SiteListOutcome outcome = DecodeSites(bytes);
            if (outcome.ok) {
                EXPECT_LE(outcome.records, 3u) << at;
            }
        }
    }
}

TEST(DamagedSiteListTest, RandomBytesDecodeOrFailCleanly)
{
    std::mt19937 random(20240611);
    const std::vector<uint8_t> valid = ValidSiteListFile();
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> bytes;
        // Half of the inputs start like a real file, to get past the header.
        if (round % 2 == 1)
            bytes.assign(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(random() % valid.size()));
        const std::vector<uint8_t> tail = RandomBytes(random, random() % 200);
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        DecodeSites(bytes);
    }
}

TEST(DamagedSiteListTest, HugeCountFailsWithoutReadingOn)
{
    // Empty signature, version, count 0xFFFFFFFF, then almost nothing.
    const std::vector<uint8_t> bytes = {0x00, 0x00, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
        0xFF, 0xFF, 0x02, 0x00};
    CSiteListHeader header;
    CSiteList list;
    std::string error;
    EXPECT_FALSE(DecodeSiteListFile(bytes.data(), bytes.size(), header, list, error));
    EXPECT_NE(error.find("count"), std::string::npos) << error;
    EXPECT_TRUE(list.empty());
}

TEST(DamagedPayloadTest, EveryShorterPrefixFails)
{
    const std::vector<uint8_t> valid = ValidPayload();
    ASSERT_EQ(DecodeEntries(valid), 3u);
    for (size_t length = 0; length < valid.size(); ++length) {
        const std::vector<uint8_t> prefix(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_FALSE(DecodeEntries(prefix).has_value()) << length;
    }
}

TEST(DamagedPayloadTest, SingleByteFlipsDecodeOrFailCleanly)
{
    const std::vector<uint8_t> valid = ValidPayload();
    for (size_t at = 0; at < valid.size(); ++at) {
        for (uint8_t mask : {0x01, 0x80, 0xFF}) {
            std::vector<uint8_t> bytes = valid;
            bytes[at] ^= mask;
            const auto outcome = DecodeEntries(bytes);
            if (outcome) {
                EXPECT_LE(*outcome, 3u) << at;
            }
        }
    }
}

TEST(DamagedPayloadTest, RandomBytesDecodeOrFailCleanly)
{
    std::mt19937 random(77031);
    const std::vector<uint8_t> valid = ValidPayload();
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> bytes;
        if (round % 2 == 1)
            bytes.assign(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(random() % valid.size()));
        const std::vector<uint8_t> tail = RandomBytes(random, random() % 200);
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        DecodeEntries(bytes);
    }
}

TEST(DamagedPayloadTest, HugeCountFailsWithoutReadingOn)
{
    const std::vector<uint8_t> bytes = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x02, 0x03, 0x04};
    EXPECT_FALSE(TryDecodeFileList(bytes.data(), bytes.size()).has_value());
    EXPECT_TRUE(DecodeFileList(bytes.data(), bytes.size()).empty());
}
