// Delete and Rename of folders in the folder tree, local and remote.
#include "TreeHarness.h"

#include "DialogDriver.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class TreeFileOpsTest : public TreeHarness {
protected:
    void SetUp() override
    {
        TreeHarness::SetUp();
        fs::create_directories(local.File("gone/inner"));
        WriteWholeFile(local.File("gone/inner/x"), "x");
        fs::create_directories(local.File("kept"));
        fs::create_directories(local.File("other"));
        tree->OnInitialUpdate();
        frame->resize(900, 600);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        folder = OpenLocalPath(*tree, local.Path());
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

    TempDir local;
    QTreeWidgetItem* folder = nullptr;
};

} // namespace

TEST_F(TreeFileOpsTest, DeletingAFolderRemovesItsItemAndItsParentTakesOver)
{
    tree->setCurrentItem(Child(folder, QStringLiteral("gone")));
    ASSERT_TRUE(tree->OnUpdateEditDelete());
    tree->OnEditDelete();
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"Are you sure you want to delete the folder \"gone\"?"}));
    EXPECT_FALSE(fs::exists(local.File("gone")));
    EXPECT_EQ(Child(folder, QStringLiteral("gone")), nullptr);
    EXPECT_EQ(tree->currentItem(), folder);
    EXPECT_EQ(doc->m_strCurrentFolder, local.Path());
}

TEST_F(TreeFileOpsTest, NoKeepsTheFolder)
{
    tree->setCurrentItem(Child(folder, QStringLiteral("gone")));
    prompts.Answer(MsgResult::No);
    tree->OnEditDelete();
    EXPECT_TRUE(fs::exists(local.File("gone/inner/x")));
    EXPECT_NE(Child(folder, QStringLiteral("gone")), nullptr);
}

TEST_F(TreeFileOpsTest, TheItemStaysUnlessTheFolderWentWhole)
{
    chmod(local.File("kept").c_str(), 0555);
    tree->setCurrentItem(Child(folder, QStringLiteral("kept")));
    prompts.AnswerReplace({DialogResult::Ok, REPLACE_NO});
    tree->OnEditDelete();
    EXPECT_TRUE(fs::exists(local.File("kept")));
    ASSERT_NE(Child(folder, QStringLiteral("kept")), nullptr);
    chmod(local.File("kept").c_str(), 0755);
}

TEST_F(TreeFileOpsTest, RenameInPlaceGivesTheFolderAndItsItemTheNewName)
{
    QTreeWidgetItem* kept = Child(folder, QStringLiteral("kept"));
    tree->setCurrentItem(kept);
    tree->OnRename();
    EndEdit(QStringLiteral("renamed"), Qt::Key_Return);
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_TRUE(fs::is_directory(local.File("renamed")));
    EXPECT_FALSE(fs::exists(local.File("kept")));
    EXPECT_EQ(kept->text(0), QStringLiteral("renamed"));
    EXPECT_EQ(PathOf(kept), local.File("renamed"));
    EXPECT_EQ(doc->m_strCurrentFolder, local.File("renamed"));
}

TEST_F(TreeFileOpsTest, ARenameOntoAnExistingFolderFailsAndKeepsTheText)
{
    QTreeWidgetItem* kept = Child(folder, QStringLiteral("kept"));
    tree->setCurrentItem(kept);
    tree->OnRename();
    EndEdit(QStringLiteral("other"), Qt::Key_Return);
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"Failed to rename the directory"}));
    EXPECT_TRUE(fs::exists(local.File("kept")));
    EXPECT_EQ(kept->text(0), QStringLiteral("kept"));
    EXPECT_EQ(PathOf(kept), local.File("kept"));
}

TEST_F(TreeFileOpsTest, EscapeRenamesNothing)
{
    QTreeWidgetItem* kept = Child(folder, QStringLiteral("kept"));
    tree->setCurrentItem(kept);
    tree->OnRename();
    EndEdit(QStringLiteral("typed"), Qt::Key_Escape);
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_TRUE(fs::exists(local.File("kept")));
    EXPECT_EQ(kept->text(0), QStringLiteral("kept"));
}

TEST_F(TreeFileOpsTest, RemoteFolderDeleteAndRename)
{
    MakeServerFolder("dir1/sub");
    MakeServerFolder("dir2/deeper");
    WriteWholeFile(m_server.Path("dir2/deeper/f"), "f");
    CVamloSiteInfo* site = AddSiteRecord();
    tree->AddSiteItem(site);
    Settle();
    QTreeWidgetItem* siteItem = tree->FindSiteItem(site);
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
