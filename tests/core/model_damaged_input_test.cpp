#include "model/FileInfo.h"
#include "model/SiteList.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

// Damaged site list files and clipboard payloads must decode cleanly or fail
// cleanly (run under the address sanitizer); what decodes must survive being
// written and read again unchanged, and a failed site list decode must leave
// no records behind.

namespace {

std::vector<uint8_t> ValidSiteListFile()
{
    CSiteList list;
    for (int i = 0; i < 3; ++i) {
        auto site = std::make_unique<CVamloSiteInfo>();
        site->m_strAddress = "ftp://host" + std::to_string(i) + ".example/pub";
        site->m_strPassword = std::string(static_cast<size_t>(i + 2), 'p');
        site->m_bSavePassword = 1;
        site->m_strNotes = std::string(i == 1 ? 260 : 3, 'n');
        list.push_back(std::move(site));
    }
    return EncodeSiteListFile(CSiteListHeader(), list);
}

std::vector<uint8_t> ValidPayload()
{
    CFileInfoList list;
    for (const char* path : {"/pub//a.txt", "/pub//b", "/pub//c.tar.gz"}) {
        auto entry = std::make_unique<CVaFileInfo>();
        entry->m_bIsFolder = path[6] == 'b' ? 1 : 0;
        entry->m_byLocation = LOCATION_REMOTE;
        entry->m_strPath = path;
        list.push_back(std::move(entry));
    }
    return EncodeFileList(list);
}

// The number of records read, or nothing when the bytes were refused.
std::optional<size_t> DecodeSites(const std::vector<uint8_t>& bytes)
{
    CSiteListHeader header;
    header.m_strFileSignature = "before"; // must not change on a failure
    CSiteList list;
    list.push_back(std::make_unique<CVamloSiteInfo>()); // must not survive a failure
    std::string error;
    if (!DecodeSiteListFile(bytes.data(), bytes.size(), header, list, error)) {
        EXPECT_TRUE(list.empty());
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(header.m_strFileSignature, "before");
        return std::nullopt;
    }
    const std::vector<uint8_t> again = EncodeSiteListFile(header, list);
    CSiteListHeader header2;
    CSiteList list2;
    EXPECT_TRUE(DecodeSiteListFile(again.data(), again.size(), header2, list2, error));
    EXPECT_EQ(EncodeSiteListFile(header2, list2), again);
    return list.size();
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

struct Codec {
    const char* name;
    std::vector<uint8_t> valid;
    std::function<std::optional<size_t>(const std::vector<uint8_t>&)> decode;
    uint32_t seed;
};

std::vector<Codec> Codecs()
{
    return {{"site list", ValidSiteListFile(), DecodeSites, 20240611},
            {"payload", ValidPayload(), DecodeEntries, 77031}};
}

} // namespace

TEST(DamagedInputTest, PrefixesFailAndFlippedOrRandomBytesDecodeOrFailCleanly)
{
    for (const Codec& codec : Codecs()) {
        SCOPED_TRACE(codec.name);
        ASSERT_EQ(codec.decode(codec.valid), 3u);
        for (size_t length = 0; length < codec.valid.size(); ++length) {
            const std::vector<uint8_t> prefix(codec.valid.begin(),
                                              codec.valid.begin() + static_cast<std::ptrdiff_t>(length));
            EXPECT_FALSE(codec.decode(prefix).has_value()) << length;
        }
        for (size_t at = 0; at < codec.valid.size(); ++at) {
            for (uint8_t mask : {0x01, 0x80, 0xFF}) {
                std::vector<uint8_t> bytes = codec.valid;
                bytes[at] ^= mask;
                EXPECT_LE(codec.decode(bytes).value_or(0), 3u) << at;
            }
        }
        std::mt19937 random(codec.seed);
        for (int round = 0; round < 3000; ++round) {
            std::vector<uint8_t> bytes;
            // Half of the inputs start like real data, to get past the header.
            if (round % 2 == 1)
                bytes.assign(codec.valid.begin(),
                             codec.valid.begin() + static_cast<std::ptrdiff_t>(random() % codec.valid.size()));
            for (size_t n = random() % 200; n > 0; --n)
                bytes.push_back(static_cast<uint8_t>(random() & 0xFF));
            codec.decode(bytes);
        }
    }
}
