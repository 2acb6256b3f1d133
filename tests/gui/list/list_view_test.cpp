#include "../ListViewHarness.h"

#include "TransferHold.h"

#include <QHeaderView>

#include <condition_variable>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void SetModified(const std::string& path, std::time_t modified)
{
    const timespec times[2] = {{modified, 0}, {modified, 0}};
    EXPECT_TRUE(modified == 0 || ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0) << path;
}

void MakeFile(const std::string& path, uint64_t bytes, std::time_t modified = 0)
{
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path;
    // Sparse: a 5 GiB file costs no disk.
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(bytes)), 0);
    ::close(fd);
    SetModified(path, modified);
}

void MakeFolder(const std::string& path, std::time_t modified = 0)
{
    ASSERT_EQ(::mkdir(path.c_str(), 0755), 0) << path;
    SetModified(path, modified);
}

class ListViewTest : public ::testing::Test {
protected:
    // Shown: three files and two folders with distinct sizes and times.
    void SetUp() override
    {
        setenv("TZ", "UTC0", 1);
        tzset();
        MakeFile(folder.File("beta.txt"), 3000, 3000);      // 3 KB, oldest file
        MakeFile(folder.File("Alpha.txt"), 1025, 5000);     // 2 KB, newest file
        MakeFile(folder.File("gamma.bin"), 10000, 4000);    // 10 KB
        MakeFolder(folder.File("docs"), 2000);
        MakeFolder(folder.File("Music"), 6000);
        h.ShowFolder(1, folder.Path());
    }

    TempDir folder;
    ListViewHarness h;
};

} // namespace

// The texts themselves are ListItemInfo's; here they reach the rows, with a
// size past 32 bits read from the disk.
TEST_F(ListViewTest, LocalFolderShowsSizesLocationAndTimes)
{
    TempDir own;
    MakeFile(own.File("zero"), 0, 1700000000);
    MakeFile(own.File("huge.iso"), 5ull << 30);
    MakeFolder(own.File("sub"), 1700000000);
    h.ShowFolder(1, own.Path());
    ASSERT_EQ(h.list->RowCount(), 3);
    const auto text = [&](const char* name, int column) { return h.list->RowText(h.RowOf(name), column); };
    EXPECT_EQ(text("huge.iso", 1), QStringLiteral("5242880 KB"));
    EXPECT_EQ(text("sub", 1), QString());
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(h.list->RowText(row, 2), QStringLiteral("Local"));
    EXPECT_EQ(text("zero", 3), QStringLiteral("11/14/2023 10:13 PM"));
    EXPECT_EQ(text("sub", 3), QStringLiteral("11/14/2023 10:13 PM"));
}

TEST_F(ListViewTest, HeaderClicksSortFoldersFirstAndANewColumnFlipsTheDirection)
{
    const std::vector<std::string> first = {"docs", "Music", "Alpha.txt", "beta.txt", "gamma.bin"};
    ASSERT_EQ(h.Names(), first);
    // Two clicks on Name reverse the order and restore it; the arrow follows.
    QHeaderView* head = h.list->header();
    ASSERT_TRUE(head->isSortIndicatorShown());
    EXPECT_EQ(head->sortIndicatorOrder(), Qt::AscendingOrder);
    const QPoint nameHeader(head->sectionViewportPosition(0) + 10, head->height() / 2);
    QTest::mouseClick(head->viewport(), Qt::LeftButton, {}, nameHeader);
    EXPECT_EQ(h.doc->m_bSortForward, 0);
    EXPECT_EQ(head->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(h.Names(), (std::vector<std::string>{"gamma.bin", "beta.txt", "Alpha.txt", "Music", "docs"}));
    QTest::mouseClick(head->viewport(), Qt::LeftButton, {}, nameHeader);
    EXPECT_EQ(h.doc->m_bSortForward, 1);
    EXPECT_EQ(h.Names(), first);

    h.Select({"gamma.bin"});
    // Forward name order, then a click on Size: reverse size order.
    h.list->OnColumnClick(1);
    EXPECT_EQ(h.SelectedNames(), std::vector<std::string>{"gamma.bin"});   // the selection moves along
    EXPECT_EQ(h.doc->m_nSortColumn, 1);
    EXPECT_EQ(h.doc->m_bSortForward, 0);
    // Files smallest first, then the folders, which keep their order as equals.
    EXPECT_EQ(h.Names(), (std::vector<std::string>{"Alpha.txt", "beta.txt", "gamma.bin", "docs", "Music"}));
    h.list->OnColumnClick(1);   // forward: folders first, then larger first
    EXPECT_EQ(h.Names(), (std::vector<std::string>{"docs", "Music", "gamma.bin", "beta.txt", "Alpha.txt"}));

    h.list->OnColumnClick(3);   // Modified, reverse: files first, older first
    EXPECT_EQ(h.Names(), (std::vector<std::string>{"beta.txt", "gamma.bin", "Alpha.txt", "docs", "Music"}));
    h.list->OnColumnClick(3);   // forward now
    EXPECT_EQ(head->sortIndicatorSection(), 3);
    EXPECT_EQ(head->sortIndicatorOrder(), Qt::DescendingOrder);   // newer first
    EXPECT_EQ(h.doc->m_bSortForward, 1);
    EXPECT_EQ(h.Names(), (std::vector<std::string>{"Music", "docs", "Alpha.txt", "gamma.bin", "beta.txt"}));

    h.list->OnColumnClick(9);   // no such column: only the direction flips
    EXPECT_EQ(h.doc->m_nSortColumn, 3);
    EXPECT_EQ(h.doc->m_bSortForward, 0);
    // Location: every row the same, so nothing moves.
    const std::vector<std::string> before = h.Names();
    h.list->OnColumnClick(2);
    EXPECT_EQ(h.Names(), before);
}

TEST_F(ListViewTest, SelectionStatusCountsTwoOrMoreRows)
{
    QTest::mouseClick(h.list->viewport(), Qt::LeftButton, {}, h.RowPoint(0));
    EXPECT_EQ(h.frame->StatusText(), QStringLiteral("Ready"));
    QTest::mouseClick(h.list->viewport(), Qt::LeftButton, Qt::ControlModifier, h.RowPoint(2));
    EXPECT_EQ(h.frame->StatusText(), QStringLiteral("2 objects selected"));
    QTest::mouseClick(h.list->viewport(), Qt::LeftButton, {}, h.RowPoint(1));
    EXPECT_EQ(h.frame->StatusText(), QStringLiteral("Ready"));

    // The frame's Select All reaches the list.
    h.frame->UpdateCommandStates();
    ASSERT_TRUE(h.frame->Command(ID_EDIT_SELECT_ALL)->isEnabled());
    h.frame->Command(ID_EDIT_SELECT_ALL)->trigger();
    EXPECT_EQ(h.list->SelectedRows().size(), 5u);
    EXPECT_EQ(h.frame->StatusText(), QStringLiteral("5 objects selected"));
}

TEST_F(ListViewTest, EnterOrADoubleClickOpensTheOneSelectedFolderUnlessALabelIsEdited)
{
    h.list->setFocus();
    const auto click = [&](const char* name, Qt::KeyboardModifiers keys = {}) {
        QTest::mouseClick(h.list->viewport(), Qt::LeftButton, keys, h.RowPoint(h.RowOf(name)));
    };
    // The keys that must open nothing go first; a key that opens follows
    // each, so that a stray opening would be counted before the wait ends.
    click("Music");
    h.list->m_bEditingLabel = 1;
    QTest::keyClick(h.list, Qt::Key_Return);
    h.list->m_bEditingLabel = 0;
    QTest::keyClick(h.list, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !h.OpenedFolders().empty(); }));

    // A file, or two rows, open nothing.
    click("beta.txt");
    QTest::keyClick(h.list, Qt::Key_Enter, Qt::KeypadModifier);
    click("docs");
    click("Music", Qt::ControlModifier);
    QTest::keyClick(h.list, Qt::Key_Return);
    click("docs");
    QTest::keyClick(h.list, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.OpenedFolders().size() >= 2; }));

    // A double click the same: a file opens nothing. Whether the folder is
    // shown is the tree's to say, and the list follows it.
    h.DoubleClick(h.RowOf("gamma.bin"));
    h.DoubleClick(h.RowOf("Music"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.OpenedFolders().size() >= 3; }));
    EXPECT_EQ(h.OpenedFolders(),
              (std::vector<QString>{QStringLiteral("Music"), QStringLiteral("docs"), QStringLiteral("Music")}));
    EXPECT_EQ(h.doc->m_strCurrentFolder, folder.Path());
}

TEST_F(ListViewTest, UpdatesReListHandTheHintOnAndIgnoreTheListsOwnAndNoFolderEmptiesTheList)
{
    MakeFile(folder.File("created-later"), 1);
    h.notices.clear();
    h.hub.UpdateAllViews(nullptr, HINT_NEW_DIRECTORY);
    EXPECT_EQ(h.list->RowCount(), 6);
    ASSERT_EQ(h.ListNotices().size(), 1u);
    EXPECT_EQ(h.ListNotices()[0].hint, HINT_NEW_DIRECTORY);

    // Its own notice does not make it list again.
    MakeFile(folder.File("unseen"), 1);
    h.hub.UpdateAllViews(h.list, HINT_RENAMED);
    EXPECT_EQ(h.list->RowCount(), 6);

    // An unreadable folder, or location 0 ("My Computer"): the list empties, and nothing is said.
    h.ShowFolder(1, folder.File("no-such-folder"));
    EXPECT_EQ(h.list->RowCount(), 0);
    h.ShowFolder(1, folder.Path());
    h.ShowFolder(0, "My Computer");
    EXPECT_EQ(h.list->RowCount(), 0);
    EXPECT_TRUE(h.prompts.Messages().empty());
    // And where no folder is shown there is no menu.
    EXPECT_TRUE(h.RightClickMenu(h.EmptyPoint()).empty());
    h.list->m_nContextItem = -1;
    EXPECT_FALSE(h.list->CreateContextMenu());
}

TEST_F(ListViewTest, RightClickSelectionRulesAndMenus)
{
    const int docs = h.RowOf("docs");
    const int beta = h.RowOf("beta.txt");
    const int gamma = h.RowOf("gamma.bin");
    QTest::mouseClick(h.list->viewport(), Qt::LeftButton, {}, h.RowPoint(docs));
    QTest::mouseClick(h.list->viewport(), Qt::LeftButton, Qt::ControlModifier, h.RowPoint(beta));

    // On a selected row: the selection stays.
    h.RightClickMenu(h.RowPoint(beta));
    EXPECT_EQ(h.list->SelectedRows(), (std::vector<int>{docs, beta}));
    EXPECT_EQ(h.list->m_nContextItem, beta);
    // With Ctrl or Shift: nothing changes.
    h.RightClickMenu(h.RowPoint(gamma), Qt::ControlModifier);
    EXPECT_EQ(h.list->SelectedRows(), (std::vector<int>{docs, beta}));
    h.RightClickMenu(h.RowPoint(gamma), Qt::ShiftModifier);
    EXPECT_EQ(h.list->SelectedRows(), (std::vector<int>{docs, beta}));
    // On an unselected row: that row alone.
    h.RightClickMenu(h.RowPoint(gamma));
    EXPECT_EQ(h.list->SelectedRows(), std::vector<int>{gamma});
    // On empty space: nothing selected.
    h.RightClickMenu(h.EmptyPoint());
    EXPECT_TRUE(h.list->SelectedRows().empty());
    EXPECT_EQ(h.list->m_nContextItem, -1);

    // Copy, Delete, Rename and Permissions... on a row; elsewhere Paste (grey: nothing of
    // ours on the clipboard), New Directory, a separator, Refresh.
    int pastes = 0;
    h.list->SetContextCommandHandler(ID_EDIT_PASTE, [&] { ++pastes; });
    EXPECT_EQ(h.RightClickMenu(h.RowPoint(0)), (std::vector<MenuEntry>{{QStringLiteral("ID_57634"), true},
                                                                        {QStringLiteral("ID_32774"), true},
                                                                        {QStringLiteral("ID_32775"), true},
                                                                        {QString(), true},
                                                                        {QStringLiteral("ID_32840"), true}}));
    EXPECT_EQ(h.RightClickMenu(h.EmptyPoint()),
              (std::vector<MenuEntry>{{QStringLiteral("ID_57637"), false}, {QStringLiteral("ID_32777"), true},
                                      {QString(), true}, {QStringLiteral("ID_32820"), true}}));

    h.clipboard.SetData("some other program's format", {1, 2, 3});
    EXPECT_FALSE(h.RightClickMenu(h.EmptyPoint()).at(0).enabled);
    h.clipboard.SetData(kClipboardFormatName, {0});
    EXPECT_TRUE(h.RightClickMenu(h.EmptyPoint()).at(0).enabled);

    // The handler runs when the entry is chosen.
    h.list->m_nContextItem = -1;
    std::unique_ptr<QMenu> built = h.list->CreateContextMenu();
    ASSERT_TRUE(built);
    built->actions().at(0)->trigger();
    EXPECT_EQ(pastes, 1);
}

TEST_F(ListViewTest, AFolderThatDoesNotAnswerLeavesTheWindowFreeAndSaysSo)
{
    // A dead mount: the read never comes back until the test lets it.
    struct Gate {
        std::mutex mutex;
        std::condition_variable opened;
        bool open = false;
    };
    auto gate = std::make_shared<Gate>();
    h.list->m_fnReadLocalFolder = [gate](const std::string&) {
        std::unique_lock<std::mutex> lock(gate->mutex);
        gate->opened.wait_for(lock, std::chrono::seconds(60), [&] { return gate->open; });
        return std::vector<std::unique_ptr<CListItemInfo>>{};
    };
    h.ShowFolder(1, folder.Path());
    {
        std::lock_guard<std::mutex> lock(gate->mutex);
        gate->open = true;   // the reader left behind ends
    }
    gate->opened.notify_all();
    EXPECT_EQ(h.list->RowCount(), 0);
    EXPECT_EQ(h.frame->StatusText(), QString::fromStdString("The folder " + folder.Path() + " did not answer."));

    // A folder that answers lists as before.
    h.list->m_fnReadLocalFolder = nullptr;
    h.ShowFolder(1, folder.Path());
    EXPECT_GT(h.list->RowCount(), 0);
}

TEST_F(RemoteListTest, RemoteFoldersAreListedAndAFolderNotReadGivesAnEmptyList)
{
    h->ShowFolder(2, "/pub", &site);
    ASSERT_EQ(h->Names(), (std::vector<std::string>{"incoming", "a.txt", "b b.bin"}));
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

    // A site busy with a transfer: an empty list, and the status bar says why.
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

TEST(ListItemInfoTest, SizeTextCountsEveryStartedKilobyteIn64Bits)
{
    const struct {
        uint64_t bytes;
        const char* text;
    } cases[] = {
        {0, "0 KB"},
        {1023, "1 KB"},
        {1024, "1 KB"},
        {1025, "2 KB"},
        {4294967295ull, "4194304 KB"},
        {4294967296ull + 1, "4194305 KB"},   // past 32 bits
        {UINT64_MAX, "18014398509481984 KB"},
    };
    for (const auto& c : cases) {
        const CListItemInfo item(LIST_KIND_FILE, "f", SizeInKB(c.bytes), 0);
        EXPECT_EQ(SizeText(item), c.text) << c.bytes << " bytes";
    }
    EXPECT_EQ(SizeText(CListItemInfo(LIST_KIND_FOLDER, "d", 0, 0)), "");
}

TEST(ListItemInfoTest, ModifiedTextIsLocalTimeWithTwelveHourClock)
{
    const struct {
        const char* zone;
        std::time_t time;
        const char* text;
    } cases[] = {
        {"UTC0", 0, "01/01/1970 12:00 AM"},
        {"UTC0", 1700000000, "11/14/2023 10:13 PM"},
        {"UTC0", 12 * 3600 + 5 * 60, "01/01/1970 12:05 PM"},
        {"UTC0", 11 * 3600 + 59 * 60, "01/01/1970 11:59 AM"},
        {"UTC0", 4102444800, "01/01/2100 12:00 AM"},   // past the 32-bit end of time
        {"XYZ-2", 1700000000, "11/15/2023 12:13 AM"},   // two hours ahead of UTC
    };
    for (const auto& c : cases) {
        setenv("TZ", c.zone, 1);
        tzset();
        EXPECT_EQ(ModifiedText(c.time), c.text) << c.zone << " " << c.time;
    }
    // The suite's other times are read in UTC.
    setenv("TZ", "UTC0", 1);
    tzset();
}

TEST(ListItemInfoTest, NamesCompareWithoutRegardToCaseIncludingNonAscii)
{
    EXPECT_EQ(CompareNamesNoCase("readme.TXT", "README.txt"), 0);
    EXPECT_LT(CompareNamesNoCase("alpha", "Beta"), 0);
    EXPECT_GT(CompareNamesNoCase("Beta", "alpha"), 0);
    EXPECT_LT(CompareNamesNoCase("abc", "ABCD"), 0);
    EXPECT_EQ(CompareNamesNoCase("\xC3\x84pfel", "\xC3\xA4PFEL"), 0);       // Äpfel, äPFEL
    EXPECT_EQ(CompareNamesNoCase("\xCE\xA3\xCE\xB9", "\xCF\x83\xCE\x99"), 0);   // Σι, σΙ
    // A byte that starts no valid sequence still orders and never reads past the end.
    EXPECT_NE(CompareNamesNoCase("a\xC3", "a\xC3\x84"), 0);
    EXPECT_EQ(CompareNamesNoCase("x\xFFy", "X\xFFY"), 0);
}
