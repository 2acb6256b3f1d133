// The application core: its site list document and its clipboard of entries.
#include "app/AppCore.h"
#include "app/SiteListOwner.h"
#include "app/VamloDoc.h"

#include "EntryList.h"
#include "MemoryServices.h"
#include "ScriptedPrompts.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <filesystem>
#include <sys/stat.h>

namespace {

class DocumentTest : public ::testing::Test {
protected:
    DocumentTest()
    {
        app.m_pPrompts = &prompts;
        app.m_pSettings = &settings;
        app.SetPaths(MakeAppPaths(dir.Path()));
        doc.SetSiteListOwner(&owner);
    }

    void AddSite(const std::string& address)
    {
        owner.m_siteList.push_back(std::make_unique<CVamloSiteInfo>());
        owner.m_siteList.back()->m_strAddress = address;
    }

    TempDir dir;
    ScriptedPrompts prompts;
    MemorySettingsStore settings;
    CAppCore app;
    CSiteListOwner owner;
    CVamloDoc doc{app};
};

} // namespace

TEST_F(DocumentTest, NewDocumentWritesTheEmptyFileAtOnceAndFailuresNameTheFile)
{
    ASSERT_EQ(doc.OnNewDocument(app.m_strSiteListPath), 1);
    EXPECT_EQ(ReadWholeFile(app.m_strSiteListPath), std::string("\x05VamLO\x00\x01\x00\x00\x00\x00", 12));
    EXPECT_TRUE(prompts.Texts().empty());

    const std::string path = dir.File("not-a-folder") + "/site.dat";
    WriteWholeFile(dir.File("not-a-folder"), "x");
    EXPECT_EQ(doc.OnNewDocument(path), 0);
    // A file named on the command line that is not there does not open.
    EXPECT_EQ(doc.OnOpenDocument(dir.File("missing.dat")), 0);
    ASSERT_EQ(prompts.Texts().size(), 2u);
    EXPECT_NE(prompts.Texts()[0].find(path), std::string::npos);
    EXPECT_NE(prompts.Texts()[1].find(dir.File("missing.dat")), std::string::npos);

    settings.values["AutoSaveLog"] = "yes";
    settings.values["AutoRefreshLogView"] = "no";
    CVamloDoc other(app);
    EXPECT_EQ(other.m_bAutoSaveLog, 1);
    EXPECT_EQ(other.m_bAutoRefreshLogView, 0);
}

TEST_F(DocumentTest, UnreadableFilesAreReportedKeptAsideInTurnAndNeverSilentlyOverwritten)
{
    const std::string path = app.m_strSiteListPath;
    const std::string garbage = "\x05VamLO\x00\x01\x00\x00\x05\x00\xff\xff\x02\x00";
    WriteWholeFile(path, garbage);
    ASSERT_EQ(doc.OnOpenDocument(path), 1);
    EXPECT_TRUE(owner.m_siteList.empty());
    ASSERT_EQ(prompts.Texts().size(), 1u);
    EXPECT_NE(prompts.Texts()[0].find(path), std::string::npos);
    // Closing without changes writes nothing.
    doc.CanCloseFrame();
    EXPECT_EQ(ReadWholeFile(path), garbage);

    // An explicit save keeps the unreadable bytes aside before replacing the file.
    AddSite("ftp://new");
    owner.m_bSiteListModified = 1;
    ASSERT_EQ(doc.OnFileSaveSiteList(), 1);
    EXPECT_EQ(owner.m_bSiteListModified, 0);
    EXPECT_EQ(ReadWholeFile(path + ".unreadable"), garbage);
    const std::vector<uint8_t> saved = EncodeSiteListFile(CSiteListHeader(), owner.m_siteList);
    EXPECT_EQ(ReadWholeFile(path), std::string(saved.begin(), saved.end()));

    // Later unreadable files never replace the first copy.
    for (const std::string later : {"second garbage", "third garbage"}) {
        WriteWholeFile(path, later);
        CVamloDoc opened(app);
        CSiteListOwner owner2;
        opened.SetSiteListOwner(&owner2);
        ASSERT_EQ(opened.OnOpenDocument(path), 1);
        owner2.m_bSiteListModified = 1;
        ASSERT_EQ(opened.OnFileSaveSiteList(), 1);
    }
    EXPECT_EQ(ReadWholeFile(path + ".unreadable"), garbage);
    EXPECT_EQ(ReadWholeFile(path + ".unreadable.2"), "second garbage");
    EXPECT_EQ(ReadWholeFile(path + ".unreadable.3"), "third garbage");
}

TEST_F(DocumentTest, SaveToAReadOnlyFileAsksForAnotherName)
{
    ASSERT_EQ(doc.OnNewDocument(app.m_strSiteListPath), 1);
    ASSERT_EQ(chmod(app.m_strSiteListPath.c_str(), 0444), 0);
    AddSite("ftp://elsewhere");
    owner.m_bSiteListModified = 1;

    // Cancelled: nothing written, still modified.
    doc.m_fnAskSaveAsPath = [](const std::string&) { return std::optional<std::string>(); };
    EXPECT_EQ(doc.OnFileSaveSiteList(), 0);
    EXPECT_EQ(owner.m_bSiteListModified, 1);

    const std::string other = dir.File("other.dat");
    doc.m_fnAskSaveAsPath = [&](const std::string& current) {
        EXPECT_EQ(current, app.m_strSiteListPath);
        return std::optional<std::string>(other);
    };
    EXPECT_EQ(doc.OnFileSaveSiteList(), 1);
    EXPECT_EQ(owner.m_bSiteListModified, 0);
    EXPECT_EQ(doc.GetPathName(), other);
    EXPECT_GT(ReadWholeFile(other).size(), 12u);
    EXPECT_EQ(ReadWholeFile(app.m_strSiteListPath).size(), 12u);
}

// The window checks the question and Yes; here that an unchanged list asks nothing and No keeps the file.
TEST_F(DocumentTest, CloseAsksOnlyWhenModifiedAndNoKeepsTheFile)
{
    ASSERT_EQ(doc.OnNewDocument(app.m_strSiteListPath), 1);
    EXPECT_EQ(doc.CanCloseFrame(), 1);
    EXPECT_TRUE(prompts.Texts().empty());
    AddSite("ftp://kept");
    owner.m_bSiteListModified = 1;
    prompts.Answer(MsgResult::No);
    EXPECT_EQ(doc.CanCloseFrame(), 1);
    EXPECT_EQ(prompts.Texts().size(), 1u);
    EXPECT_EQ(ReadWholeFile(app.m_strSiteListPath).size(), 12u);
}

TEST(AppClipboardTest, OnlyTheRegisteredFormatCarriesEntriesAndPasteLeavesThemThere)
{
    MemoryClipboard clipboard;
    CAppCore app;
    app.m_pClipboard = &clipboard;
    CFileInfoList list = EntryList({{"/pub//a.txt", false}, {"/pub//dir", true}}, LOCATION_REMOTE);

    // Before the format is registered nothing goes to the clipboard.
    app.CopyToClipboard(list);
    EXPECT_TRUE(clipboard.format.empty());

    app.RegisterClipboardFormat();
    app.CopyToClipboard(list);
    EXPECT_EQ(clipboard.format, "Vamlo Clipboard Format V1.00");
    EXPECT_EQ(clipboard.data, EncodeFileList(list));
    for (int round = 0; round < 2; ++round) {
        CFileInfoList pasted;
        app.PasteFromClipboard(pasted);
        EXPECT_EQ(EncodeFileList(pasted), clipboard.data) << round;
    }

    // Foreign bytes under our name paste as nothing.
    clipboard.SetData(app.m_cfFileList, {0x02, 0x00, 0xff, 0xff, 0x02, 0x00, 0x40, 0x00, 'C'});
    CFileInfoList pasted;
    app.PasteFromClipboard(pasted);
    EXPECT_TRUE(pasted.empty());
}
