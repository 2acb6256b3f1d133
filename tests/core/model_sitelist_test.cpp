#include "model/SiteList.h"

#include "FileLimits.h"
#include "TempDir.h"

#include <gtest/gtest.h>

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

    const std::vector<uint8_t> bytes = EncodeSiteListFile(CSiteListHeader(), list);
    EXPECT_EQ(ReadWholeFile(path), std::string(bytes.begin(), bytes.end()));
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
