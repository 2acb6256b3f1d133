#include "TreeHarness.h"

#include <QContextMenuEvent>
#include <QMenu>

namespace fs = std::filesystem;

namespace {

class TreeViewTest : public TreeHarness {};

} // namespace

TEST_F(TreeViewTest, InitialUpdateBuildsInternetMyComputerAndTheVolumes)
{
    fs::create_directories(local.File("sub"));
    volumes = {{local.Path(), "Disk", VolumeKind::Local}, {"/media/stick", "", VolumeKind::Removable}};
    tree->OnInitialUpdate();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0), tree->InternetItem());
    QTreeWidgetItem* computer = tree->MyComputerItem();
    ASSERT_EQ(tree->InternetItem()->child(0), computer);
    EXPECT_TRUE(computer->isExpanded());

    // Every volume is there, with its image; only the local ones were read
    // at once (the texts are the volume list's).
    ASSERT_EQ(computer->childCount(), 2);
    const bool stickFirst = PathOf(computer->child(0)) == "/media/stick";
    QTreeWidgetItem* stick = computer->child(stickFirst ? 0 : 1);
    QTreeWidgetItem* disk = computer->child(stickFirst ? 1 : 0);
    EXPECT_EQ(stick->text(0), QStringLiteral(" [/media/stick] - Removable Disk"));
    EXPECT_EQ(stick->data(0, CTreeViewSite::kImageRole).toInt(), IMAGE_REMOVABLE_DISK);
    EXPECT_EQ(ChildTexts(stick), QStringList{QStringLiteral("Dummy")});
    EXPECT_EQ(disk->data(0, CTreeViewSite::kImageRole).toInt(), IMAGE_HARD_DISK);
    QTreeWidgetItem* sub = Child(disk, QStringLiteral("sub"));
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(PathOf(sub), local.File("sub"));
    EXPECT_EQ(sub->data(0, CTreeViewSite::kImageRole).toInt(), IMAGE_CLOSED_FOLDER);
    EXPECT_EQ(prompts.WaitCursorDepth(), 0);
    EXPECT_TRUE(prompts.Texts().empty());

    tree->setCurrentItem(disk);
    tree->DeleteAllTreeItems();
    EXPECT_EQ(tree->topLevelItemCount(), 0);
    EXPECT_EQ(tree->InternetItem(), nullptr);
    EXPECT_EQ(prompts.WaitCursorDepth(), 0);
}

TEST_F(TreeViewTest, LocalFoldersAreListedLazilyAndDummyGoesWhenThereIsNoSubfolder)
{
    const auto at = [&](const std::string& name) { return local.File("top/" + name); };
    fs::create_directories(at("Alpha/inner"));
    fs::create_directories(at("beta"));
    WriteWholeFile(at("beta/file.txt"), "x");
    WriteWholeFile(at("file.txt"), "x");
    tree->OnInitialUpdate();

    QTreeWidgetItem* folder = OpenLocalPath(*tree, local.File("top"));
    ASSERT_NE(folder, nullptr);
    // Not read yet: the placeholder stands in for its subfolders.
    ASSERT_EQ(ChildTexts(folder), QStringList{QStringLiteral("Dummy")});
    EXPECT_EQ(CTreeViewSite::Record(folder->child(0)), nullptr);

    folder->setExpanded(true);
    ASSERT_EQ(ChildTexts(folder), (QStringList{QStringLiteral("Alpha"), QStringLiteral("beta")}));
    QTreeWidgetItem* alpha = folder->child(0);
    EXPECT_EQ(PathOf(alpha), at("Alpha"));
    EXPECT_EQ(ChildTexts(alpha), QStringList{QStringLiteral("Dummy")});
    EXPECT_EQ(folder->child(1)->childCount(), 0);   // files alone give no expand button

    // The subfolder goes before the user opens Alpha: the placeholder goes too.
    fs::remove(at("Alpha/inner"));
    alpha->setExpanded(true);
    EXPECT_EQ(alpha->childCount(), 0);

    // Collapsing reads the folder again.
    fs::create_directories(at("gamma"));
    folder->setExpanded(false);
    EXPECT_EQ(ChildTexts(folder), (QStringList{QStringLiteral("Alpha"), QStringLiteral("beta"), QStringLiteral("gamma")}));
    EXPECT_EQ(frame->StatusText(), QStringLiteral("Ready"));
}

TEST_F(TreeViewTest, SelectingAFolderTellsTheOtherViewsButNotItsOwnNotices)
{
    fs::create_directories(local.File("top/one"));
    fs::create_directories(local.File("top/One"));
    tree->OnInitialUpdate();
    QSignalSpy spy(&hub, &CViewHub::Update);
    tree->setCurrentItem(tree->MyComputerItem());
    EXPECT_EQ(doc->m_strCurrentFolder, "My Computer");
    EXPECT_EQ(doc->m_byCurrentLocation, 0);
    EXPECT_EQ(doc->m_pCurrentSite, nullptr);
    EXPECT_EQ(Caption(), QStringLiteral("Folders  [ My Computer ]"));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).value<QObject*>(), tree);
    EXPECT_EQ(spy.at(0).at(1).toInt(), HINT_FOLDER_CHANGED);
    tree->setCurrentItem(tree->InternetItem());
    EXPECT_EQ(doc->m_strCurrentFolder, "");

    QTreeWidgetItem* folder = OpenLocalPath(*tree, local.File("top"));
    ASSERT_NE(folder, nullptr);
    tree->setCurrentItem(folder);
    EXPECT_EQ(doc->m_byCurrentLocation, 1);
    EXPECT_EQ(Caption(), QString::fromStdString("Folders  [ " + local.File("top") + " ]"));
    EXPECT_EQ(spy.count(), 3);
    ASSERT_FALSE(folder->isExpanded());

    tree->OnUpdate(tree, HINT_OPEN_SUBFOLDER, QStringLiteral("One"));
    EXPECT_EQ(doc->m_strCurrentFolder, local.File("top"));   // its own notice: nothing

    // The match is exact, case included.
    hub.UpdateAllViews(nullptr, HINT_OPEN_SUBFOLDER, QStringLiteral("One"));
    EXPECT_TRUE(folder->isExpanded());
    EXPECT_EQ(doc->m_strCurrentFolder, local.File("top/One"));

    // No such child: the selection stays.
    hub.UpdateAllViews(nullptr, HINT_OPEN_SUBFOLDER, QStringLiteral("none"));
    EXPECT_EQ(doc->m_strCurrentFolder, local.File("top/One"));

    // Contents changed: the selected folder is read again.
    fs::create_directories(local.File("top/One/new"));
    hub.UpdateAllViews(nullptr, HINT_NEW_DIRECTORY);
    EXPECT_EQ(ChildTexts(tree->currentItem()), QStringList{QStringLiteral("new")});
}

// A folder's menu selects it and offers Copy, Paste, Delete, Rename and
// Refresh, Paste only with a list of ours; a drive's offers Properties, by
// the mouse as by the menu key; "Internet" has none.
TEST_F(TreeViewTest, FolderAndDriveMenus)
{
    fs::create_directories(local.File("sub"));
    tree->OnInitialUpdate();
    frame->resize(800, 600);
    frame->show();
    QTreeWidgetItem* tmp = OpenLocalPath(*tree, local.File("sub"));
    ASSERT_NE(tmp, nullptr);
    tree->scrollToItem(tmp);
    const QPoint point = tree->visualItemRect(tmp).center();
    int pasted = 0;
    tree->SetFolderCommandHandler(ID_EDIT_PASTE, [&] { ++pasted; });
    for (const bool ours : {false, true}) {
        if (ours)
            app.CopyToClipboard(CFileInfoList());
        QMenu* menu = tree->ShowContextMenu(point);
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(tree->currentItem(), tmp);
        EXPECT_EQ(tree->m_hContextItem, tmp);
        EXPECT_EQ(tree->m_bContextSelect, 1);
        QStringList names;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                continue;
            names << action->objectName();
            EXPECT_EQ(action->isEnabled(), ours || action->objectName() != QStringLiteral("ID_57637"))
                << action->objectName().toStdString();
        }
        EXPECT_EQ(names, (QStringList{QStringLiteral("ID_57634"), QStringLiteral("ID_57637"),
                                      QStringLiteral("ID_32774"), QStringLiteral("ID_32775"),
                                      QStringLiteral("ID_32820")}));
        if (ours)
            menu->findChild<QAction*>(QStringLiteral("ID_57637"))->trigger();
        menu->close();
    }
    EXPECT_EQ(pasted, 1);

    QTreeWidgetItem* drive = tree->MyComputerItem()->child(0);
    tree->setCurrentItem(tree->MyComputerItem());
    delete tree->PopupMenu();
    const QPoint onDrive = tree->visualItemRect(drive).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, onDrive, tree->viewport()->mapToGlobal(onDrive));
    QApplication::sendEvent(tree->viewport(), &event);
    EXPECT_EQ(tree->currentItem(), drive);
    ASSERT_NE(tree->PopupMenu(), nullptr);
    ASSERT_EQ(tree->PopupMenu()->actions().size(), 1);
    EXPECT_EQ(tree->PopupMenu()->actions().at(0)->objectName(), QStringLiteral("ID_32780"));
    tree->PopupMenu()->close();

    // Right-clicking "Internet" selects it, with no menu.
    EXPECT_EQ(tree->ShowContextMenu(tree->visualItemRect(tree->InternetItem()).center()), nullptr);
    EXPECT_EQ(tree->currentItem(), tree->InternetItem());
    EXPECT_EQ(tree->m_hPrevSelItem, drive);
    EXPECT_EQ(tree->PopupMenu(), nullptr);
}

TEST_F(TreeViewTest, RecordsOrderMyComputerFirstThenByTextWithoutCase)
{
    const struct {
        int32_t typeA;
        const char* textA;
        int32_t typeB;
        const char* textB;
        int expected;   // the sign of the comparison
    } cases[] = {
        {TREE_MY_COMPUTER, "My Computer", TREE_FTP_SITE, "Ftp: b", -1},
        {TREE_FTP_SITE, "Ftp: b", TREE_MY_COMPUTER, "My Computer", 1},
        {TREE_FTP_SITE, "FTP: A", TREE_FTP_SITE, "Ftp: b", -1},
        {TREE_FTP_SITE, "Ftp: Zulu", TREE_FTP_SITE, "Ftp: b", 1},
        {TREE_FTP_SITE, "Ftp: b", TREE_FTP_SITE, "FTP: B", 0},
        // Other pairs go by text alone, even when "My Computer" is one of them.
        {TREE_MY_COMPUTER, "My Computer", TREE_LOCAL_FOLDER, "Aardvark", 1},
    };
    const auto make = [](int32_t type, const char* text) {
        auto record = std::make_unique<CTreeItemInfo>();
        record->m_nItemType = type;
        auto item = std::make_unique<CTreeItem>(std::move(record));
        item->setText(0, QString::fromLatin1(text));
        return item;
    };
    for (const auto& c : cases) {
        const auto a = make(c.typeA, c.textA);
        const int result = CTreeViewSite::CompareTreeItems(a->Info(), make(c.typeB, c.textB)->Info());
        EXPECT_EQ((result > 0) - (result < 0), c.expected) << c.textA << " against " << c.textB;
    }
}
