#include "ListViewHarness.h"

#include "TransferHold.h"

#include <thread>

TEST_F(RemoteListTest, RemoteFoldersAreListedWithNamesSizesAndLocation)
{
    h->ShowFolder(2, "/pub", &site);
    ASSERT_EQ(h->Names(), (std::vector<std::string>{"incoming", "a.txt", "b b.bin"}));
    EXPECT_EQ(h->list->Record(0)->m_nKind, LIST_KIND_FOLDER);
    EXPECT_EQ(h->list->RowText(0, 1), QString());
    EXPECT_EQ(h->list->RowText(1, 1), QStringLiteral("2 KB"));
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(h->list->RowText(row, 2), QStringLiteral("Remote"));
        EXPECT_FALSE(h->list->RowText(row, 3).isEmpty());
    }
    ASSERT_EQ(h->ListNotices().size(), 1u);
    EXPECT_EQ(h->ListNotices()[0].hint, HINT_FOLDER_CHANGED);
    // A site that logs in at "/" gives its children paths with "//".
    h->ShowFolder(2, "//pub", &site);
    EXPECT_EQ(h->list->RowCount(), 3);

    // No site or no connection: an empty list and no notice; a failed find:
    // an empty list that the tree still hears of. Nothing is said.
    h->notices.clear();
    h->ShowFolder(2, "/pub", nullptr);
    EXPECT_EQ(h->list->RowCount(), 0);
    CVamloSiteInfo unconnected;
    h->ShowFolder(2, "/pub", &unconnected);
    EXPECT_EQ(h->list->RowCount(), 0);
    EXPECT_TRUE(h->ListNotices().empty());
    h->ShowFolder(2, "/no-such-folder", &site);
    EXPECT_EQ(h->list->RowCount(), 0);
    EXPECT_EQ(h->ListNotices().size(), 1u);
    EXPECT_TRUE(h->prompts.Messages().empty());
    // The connection is still usable afterwards.
    h->ShowFolder(2, "/pub", &site);
    EXPECT_EQ(h->list->RowCount(), 3);
}

TEST_F(RemoteListTest, BusySiteGivesAnEmptyListAndSaysSo)
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

// A Get's end lists a local folder again, a Put's a remote one, and selects
// what arrived (names matched exactly, case included); the other kind of
// folder only forgets the names.
TEST_F(RemoteListTest, TransferEndReListsOnlyTheFolderItsFilesWentTo)
{
    TempDir local;
    WriteWholeFile(local.File("a.txt"), "a");
    const struct {
        const char* name;
        uint8_t location;
        std::string folder;
        int message;
        std::string arrived;   // made where the transfer would have put it
        bool relisted;
    } cases[] = {
        {"download into a local folder", 1, local.Path(), WM_LIST_GET_DONE, local.File("new.dat"), true},
        {"upload into a remote folder", 2, "/pub", WM_LIST_PUT_DONE, m_server.Path("pub/new.dat"), true},
        {"upload while a local folder is shown", 1, local.Path(), WM_LIST_PUT_DONE, local.File("x.dat"), false},
        {"download while a remote folder is shown", 2, "/pub", WM_LIST_GET_DONE, m_server.Path("pub/x.dat"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        h->ShowFolder(c.location, c.folder, c.location == 2 ? &site : nullptr);
        const int rows = h->list->RowCount();
        h->notices.clear();
        WriteWholeFile(c.arrived, "new");
        const std::string name = std::filesystem::path(c.arrived).filename().string();
        // Told from the transfer's worker.
        std::thread worker([&] {
            h->doc->AddTransferredName(name);
            h->doc->AddTransferredName("A.TXT");
            h->list->PostTransferDone(c.message);
        });
        worker.join();
        EXPECT_EQ(h->list->RowCount(), rows);   // nothing happens before the loop runs
        ASSERT_TRUE(QTest::qWaitFor([&] { return h->doc->TransferredNames().empty(); }, 10000));
        ASSERT_TRUE(h->WaitForNetIdle());
        EXPECT_EQ(h->list->RowCount(), c.relisted ? rows + 1 : rows);
        EXPECT_EQ(h->SelectedNames(), c.relisted ? std::vector<std::string>{name} : std::vector<std::string>{});
        ASSERT_EQ(h->ListNotices().size(), c.relisted ? 1u : 0u);
        if (c.relisted) {
            EXPECT_EQ(h->ListNotices()[0].hint, HINT_CONTENTS_CHANGED);
        }
        std::filesystem::remove(c.arrived);
    }
    // The next listing selects nothing left over.
    h->ShowFolder(1, local.Path());
    EXPECT_TRUE(h->list->SelectedRows().empty());
}
