// Delete and Rename of folders in the folder tree, local and remote.
#include "TreeHarness.h"

#include "DialogDriver.h"

#include <QLineEdit>

#include <sys/stat.h>

namespace fs = std::filesystem;

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

    void EndEdit(const QString& text, Qt::Key key)
    {
        QLineEdit* editor = OpenEditor(tree);
        ASSERT_NE(editor, nullptr);
        editor->setText(text);
        QTest::keyClick(editor, key);
        // The failure message is posted to the frame.
        QApplication::processEvents();
        QApplication::processEvents();
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
    ASSERT_NE(Child(folder, QStringLiteral("gone")), nullptr);
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
    EXPECT_EQ(prompts.Texts().front(), "Are you sure you want to delete the folder \"gone\"?");
    EXPECT_EQ(prompts.Texts().back(), "Are you sure you want to delete the folder \"gone\"?");
    EXPECT_FALSE(fs::exists(local.File("top/gone")));
    EXPECT_EQ(Child(folder, QStringLiteral("gone")), nullptr);
    EXPECT_EQ(tree->currentItem(), folder);
    EXPECT_EQ(doc->m_strCurrentFolder, local.File("top"));
}

// Only the edit's Enter renames, and only to a free name; the item keeps its
// text unless the folder really took the new name.
TEST_F(TreeFileOpsTest, RenameInPlaceTakesOnlyAFreeName)
{
    const RenameCase cases[] = {
        {"other", Qt::Key_Return, "Failed to rename the directory", false},
        {"typed", Qt::Key_Escape, nullptr, false},
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
        EndEdit(QString::fromLatin1(c.typed), c.key);
        EXPECT_EQ(prompts.Texts(), expected);
        const std::string name = c.renamed ? c.typed : "kept";
        EXPECT_TRUE(fs::is_directory(local.File("top/" + name)));
        EXPECT_EQ(kept->text(0), QString::fromStdString(name));
        EXPECT_EQ(PathOf(kept), local.File("top/" + name));
    }
    EXPECT_FALSE(fs::exists(local.File("top/kept")));
    EXPECT_FALSE(fs::exists(local.File("top/typed")));
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

    tree->setCurrentItem(Child(siteItem, QStringLiteral("dir2")));
    Settle();
    tree->OnEditDelete();
    Settle();
    EXPECT_FALSE(fs::exists(m_server.Path("dir2")));
    EXPECT_EQ(Child(siteItem, QStringLiteral("dir2")), nullptr);

    QTreeWidgetItem* dir1 = Child(siteItem, QStringLiteral("dir1"));
    ASSERT_NE(dir1, nullptr);
    tree->setCurrentItem(dir1);
    Settle();
    tree->OnRename();
    EndEdit(QStringLiteral("dir9"), Qt::Key_Return);
    Settle();
    EXPECT_TRUE(fs::is_directory(m_server.Path("dir9/sub")));
    EXPECT_EQ(dir1->text(0), QStringLiteral("dir9"));
    EXPECT_EQ(PathOf(dir1), "/dir9");
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"Are you sure you want to delete the folder \"dir2\"?"}));
}
