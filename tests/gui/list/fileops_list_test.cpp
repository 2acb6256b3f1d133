// Delete, Rename and New Directory in the file list and the folder tree, on
// the local disk and on a real server: the questions, the messages and the
// views' notices.
#include "../TreeHarness.h"

#include "../DialogDriver.h"

#include "app/SiteManagerChanges.h"
#include "fileops/FileOpTexts.h"
#include "panes/NewDirDlg.h"

#include <cerrno>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// One in-place rename: what is typed, the key that ends the edit, the message
// box expected (nullptr: none) and whether the name changed.
struct RenameCase {
    const char* typed;
    Qt::Key key;
    const char* message;
    bool renamed;
};

// Types a name into the label editor open in view and ends the edit with key.
void EndEdit(QWidget* view, const QString& text, Qt::Key key, const std::function<void()>& meanwhile = {})
{
    QLineEdit* editor = nullptr;
    for (QLineEdit* line : view->findChildren<QLineEdit*>())
        editor = line->isVisible() ? line : editor;
    ASSERT_NE(editor, nullptr);
    // The view must never be handed an editor that a question's loop deleted.
    const QPointer<QLineEdit> alive(editor);
    int closedDead = 0;
    const QObject watch;
    QObject::connect(qobject_cast<QAbstractItemView*>(view)->itemDelegate(), &QAbstractItemDelegate::closeEditor,
                     &watch, [&](QWidget* closed) { closedDead += closed == editor && alive.isNull() ? 1 : 0; });
    editor->clear();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, key);
    if (meanwhile)
        meanwhile();
    // The rename follows the editor's close, and a failure message is posted.
    for (int round = 0; round < 3; ++round)
        QApplication::processEvents();
    EXPECT_EQ(closedDead, 0);
}

// Notices sent to all views without a sender (the list passes each on once
// it has read its folder again: those come from the list).
int NoticesWithHint(const std::vector<ViewNotice>& notices, int hint)
{
    int count = 0;
    for (const ViewNotice& notice : notices)
        count += notice.hint == hint && notice.sender == nullptr ? 1 : 0;
    return count;
}

class ListLocalFileOpsTest : public ::testing::Test {
protected:
    ListLocalFileOpsTest()
    {
        WriteWholeFile(local.File("a.txt"), "a");
        WriteWholeFile(local.File("b.txt"), "b");
        fs::create_directories(local.File("sub/inner"));
        WriteWholeFile(local.File("sub/inner/x"), "x");
        h.ShowFolder(1, local.Path());
        h.notices.clear();
    }

    TempDir local;
    ListViewHarness h;
};

} // namespace

// The question names a folder or a file, or counts the rows; No keeps them,
// Yes deletes and reads the list again.
TEST_F(ListLocalFileOpsTest, DeleteAsksFirstAndYesDeletesThroughTheDelKey)
{
    h.Select({"sub"});
    h.prompts.Answer(MsgResult::No);
    h.list->OnEditDelete();
    h.Select({"a.txt", "sub"});
    h.list->setFocus();
    h.frame->SetActiveEditTarget(h.list);
    ASSERT_TRUE(h.frame->Command(ID_EDIT_DELETE)->isEnabled());
    h.prompts.Answer(MsgResult::No);
    h.frame->Command(ID_EDIT_DELETE)->trigger();
    EXPECT_TRUE(fs::exists(local.File("a.txt")));
    EXPECT_TRUE(fs::exists(local.File("sub/inner/x")));
    EXPECT_EQ(NoticesWithHint(h.notices, HINT_DELETED), 0);

    h.Select({"a.txt"});
    h.frame->activateWindow();
    QTest::keyClick(h.list, Qt::Key_Delete);
    EXPECT_EQ(h.prompts.Texts(), (std::vector<std::string>{"Are you sure you want to delete the folder \"sub\"?",
                                                           "Are you sure you want to delete the selected 2 items?",
                                                           "Are you sure you want to delete the file \"a.txt\"?"}));
    EXPECT_EQ(h.prompts.Messages().at(2).buttons, MsgButtons::YesNo);
    EXPECT_EQ(h.prompts.Messages().at(2).icon, MsgIcon::Question);
    EXPECT_FALSE(fs::exists(local.File("a.txt")));
    EXPECT_EQ(h.Names(), (std::vector<std::string>{"sub", "b.txt"}));
    EXPECT_EQ(NoticesWithHint(h.notices, HINT_DELETED), 1);
}

TEST_F(ListLocalFileOpsTest, TheListsDeleteStartsWithoutAnEarlierYesToAll)
{
    chmod(local.File("a.txt").c_str(), 0444);
    h.doc->m_bDeleteYesToAll = 1;
    h.Select({"a.txt"});
    h.prompts.AnswerReplace({DialogResult::Ok, REPLACE_NO});
    h.list->OnEditDelete();
    EXPECT_EQ(h.prompts.ReplaceQuestions(),
              (std::vector<std::string>{"The file " + local.File("a.txt") +
                                        " is read-only.|Are you sure you want to delete the read-only file?"}));
    EXPECT_TRUE(fs::exists(local.File("a.txt")));
}

// Only the edit's Enter renames, and only to a free name in the same folder;
// the row keeps its old name when the rename did not happen. Refusals in a
// row each close their editor before the message.
TEST_F(ListLocalFileOpsTest, RenameInPlaceTakesOnlyAFreeNameInTheFolder)
{
    const RenameCase cases[] = {
        {"b.txt", Qt::Key_Return, "Could not rename the file or directory", false},
        {"", Qt::Key_Return, "Invalid argument", false},
        {"typed.txt", Qt::Key_Escape, nullptr, false},
        {"sub/a.txt", Qt::Key_Return, "Invalid argument", false},   // which names are refused is the core's
        {"c.txt", Qt::Key_Return, nullptr, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const std::vector<std::string> before = h.prompts.Texts();
        h.notices.clear();
        h.list->m_nContextItem = h.RowOf("a.txt");
        h.list->OnRename();
        EXPECT_EQ(h.list->m_bEditingLabel, 1);
        EndEdit(h.list, QString::fromLatin1(c.typed), c.key);
        EXPECT_EQ(h.list->m_bEditingLabel, 0);
        std::vector<std::string> expected = before;
        if (c.message != nullptr)
            expected.push_back(c.message);
        EXPECT_EQ(h.prompts.Texts(), expected);
        EXPECT_EQ(fs::exists(local.File("a.txt")), !c.renamed);
        EXPECT_EQ(h.RowOf("a.txt") != -1, !c.renamed);
        ASSERT_EQ(h.ListNotices().size(), c.renamed ? 1u : 0u);
        if (c.renamed) {
            EXPECT_EQ(h.ListNotices().front().hint, HINT_RENAMED);
        }
    }
    EXPECT_EQ(ReadWholeFile(local.File("c.txt")), "a");
    EXPECT_EQ(ReadWholeFile(local.File("b.txt")), "b");
    EXPECT_FALSE(fs::exists(local.File("typed.txt")));
    EXPECT_FALSE(fs::exists(local.File("sub/a.txt")));
    EXPECT_NE(h.RowOf("c.txt"), -1);

    // A name typed here never renames a file of the folder shown by then.
    WriteWholeFile(local.File("sub/b.txt"), "sub");
    h.list->m_nContextItem = h.RowOf("b.txt");
    h.list->OnRename();
    EndEdit(h.list, QStringLiteral("moved.txt"), Qt::Key_Return, [&] { h.doc->m_strCurrentFolder = local.File("sub"); });
    EXPECT_TRUE(fs::exists(local.File("b.txt")));
    EXPECT_TRUE(fs::exists(local.File("sub/b.txt")));
    EXPECT_EQ(h.list->m_bEditingLabel, 0);
}

TEST_F(ListLocalFileOpsTest, NewDirectoryMakesTheFolderAndAnExistingOneGivesTheSystemCause)
{
    std::string typed = "made";
    int shown = 0;
    h.list->m_fnRunNewDirDlg = [&](CNewDirDlg& dialog) {
        ++shown;
        dialog.adjustSize();   // as shown: the title and the title bar's buttons fit
        EXPECT_GE(dialog.width(), dialog.fontMetrics().horizontalAdvance(dialog.windowTitle()) + 100);
        dialog.NameEdit()->setText(QString::fromStdString(typed));
        dialog.accept();
        return true;
    };
    h.list->OnNewDirectory();
    EXPECT_TRUE(fs::is_directory(local.File("made")));
    EXPECT_EQ(NoticesWithHint(h.notices, HINT_NEW_DIRECTORY), 1);
    EXPECT_NE(h.RowOf("made"), -1);

    h.list->OnNewDirectory();
    EXPECT_EQ(h.prompts.Texts(),
              (std::vector<std::string>{"Failed to create new directory " + local.File("made") + ShortCause(EEXIST)}));

    typed.clear();
    h.list->OnNewDirectory();
    EXPECT_EQ(h.prompts.Texts().size(), 1u);
    EXPECT_EQ(shown, 3);
}

// The rows follow what the server did; the operations' texts and their
// failures are the remote file operations' own.
TEST_F(RemoteListTest, RenameNewDirectoryAndDeleteOnTheServer)
{
    h->ShowFolder(2, "/pub", &site);
    h->notices.clear();
    h->list->m_nContextItem = h->RowOf("a.txt");
    h->list->OnRename();
    EndEdit(h->list, QStringLiteral("renamed"), Qt::Key_Return);
    ASSERT_TRUE(h->WaitForNetIdle());
    EXPECT_TRUE(fs::exists(m_server.Path("pub/renamed")));
    EXPECT_NE(h->RowOf("renamed"), -1);

    // Refused: the row keeps its name.
    h->list->m_nContextItem = h->RowOf("renamed");
    h->list->OnRename();
    EndEdit(h->list, QStringLiteral("b b.bin"), Qt::Key_Return);
    ASSERT_TRUE(h->WaitForNetIdle());
    EXPECT_EQ(h->prompts.Texts(), (std::vector<std::string>{"Failed to rename the directory." + ShortCause(EEXIST)}));
    EXPECT_EQ(ReadWholeFile(m_server.Path("pub/b b.bin")), "");
    EXPECT_NE(h->RowOf("renamed"), -1);

    h->list->m_fnRunNewDirDlg = [](CNewDirDlg& dialog) {
        dialog.NameEdit()->setText(QStringLiteral("made"));
        dialog.accept();
        return true;
    };
    h->list->OnNewDirectory();
    ASSERT_TRUE(h->WaitForNetIdle());
    EXPECT_TRUE(fs::is_directory(m_server.Path("pub/made")));
    EXPECT_EQ(NoticesWithHint(h->notices, HINT_NEW_DIRECTORY), 1);
    EXPECT_NE(h->RowOf("made"), -1);

    h->Select({"renamed", "incoming"});
    h->list->OnEditDelete();
    ASSERT_TRUE(h->WaitForNetIdle());
    EXPECT_FALSE(fs::exists(m_server.Path("pub/renamed")));
    EXPECT_FALSE(fs::exists(m_server.Path("pub/incoming")));
    EXPECT_EQ(h->prompts.Texts().back(), "Are you sure you want to delete the selected 2 items?");
    EXPECT_EQ(NoticesWithHint(h->notices, HINT_DELETED), 1);
    EXPECT_EQ(h->Names(), (std::vector<std::string>{"made", "b b.bin"}));

    // Disconnected, or no site at all: nothing changes, and the text says
    // which part is missing.
    site.Disconnect();
    h->Select({"made"});
    h->list->OnEditDelete();
    h->list->OnNewDirectory();
    h->list->m_strOldLabel = "old";
    h->list->OnEndLabelEdit(0, QStringLiteral("new"));
    h->doc->m_pCurrentSite = nullptr;
    h->list->OnNewDirectory();
    h->list->OnEndLabelEdit(0, QStringLiteral("new"));
    const std::vector<std::string> texts = h->prompts.Texts();
    ASSERT_GE(texts.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(texts.end() - 5, texts.end()),
              (std::vector<std::string>{"No connection to the ftp site.\nFailed to delete the file or directory",
                                        "No connection to the ftp site.\nFailed to create new directory /pub//made",
                                        "No connection to the ftp site.\nFailed to rename the file or directory",
                                        "No connection to the ftp site,\nFailed to create new directory /pub//made",
                                        "Failed to rename the file or directory"}));
    EXPECT_TRUE(fs::is_directory(m_server.Path("pub/made")));
}

namespace {

class TreeFileOpsTest : public TreeHarness {
protected:
    void SetUp() override
    {
        TreeHarness::SetUp();
        fs::create_directories(local.File("top/gone/inner"));
        WriteWholeFile(local.File("top/gone/inner/x"), "x");
        fs::create_directories(local.File("top/kept"));
        fs::create_directories(local.File("top/other"));
        tree->OnInitialUpdate();
        frame->resize(900, 600);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        folder = OpenLocalPath(*tree, local.File("top"));
        ASSERT_NE(folder, nullptr);
        folder->setExpanded(true);
    }

    QTreeWidgetItem* folder = nullptr;
};

} // namespace

TEST_F(TreeFileOpsTest, DeletingAFolderRemovesItsItemOnlyWhenItWentWhole)
{
    // Declined, or not all of it could go: the item stays.
    tree->setCurrentItem(Child(folder, QStringLiteral("gone")));
    ASSERT_TRUE(tree->OnUpdateEditDelete());
    prompts.Answer(MsgResult::No);
    tree->OnEditDelete();
    EXPECT_TRUE(fs::exists(local.File("top/gone/inner/x")));
    chmod(local.File("top/kept").c_str(), 0555);
    tree->setCurrentItem(Child(folder, QStringLiteral("kept")));
    prompts.AnswerReplace({DialogResult::Ok, REPLACE_NO});
    tree->OnEditDelete();
    chmod(local.File("top/kept").c_str(), 0755);
    EXPECT_TRUE(fs::exists(local.File("top/kept")));
    ASSERT_NE(Child(folder, QStringLiteral("kept")), nullptr);

    // Gone: its parent takes over.
    tree->setCurrentItem(Child(folder, QStringLiteral("gone")));
    tree->OnEditDelete();
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"Are you sure you want to delete the folder \"gone\"?",
                                                         "Are you sure you want to delete the folder \"kept\"?",
                                                         "Are you sure you want to delete the folder \"gone\"?"}));
    EXPECT_FALSE(fs::exists(local.File("top/gone")));
    EXPECT_EQ(Child(folder, QStringLiteral("gone")), nullptr);
    EXPECT_EQ(tree->currentItem(), folder);
    EXPECT_EQ(doc->m_strCurrentFolder, local.File("top"));
}

// Only a free name is taken (an Escape is the list's case); the item keeps
// its text unless the folder really took the new name.
TEST_F(TreeFileOpsTest, RenameInPlaceTakesOnlyAFreeName)
{
    const RenameCase cases[] = {
        {"other", Qt::Key_Return, "Failed to rename the directory", false},
        {"renamed", Qt::Key_Return, nullptr, true},
    };
    QTreeWidgetItem* kept = Child(folder, QStringLiteral("kept"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        std::vector<std::string> expected = prompts.Texts();
        if (c.message != nullptr)
            expected.push_back(c.message);
        tree->setCurrentItem(kept);
        tree->OnRename();
        EndEdit(tree, QString::fromLatin1(c.typed), c.key);
        EXPECT_EQ(prompts.Texts(), expected);
        const std::string name = c.renamed ? c.typed : "kept";
        EXPECT_TRUE(fs::is_directory(local.File("top/" + name)));
        EXPECT_EQ(kept->text(0), QString::fromStdString(name));
        EXPECT_EQ(PathOf(kept), local.File("top/" + name));
    }
    EXPECT_FALSE(fs::exists(local.File("top/kept")));
    EXPECT_EQ(doc->m_strCurrentFolder, local.File("top/renamed"));
}

TEST_F(TreeFileOpsTest, RemoteFolderDeleteAndRename)
{
    MakeServerFolder("dir1/sub");
    MakeServerFolder("dir2/deeper");
    WriteWholeFile(m_server.Path("dir2/deeper/f"), "f");
    QTreeWidgetItem* siteItem = ShowSite(AddSiteRecord());
    ASSERT_NE(siteItem, nullptr);
    siteItem->setExpanded(true);
    Settle();

    Show(Child(siteItem, QStringLiteral("dir2")));
    tree->OnEditDelete();
    Settle();
    EXPECT_FALSE(fs::exists(m_server.Path("dir2")));
    EXPECT_EQ(Child(siteItem, QStringLiteral("dir2")), nullptr);

    QTreeWidgetItem* dir1 = Child(siteItem, QStringLiteral("dir1"));
    ASSERT_NE(dir1, nullptr);
    Show(dir1);
    {
        std::lock_guard<std::mutex> transfer(CTreeViewSite::Record(siteItem)->m_pSiteInfo->m_mutexInUse);
        tree->OnRename();
        EndEdit(tree, QStringLiteral("dir8"), Qt::Key_Return);   // said once the editor closed
    }
    tree->OnRename();
    EndEdit(tree, QStringLiteral("dir9"), Qt::Key_Return);
    Settle();
    EXPECT_TRUE(fs::is_directory(m_server.Path("dir9/sub")));
    EXPECT_EQ(dir1->text(0), QStringLiteral("dir9"));
    EXPECT_EQ(PathOf(dir1), "/dir9");
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"Are you sure you want to delete the folder \"dir2\"?",
                                                         SiteBusyMessage(Address())}));
}
