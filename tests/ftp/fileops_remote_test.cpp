// Delete, rename and New Directory on a real server.
#include "fileops/FileOpTexts.h"
#include "fileops/RemoteDelete.h"
#include "fileops/RenameOps.h"
#include "ftp/FtpConnection.h"
#include "net/NetErrors.h"
#include "net/InternetException.h"
#include "model/SiteInfo.h"

#include "FtpServerFixture.h"
#include "ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class RemoteFileOpsTest : public FtpServerFixture {
protected:
    RemoteFileOpsTest() : FtpServerFixture({.strDropDir = "cur/f/locked"}) {}
    void SetUp() override
    {
        FtpServerFixture::SetUp();
        site.m_pConnection = Connect();
        ASSERT_TRUE(site.m_pConnection);
    }

    std::string Root(const std::string& name) const { return m_server.Path(name); }

    CVamloSiteInfo site;
    ScriptedPrompts prompts;
};

} // namespace

TEST_F(RemoteFileOpsTest, RowsOfFilesAndNestedFoldersGoAndARefusedFileEndsTheCommandAtOnce)
{
    fs::create_directories(Root("cur/tree/a/b"));
    for (const char* name : {"one.txt", "tree/t", "tree/a/x", "tree/a/b/y", "stays"})
        WriteWholeFile(Root("cur/") + name, "x");
    CRemoteDelete remote(&site, prompts);
    EXPECT_TRUE(remote.DeleteRows("/cur", {{"one.txt", false}, {"tree", true}}));
    EXPECT_FALSE(fs::exists(Root("cur/one.txt")));
    EXPECT_FALSE(fs::exists(Root("cur/tree")));
    EXPECT_EQ(remote.RemovedCount(), 7u);
    EXPECT_TRUE(prompts.Texts().empty());

    EXPECT_FALSE(CRemoteDelete(&site, prompts).DeleteRows("/cur", {{"missing", false}, {"stays", false}}));
    EXPECT_TRUE(fs::exists(Root("cur/stays")));
    const std::vector<std::string> texts = prompts.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].rfind("Failed to delete file /cur//missing\nCause: 550", 0), 0u) << texts[0];
}

// pyftpdlib's MLSD lists a link to a folder as a folder; vsftpd marks links
// in LIST only. Either way the link goes as a link, and what it leads to stays.
class LinkDeleteTest : public FtpServerFixture, public ::testing::WithParamInterface<bool> {
protected:
    LinkDeleteTest() : FtpServerFixture({.bVsftpd = GetParam()}) {}
};

TEST_P(LinkDeleteTest, ALinkToAFolderOutsideGoesAsALinkAndTheOutsideStays)
{
    fs::create_directories(m_server.Path("keep/sub"));
    fs::create_directories(m_server.Path("junk/real"));
    for (const char* name : {"keep/a", "keep/sub/b", "junk/real/c", "junk/d"})
        WriteWholeFile(m_server.Path(name), name);
    fs::create_directory_symlink("../keep/", m_server.Path("junk/link"));
    CVamloSiteInfo site;
    CInternetException error;
    site.m_pConnection = ConnectAs("anonymous", "a@b", false, error);
    ScriptedPrompts prompts;
    EXPECT_EQ(CRemoteDelete(&site, prompts).DeleteRemoteFolder(GetParam() ? m_server.Path("junk") : "/junk"), 1);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
    EXPECT_FALSE(fs::exists(fs::symlink_status(m_server.Path("junk"))));
    EXPECT_EQ(FolderEntries(m_server.Path("keep")), (std::vector<std::string>{"a", "sub"}));
    EXPECT_EQ(ReadWholeFile(m_server.Path("keep/a")) + ReadWholeFile(m_server.Path("keep/sub/b")), "keep/akeep/sub/b");
}

INSTANTIATE_TEST_SUITE_P(PyftpdlibAndVsftpd, LinkDeleteTest, ::testing::Bool());

TEST_F(RemoteFileOpsTest, AFolderWhoseFileCannotGoNamesTheFile)
{
    WriteWholeFile(Root("cur/f/locked/in"), "i");   // the server deletes nothing in locked
    EXPECT_FALSE(CRemoteDelete(&site, prompts).DeleteRows("/cur", {{"f", true}}));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"Failed to delete directory \"/cur//f/locked\" since its "
                                                        "file \"in\" can not be deleted.\nCause: 550 Not enough "
                                                        "privileges.\n"});
}

TEST_F(RemoteFileOpsTest, DisconnectedSiteTexts)
{
    CVamloSiteInfo disconnected;
    CRemoteDelete noConnection(&disconnected, prompts);
    EXPECT_EQ(noConnection.DeleteRemoteFolder("/x"), 0);
    CRemoteDelete noSite(nullptr, prompts);
    EXPECT_EQ(noSite.DeleteRemoteFolder("/x"), 0);
    EXPECT_EQ(prompts.Texts(),
              (std::vector<std::string>{"Failed to delete directory \"/x\". \nCause: The connection to the ftp server "
                                        "is broken.",
                                        "Failed to delete directory \"/x\"."}));
}

TEST_F(RemoteFileOpsTest, CancelStopsWithoutAMessageAndLeavesTheRest)
{
    fs::create_directories(Root("cur/f"));
    for (int i = 0; i < 5; ++i)
        WriteWholeFile(Root("cur/f/" + std::to_string(i)), "x");
    int asked = 0;
    CRemoteDelete remote(&site, prompts, [&asked] { return ++asked > 1; });
    EXPECT_FALSE(remote.DeleteRows("/cur", {{"f", true}}));
    EXPECT_TRUE(fs::exists(Root("cur/f")));
    EXPECT_TRUE(prompts.Texts().empty());
}

TEST_F(RemoteFileOpsTest, RenameRefusesAnExistingNameAndReportsTheServer)
{
    WriteWholeFile(Root("a"), "A");
    WriteWholeFile(Root("b"), "B");
    std::string cause;
    EXPECT_EQ(RenameRemote(*site.m_pConnection, "//a", "//b", &cause), 0);
    EXPECT_EQ(cause, ShortCause(EEXIST));
    EXPECT_EQ(ReadWholeFile(Root("b")), "B");
    EXPECT_EQ(RenameRemote(*site.m_pConnection, "//a", "//c", &cause), 1);
    EXPECT_EQ(ReadWholeFile(Root("c")), "A");
    EXPECT_EQ(RenameRemote(*site.m_pConnection, "//missing", "//d", &cause), 0);
    EXPECT_EQ(cause.rfind("\nCause: 550", 0), 0u) << cause;
}

TEST_F(RemoteFileOpsTest, NewDirectoryAndTheFixedTextWhenItExists)
{
    EXPECT_EQ(CreateRemoteDirectory(prompts, *site.m_pConnection, "//made"), 1);
    EXPECT_TRUE(fs::is_directory(Root("made")));
    EXPECT_EQ(CreateRemoteDirectory(prompts, *site.m_pConnection, "//made"), 0);
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"Failed to create new directory //made\nCause: Cannot create "
                                                          "a new directory when the directory already exists"}));
}
