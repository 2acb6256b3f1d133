// The two stored formats: the site list file and the clipboard's file list.
// Exact bytes pin the writers; the rest is checked for both as properties:
// what is read writes back to the same bytes, bytes after the end are not
// read, and damaged input fails cleanly (the sanitizers watch) leaving no
// records behind. Then the site list file on disk, and copies of a record.
#include "model/FileInfo.h"
#include "model/SiteList.h"

#include "ByteBuilder.h"
#include "FileLimits.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::unique_ptr<CVamloSiteInfo> MakeSite(const std::string& address, int32_t savePassword = 1)
{
    auto site = std::make_unique<CVamloSiteInfo>();
    site->m_strAddress = address;
    site->m_strPort = "2121";
    site->m_strUserName = "user of " + address;
    site->m_strPassword = "pw:" + address;
    site->m_strProxy = "proxy.example:8080";
    site->m_bSavePassword = savePassword;
    site->m_bReconnectAtLogon = 1;
    site->m_bAvailable = 1;
    site->m_strNotes = "notes for " + address;
    return site;
}

std::unique_ptr<CVaFileInfo> MakeEntry(int32_t isFolder, uint8_t location, const std::string& path)
{
    auto entry = std::make_unique<CVaFileInfo>();
    entry->m_bIsFolder = isFolder;
    entry->m_byLocation = location;
    entry->m_strPath = path;
    return entry;
}

// Records with every kind of value the writer must carry.
CSiteList OddSites()
{
    CSiteList list;
    list.push_back(MakeSite("ftp://alpha.example/pub"));
    auto odd = MakeSite("ftp://beta.example:2100");
    odd->m_bAvailable = 7; // any value is kept as it is
    odd->m_bReconnectAtLogon = -1;
    odd->m_strNotes = std::string(300, 'n'); // 3-byte string prefix
    odd->m_strPassword = std::string("\x00\xFF\x80 p", 5);
    odd->m_hTreeItem = 42;
    odd->m_nEditId = 3;
    odd->m_bEdited = 1;
    odd->m_bDeleted = 1;
    list.push_back(std::move(odd));
    // Only a flag of exactly 1 stores the password.
    for (int32_t flag : {0, 2, -1})
        list.push_back(MakeSite("ftp://secret" + std::to_string(flag), flag));
    // The smallest record there is: a count check must not refuse it.
    list.push_back(std::make_unique<CVamloSiteInfo>());
    list.back()->m_strPort.clear();
    return list;
}

CFileInfoList OddEntries()
{
    CFileInfoList list;
    list.push_back(MakeEntry(1, LOCATION_REMOTE, "/pub/folder"));
    list.push_back(MakeEntry(0, LOCATION_REMOTE, "/pub//" + std::string(300, 'r'))); // FF + 16-bit length
    list.push_back(MakeEntry(0, LOCATION_LOCAL, "/home/u/\xC3\xA9t\xC3\xA9.txt"));
    list.push_back(nullptr); // an empty slot is not an entry
    list.push_back(MakeEntry(1, LOCATION_LOCAL, ""));
    return list;
}

// What was read, written again; nothing when the bytes were refused.
std::optional<std::vector<uint8_t>> RereadSites(const std::vector<uint8_t>& bytes)
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
    return EncodeSiteListFile(header, list);
}

std::optional<std::vector<uint8_t>> RereadEntries(const std::vector<uint8_t>& bytes)
{
    const auto entries = TryDecodeFileList(bytes.data(), bytes.size());
    EXPECT_EQ(DecodeFileList(bytes.data(), bytes.size()).size(), entries ? entries->size() : 0);
    if (!entries)
        return std::nullopt;
    return EncodeFileList(*entries);
}

struct Codec {
    const char* name;
    std::vector<uint8_t> valid;
    std::function<std::optional<std::vector<uint8_t>>(const std::vector<uint8_t>&)> reread;
};

std::vector<Codec> Codecs()
{
    // The header's values are taken as they are.
    CSiteListHeader header;
    header.m_strFileSignature = "Other";
    header.m_dwFileVersion = 0xDEADBEEF;
    return {{"site list", EncodeSiteListFile(header, OddSites()), RereadSites},
            {"file list", EncodeFileList(OddEntries()), RereadEntries}};
}

// Two local files, as the clipboard format documents them.
const std::vector<uint8_t> kTwoLocalFiles = Bytes()
                                                .U16(2).U16(0xFFFF).U16(2).U16(11).Raw("CVaFileInfo")
                                                .U32(0).U8(1).Str("C:\\a.txt")
                                                .U16(0x8001).U32(0).U8(1).Str("C:\\b.txt")
                                                .data;

} // namespace

TEST(CodecTest, WritersGiveTheDocumentedBytes)
{
    CFileInfoList files;
    files.push_back(MakeEntry(0, LOCATION_LOCAL, "C:\\a.txt"));
    files.push_back(MakeEntry(0, LOCATION_LOCAL, "C:\\b.txt"));
    ASSERT_EQ(kTwoLocalFiles.size(), 49u);
    EXPECT_EQ(EncodeFileList(files), kTwoLocalFiles);

    const std::vector<uint8_t> empty = {0x05, 'V', 'a', 'm', 'L', 'O', 0x00, 0x01, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(EncodeSiteListFile(CSiteListHeader(), CSiteList()), empty);
    // The class block comes once, then index tags.
    CSiteList sites;
    sites.push_back(MakeSite("ftp://one"));
    sites.push_back(MakeSite("ftp://two", 0));
    sites.push_back(MakeSite("ftp://three"));
    Bytes expected;
    expected.Str("VamLO").U32(256).U16(3).U16(0xFFFF).U16(2).U16(14).Raw("CVamloSiteInfo");
    for (const auto& site : sites) {
        if (site != sites.front())
            expected.U16(0x8001);
        expected.Str(site->m_strAddress).Str(site->m_strPort).Str(site->m_strUserName)
            .Str(site->m_bSavePassword == 1 ? ScramblePassword(site->m_strPassword) : "")
            .Str(site->m_strProxy)
            .U32(static_cast<uint32_t>(site->m_bSavePassword)).U32(1).U32(1)
            .Str(site->m_strNotes);
    }
    EXPECT_EQ(EncodeSiteListFile(CSiteListHeader(), sites), expected.data);
}

TEST(CodecTest, ReadingIgnoresWhatFollowsAndDamagedBytesFailCleanly)
{
    for (const Codec& codec : Codecs()) {
        SCOPED_TRACE(codec.name);
        // A clipboard block may come back larger than it was put there.
        std::vector<uint8_t> longer = codec.valid;
        longer.insert(longer.end(), {0xDE, 0xAD, 0xBE, 0xEF});
        EXPECT_EQ(codec.reread(longer), codec.valid);
        for (size_t length = 0; length < codec.valid.size(); ++length) {
            const std::vector<uint8_t> prefix(codec.valid.begin(),
                                              codec.valid.begin() + static_cast<std::ptrdiff_t>(length));
            EXPECT_FALSE(codec.reread(prefix).has_value()) << length;
        }
        // What decodes must survive being written and read again unchanged.
        const auto decodeOrFail = [&](const std::vector<uint8_t>& bytes) {
            if (const auto again = codec.reread(bytes)) {
                EXPECT_EQ(codec.reread(*again), again);
            }
        };
        for (size_t at = 0; at < codec.valid.size(); ++at) {
            for (uint8_t mask : {0x01, 0x80, 0xFF}) {
                std::vector<uint8_t> bytes = codec.valid;
                bytes[at] ^= mask;
                decodeOrFail(bytes);
            }
        }
        std::mt19937 random(20240611);
        for (int round = 0; round < 3000; ++round) {
            std::vector<uint8_t> bytes;
            // Half of the inputs start like real data, to get past the header.
            if (round % 2 == 1)
                bytes.assign(codec.valid.begin(),
                             codec.valid.begin() + static_cast<std::ptrdiff_t>(random() % codec.valid.size()));
            for (size_t n = random() % 200; n > 0; --n)
                bytes.push_back(static_cast<uint8_t>(random() & 0xFF));
            decodeOrFail(bytes);
        }
    }
}

TEST(SiteListCodecTest, PasswordsAreStoredOnlyWhenSavedAndRunTimeFieldsNeverComeFromTheFile)
{
    const CSiteList list = OddSites();
    const std::vector<uint8_t> bytes = EncodeSiteListFile(CSiteListHeader(), list);
    CSiteListHeader header;
    CSiteList read;
    std::string error;
    ASSERT_TRUE(DecodeSiteListFile(bytes.data(), bytes.size(), header, read, error)) << error;
    ASSERT_EQ(read.size(), list.size());
    auto expected = list.begin();
    for (const auto& site : read) {
        SCOPED_TRACE((*expected)->m_strAddress);
        const std::string& password = (*expected)->m_strPassword;
        const bool saved = (*expected)->m_bSavePassword == 1;
        EXPECT_EQ(site->m_strPassword, saved ? password : "");
        for (const std::string& secret : {password, ScramblePassword(password)}) {
            if (!saved && !secret.empty()) {
                EXPECT_EQ(std::search(bytes.begin(), bytes.end(), secret.begin(), secret.end()), bytes.end());
            }
        }
        EXPECT_EQ(site->m_hTreeItem, 0u);
        EXPECT_EQ(site->m_nEditId, 0);
        EXPECT_EQ(site->m_bEdited, 0);
        EXPECT_EQ(site->m_bDeleted, 0);
        ++expected;
    }
}

TEST(FileListCodecTest, UnreadablePayloadsGiveNoEntries)
{
    std::vector<uint8_t> withNul = kTwoLocalFiles;
    withNul[withNul.size() - 2] = 0x00; // "C:\b.txt" becomes "C:\b.t\0t"
    std::vector<uint8_t> foreign = kTwoLocalFiles;
    foreign[8] = 'X'; // the class name
    std::vector<uint8_t> nullObject = kTwoLocalFiles;
    nullObject[33] = 0x00; // the second tag becomes the null tag
    nullObject[34] = 0x00;
    std::vector<uint8_t> tooMany = kTwoLocalFiles;
    tooMany[0] = 3;
    ASSERT_EQ(DecodeFileList(kTwoLocalFiles.data(), kTwoLocalFiles.size()).size(), 2u);
    for (const auto* bytes : {&withNul, &foreign, &nullObject, &tooMany}) {
        EXPECT_FALSE(TryDecodeFileList(bytes->data(), bytes->size()).has_value());
        EXPECT_TRUE(DecodeFileList(bytes->data(), bytes->size()).empty());
    }
    EXPECT_TRUE(DecodeFileList(nullptr, 0).empty());
    EXPECT_FALSE(TryDecodeFileList(nullptr, 0).has_value());
}

TEST(SiteInfoTest, CopiesTakeTheRecordButNeverTheConnection)
{
    CSiteList sources;
    sources.push_back(MakeSite("ftp://copy.example"));
    CVamloSiteInfo& source = *sources.front();
    source.m_hTreeItem = 77;
    source.m_nEditId = 5;
    source.m_bEdited = 1;
    source.m_bDeleted = 1;
    auto keepAlive = std::make_shared<int>(0);
    source.m_pConnection = std::shared_ptr<IRemoteConnection>(keepAlive, nullptr);
    source.m_pSession = std::shared_ptr<CInternetSession>(keepAlive, nullptr);

    CVamloSiteInfo assigned;
    assigned.m_nEditId = 9;
    assigned = source;
    const CVamloSiteInfo constructed(source);
    for (const CVamloSiteInfo* copy : {static_cast<const CVamloSiteInfo*>(&assigned), &constructed}) {
        // Every stored field, the password among them, as the file would hold it.
        CSiteList copies;
        copies.push_back(std::make_unique<CVamloSiteInfo>(*copy));
        EXPECT_EQ(EncodeSiteListFile(CSiteListHeader(), copies), EncodeSiteListFile(CSiteListHeader(), sources));
        EXPECT_EQ(copy->m_hTreeItem, 77u);
        EXPECT_EQ(copy->m_bEdited, 1);
        EXPECT_EQ(copy->m_bDeleted, 1);
        EXPECT_EQ(copy->m_pConnection.use_count(), 0);
        EXPECT_EQ(copy->m_pSession.use_count(), 0);
    }
    EXPECT_EQ(assigned.m_nEditId, 9);
    EXPECT_EQ(constructed.m_nEditId, 0);
}

TEST(SiteListFileTest, SaveReplacesTheOldFileAndLoadReadsItBack)
{
    TempDir dir;
    const std::string path = dir.File("__$#VAMLO_SITELIST.DAT");
    WriteWholeFile(path, "old contents");

    CSiteList list;
    list.push_back(MakeSite("ftp://saved.example"));
    std::string error;
    ASSERT_TRUE(SaveSiteListFile(path, CSiteListHeader(), list, error)) << error;
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"__$#VAMLO_SITELIST.DAT"});

    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms(077), std::filesystem::perms::none)
        << "the file holds passwords";

    const std::vector<uint8_t> bytes = EncodeSiteListFile(CSiteListHeader(), list);
    EXPECT_EQ(ReadWholeFile(path), std::string(bytes.begin(), bytes.end()));
}

TEST(SiteListFileTest, FailedSavesNameTheFileAndLeaveWhatWasThere)
{
    const CSiteList many = OddSites(); // more than the 64 bytes a full disk leaves
    const struct {
        const char* existing; // a file made in the folder first
        const char* target;
        bool fullDisk;
        bool readOnly;
        std::string cause;
    } cases[] = {
        {"sites.dat/inside", "sites.dat", false, false, ""}, // over a folder
        {"plain", "plain/sites.dat", false, false, "Not a directory"},
        // A file size limit stands in for a full disk: the write itself fails.
        {"sites.dat", "sites.dat", true, false, std::strerror(EFBIG)},
        {"sites.dat", "sites.dat", false, true, ""},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string folder = dir.File("f");
        const std::string path = folder + "/" + c.target;
        SCOPED_TRACE(std::string(c.existing) + (c.fullDisk ? " full disk" : "") + (c.readOnly ? " read-only" : ""));
        std::filesystem::create_directories(std::filesystem::path(folder + "/" + c.existing).parent_path());
        WriteWholeFile(folder + "/" + c.existing, "old contents");
        if (c.readOnly)
            ::chmod(folder.c_str(), 0500);
        const std::vector<std::string> before = FolderEntries(folder);

        std::string error;
        bool saved = true;
        const auto save = [&] { saved = SaveSiteListFile(path, CSiteListHeader(), many, error); };
        if (c.fullDisk)
            RunWithFileSizeLimit(64, save);
        else
            RunWithoutAccessOverride(save);
        ::chmod(folder.c_str(), 0700);
        EXPECT_FALSE(saved);
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_NE(error.find(c.cause), std::string::npos) << error;
        EXPECT_EQ(FolderEntries(folder), before);
        EXPECT_EQ(ReadWholeFile(folder + "/" + c.existing), "old contents");
    }
}

TEST(SiteListFileTest, LoadFailuresNameTheFileAndLeaveNoRecords)
{
    TempDir dir;
    // Missing and damaged files are the document's tests; here what is too big or no file.
    const std::string huge = dir.File("huge.dat");
    WriteWholeFile(huge, "");
    ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(kMaxSiteListFileBytes) + 1), 0);
    for (const std::string& path : {huge, dir.Path()}) {
        SCOPED_TRACE(path);
        CSiteListHeader header;
        CSiteList list;
        list.push_back(MakeSite("ftp://stale"));
        std::string error;
        EXPECT_FALSE(LoadSiteListFile(path, header, list, error));
        EXPECT_TRUE(list.empty());
        EXPECT_NE(error.find("\"" + path + "\""), std::string::npos) << error;
    }
}
