#include "ListViewHarness.h"

#include "FtpServerFixture.h"
#include "TransferHold.h"
#include "model/SiteInfo.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class ListRemoteTest : public FtpServerFixture {
protected:
    void SetUp() override
    {
        FtpServerFixture::SetUp();
        std::filesystem::create_directory(m_server.Path("pub"));
        std::filesystem::create_directory(m_server.Path("pub/incoming"));
        WriteWholeFile(m_server.Path("pub/a.txt"), std::string(1025, 'a'));
        WriteWholeFile(m_server.Path("pub/b b.bin"), "");
        site.m_strAddress = "ftp://127.0.0.1:" + std::to_string(m_server.Port());
        site.m_pConnection = Connect();
        ASSERT_TRUE(site.m_pConnection);
        h = std::make_unique<ListViewHarness>();
    }

    void TearDown() override { h.reset(); }

    CVamloSiteInfo site;
    std::unique_ptr<ListViewHarness> h;
};

} // namespace

TEST_F(ListRemoteTest, RemoteFolderIsListedWithNamesSizesAndLocation)
{
    h->ShowFolder(2, "/pub", &site);
    ASSERT_EQ(h->Names(), (std::vector<std::string>{"incoming", "a.txt", "b b.bin"}));
    EXPECT_EQ(h->list->Record(0)->m_nKind, LIST_KIND_FOLDER);
    EXPECT_EQ(h->list->RowText(0, 1), QString());
    EXPECT_EQ(h->list->RowText(1, 1), QStringLiteral("2 KB"));
    EXPECT_EQ(h->list->RowText(2, 1), QStringLiteral("0 KB"));
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(h->list->RowText(row, 2), QStringLiteral("Remote"));
        EXPECT_FALSE(h->list->RowText(row, 3).isEmpty());
    }
    ASSERT_EQ(h->ListNotices().size(), 1u);
    EXPECT_EQ(h->ListNotices()[0].hint, HINT_FOLDER_CHANGED);
    EXPECT_TRUE(h->prompts.Messages().empty());
}

TEST_F(ListRemoteTest, RootAndDoubleSlashPathsAreListed)
{
    h->ShowFolder(2, "/", &site);
    EXPECT_EQ(h->Names(), std::vector<std::string>{"pub"});
    // A site that logs in at "/" gives its children paths with "//".
    h->ShowFolder(2, "//pub", &site);
    EXPECT_EQ(h->Names(), (std::vector<std::string>{"incoming", "a.txt", "b b.bin"}));
}

TEST_F(ListRemoteTest, BusySiteGivesAnEmptyListAndSaysSo)
{
    h->ShowFolder(2, "/pub", &site);
    ASSERT_EQ(h->list->RowCount(), 3);
    h->notices.clear();
    {
        TransferHold transfer(site);
        h->hub.UpdateAllViews(nullptr, HINT_CONTENTS_CHANGED);
        EXPECT_EQ(h->list->RowCount(), 0);
        EXPECT_EQ(h->frame->StatusText().toStdString(),
                  "The ftp site \"" + site.m_strAddress +
                      "\" is busy with a file transfer. Please try again when the transfer has finished.");
        EXPECT_TRUE(h->ListNotices().empty());
        EXPECT_TRUE(h->prompts.Messages().empty());
    }
    // Once the transfer is over the folder lists again, on the same connection.
    h->hub.UpdateAllViews(nullptr, HINT_CONTENTS_CHANGED);
    ASSERT_TRUE(h->WaitForNetIdle());
    EXPECT_EQ(h->list->RowCount(), 3);
}

TEST_F(ListRemoteTest, MissingSiteOrConnectionGivesAnEmptyListAndNoNotice)
{
    h->ShowFolder(2, "/pub", nullptr);
    EXPECT_EQ(h->list->RowCount(), 0);
    CVamloSiteInfo unconnected;
    h->ShowFolder(2, "/pub", &unconnected);
    EXPECT_EQ(h->list->RowCount(), 0);
    EXPECT_TRUE(h->ListNotices().empty());
    EXPECT_TRUE(h->prompts.Messages().empty());
}

TEST_F(ListRemoteTest, FailedFindGivesAnEmptyListButStillTellsTheTree)
{
    h->ShowFolder(2, "/pub", &site);
    h->notices.clear();
    h->ShowFolder(2, "/no-such-folder", &site);
    EXPECT_EQ(h->list->RowCount(), 0);
    EXPECT_TRUE(h->prompts.Messages().empty());
    ASSERT_EQ(h->ListNotices().size(), 1u);
    // The connection is still usable afterwards.
    h->ShowFolder(2, "/pub", &site);
    EXPECT_EQ(h->list->RowCount(), 3);
}

TEST_F(ListRemoteTest, UploadEndReListsTheRemoteFolderAndSelectsTheNames)
{
    h->ShowFolder(2, "/pub", &site);
    WriteWholeFile(m_server.Path("pub/uploaded.txt"), "xyz");
    h->doc->AddTransferredName("uploaded.txt");
    h->doc->AddTransferredName("incoming");
    h->list->PostTransferDone(WM_LIST_PUT_DONE);
    ASSERT_TRUE(QTest::qWaitFor([&] { return h->list->RowCount() == 4; }, 10000));
    EXPECT_EQ(h->SelectedNames(), (std::vector<std::string>{"incoming", "uploaded.txt"}));
    EXPECT_TRUE(h->doc->TransferredNames().empty());
}

TEST_F(ListRemoteTest, DownloadEndWhileARemoteFolderIsShownListsNothingLocal)
{
    h->ShowFolder(2, "/pub", &site);
    h->notices.clear();
    h->doc->AddTransferredName("a.txt");
    h->list->PostTransferDone(WM_LIST_GET_DONE);
    ASSERT_TRUE(QTest::qWaitFor([&] { return h->doc->TransferredNames().empty(); }, 10000));
    EXPECT_EQ(h->list->RowCount(), 3);
    EXPECT_TRUE(h->ListNotices().empty());
}
