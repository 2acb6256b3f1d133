#include "model/SiteList.h"

#include "ByteBuilder.h"
#include "FileLimits.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
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

void ExpectSameStoredFields(const CVamloSiteInfo& actual, const CVamloSiteInfo& expected)
{
    EXPECT_EQ(actual.m_strAddress, expected.m_strAddress);
    EXPECT_EQ(actual.m_strPort, expected.m_strPort);
    EXPECT_EQ(actual.m_strUserName, expected.m_strUserName);
    EXPECT_EQ(actual.m_strProxy, expected.m_strProxy);
    EXPECT_EQ(actual.m_bSavePassword, expected.m_bSavePassword);
    EXPECT_EQ(actual.m_bReconnectAtLogon, expected.m_bReconnectAtLogon);
    EXPECT_EQ(actual.m_bAvailable, expected.m_bAvailable);
    EXPECT_EQ(actual.m_strNotes, expected.m_strNotes);
}

CSiteList Decode(const std::vector<uint8_t>& bytes, CSiteListHeader* header = nullptr)
{
    CSiteListHeader ignored;
    CSiteList list;
    std::string error;
    EXPECT_TRUE(DecodeSiteListFile(bytes.data(), bytes.size(), header ? *header : ignored, list, error)) << error;
    return list;
}

} // namespace

TEST(SiteInfoTest, CopiesTakeTheRecordButNeverTheConnection)
{
    auto source = MakeSite("ftp://copy.example");
    source->m_hTreeItem = 77;
    source->m_nEditId = 5;
    source->m_bEdited = 1;
    source->m_bDeleted = 1;
    auto keepAlive = std::make_shared<int>(0);
    source->m_pConnection = std::shared_ptr<CFtpConnection>(keepAlive, nullptr);
    source->m_pSession = std::shared_ptr<CInternetSession>(keepAlive, nullptr);

    CVamloSiteInfo assigned;
    assigned.m_nEditId = 9;
    assigned = *source;
    const CVamloSiteInfo constructed(*source);
    for (const CVamloSiteInfo* copy : {static_cast<const CVamloSiteInfo*>(&assigned), &constructed}) {
        ExpectSameStoredFields(*copy, *source);
        EXPECT_EQ(copy->m_strPassword, source->m_strPassword);
        EXPECT_EQ(copy->m_hTreeItem, 77u);
        EXPECT_EQ(copy->m_bEdited, 1);
        EXPECT_EQ(copy->m_bDeleted, 1);
        EXPECT_EQ(copy->m_pConnection.use_count(), 0);
        EXPECT_EQ(copy->m_pSession.use_count(), 0);
    }
    EXPECT_EQ(assigned.m_nEditId, 9);
    EXPECT_EQ(constructed.m_nEditId, 0);
}

TEST(SiteListCodecTest, EmptyListIsTwelveBytesAndHeaderValuesAreTakenAsTheyAre)
{
    const std::vector<uint8_t> expected = {0x05, 'V', 'a', 'm', 'L', 'O', 0x00, 0x01, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(EncodeSiteListFile(CSiteListHeader(), CSiteList()), expected);
    CSiteListHeader header;
    header.m_dwFileVersion = 0;
    EXPECT_TRUE(Decode(expected, &header).empty());
    EXPECT_EQ(header.m_strFileSignature, "VamLO");
    EXPECT_EQ(header.m_dwFileVersion, 256u);

    CSiteListHeader other;
    other.m_strFileSignature = "Other";
    other.m_dwFileVersion = 0xDEADBEEF;
    EXPECT_TRUE(Decode(EncodeSiteListFile(other, CSiteList()), &header).empty());
    EXPECT_EQ(header.m_strFileSignature, "Other");
    EXPECT_EQ(header.m_dwFileVersion, 0xDEADBEEFu);
}

TEST(SiteListCodecTest, ClassBlockOnceThenIndexTags)
{
    CSiteList list;
    list.push_back(MakeSite("ftp://one"));
    list.push_back(MakeSite("ftp://two", 0));
    list.push_back(MakeSite("ftp://three"));

    Bytes expected;
    expected.Str("VamLO").U32(256).U16(3);
    bool first = true;
    for (const auto& site : list) {
        if (first)
            expected.U16(0xFFFF).U16(2).U16(14).Raw("CVamloSiteInfo");
        else
            expected.U16(0x8001);
        first = false;
        expected.Str(site->m_strAddress).Str(site->m_strPort).Str(site->m_strUserName)
            .Str(site->m_bSavePassword == 1 ? ScramblePassword(site->m_strPassword) : "")
            .Str(site->m_strProxy)
            .U32(static_cast<uint32_t>(site->m_bSavePassword)).U32(1).U32(1)
            .Str(site->m_strNotes);
    }
    EXPECT_EQ(EncodeSiteListFile(CSiteListHeader(), list), expected.data);
}

TEST(SiteListCodecTest, RoundTripKeepsStoredFieldsInOrderAndPasswordsOnlyWhenSaved)
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

    std::vector<uint8_t> bytes = EncodeSiteListFile(CSiteListHeader(), list);
    for (const auto& site : list) {
        if (site->m_bSavePassword == 1 || site->m_strPassword.empty())
            continue;
        for (const std::string& secret : {site->m_strPassword, ScramblePassword(site->m_strPassword)})
            EXPECT_EQ(std::search(bytes.begin(), bytes.end(), secret.begin(), secret.end()), bytes.end());
    }
    // Bytes after the last record are not read.
    bytes.insert(bytes.end(), {0xDE, 0xAD, 0xBE, 0xEF});
    const CSiteList read = Decode(bytes);
    ASSERT_EQ(read.size(), list.size());
    auto expected = list.begin();
    for (const auto& site : read) {
        SCOPED_TRACE((*expected)->m_strAddress);
        ExpectSameStoredFields(*site, **expected);
        EXPECT_EQ(site->m_strPassword, (*expected)->m_bSavePassword == 1 ? (*expected)->m_strPassword : "");
        // Run-time fields never come from the file.
        EXPECT_EQ(site->m_hTreeItem, 0u);
        EXPECT_EQ(site->m_nEditId, 0);
        EXPECT_EQ(site->m_bEdited, 0);
        EXPECT_EQ(site->m_bDeleted, 0);
        ++expected;
    }
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

    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u) << "the file holds passwords";

    CSiteListHeader header;
    CSiteList read;
    ASSERT_TRUE(LoadSiteListFile(path, header, read, error)) << error;
    ASSERT_EQ(read.size(), 1u);
    ExpectSameStoredFields(*read.front(), *list.front());
    EXPECT_EQ(read.front()->m_strPassword, list.front()->m_strPassword);
}

TEST(SiteListFileTest, FailedSavesNameTheFileAndLeaveWhatWasThere)
{
    CSiteList many;
    for (int i = 0; i < 20; ++i)
        many.push_back(MakeSite("ftp://site" + std::to_string(i) + ".example"));
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
        const auto snapshot = [&] {
            std::vector<std::pair<std::string, std::string>> files;
            for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
                files.emplace_back(entry.path().string(),
                                   entry.is_regular_file() ? ReadWholeFile(entry.path().string()) : "");
            return files;
        };
        const auto before = snapshot();

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
        EXPECT_EQ(snapshot(), before);
    }
}

TEST(SiteListFileTest, LoadFailuresNameTheFileAndLeaveNoRecords)
{
    TempDir dir;
    const std::string missing = dir.File("missing.dat");
    const std::string damaged = dir.File("damaged.dat");
    const std::string huge = dir.File("huge.dat");
    WriteWholeFile(damaged, std::string("\x05VamLO\x00\x01\x00\x00\x05\x00", 12));
    WriteWholeFile(huge, "");
    ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(kMaxSiteListFileBytes) + 1), 0);

    for (const std::string& path : {missing, damaged, huge, dir.Path()}) {
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
