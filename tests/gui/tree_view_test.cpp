#include "TreeHarness.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>

namespace fs = std::filesystem;

namespace {

class TreeViewTest : public TreeHarness {};

} // namespace

TEST_F(TreeViewTest, InitialUpdateBuildsInternetMyComputerAndTheVolumes)
{
    fs::create_directories(local.File("sub"));
    volumes = {{local.Path(), "Disk", VolumeKind::Local}, {"/media/stick", "", VolumeKind::Removable}};
    tree->OnInitialUpdate();
    EXPECT_EQ(frame->TreeView(), tree);
    EXPECT_EQ(frame->TreePane()->view(), tree);
    EXPECT_EQ(Caption(), QStringLiteral("Folders"));
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* internet = tree->topLevelItem(0);
    EXPECT_EQ(internet, tree->InternetItem());
    EXPECT_TRUE(internet->isExpanded());
    EXPECT_EQ(CTreeViewSite::Record(internet)->m_nItemType, TREE_INTERNET);
    QTreeWidgetItem* computer = tree->MyComputerItem();
    ASSERT_EQ(internet->child(0), computer);
    EXPECT_EQ(PathOf(computer), "My Computer");
    EXPECT_EQ(CTreeViewSite::Record(computer)->m_byLocation, 0);
    EXPECT_EQ(CTreeViewSite::Record(computer)->m_hParentItem, internet);
    EXPECT_TRUE(computer->isExpanded());

    // Every volume is there, with its text, kind and image; only the local
    // ones were read at once.
    ASSERT_EQ(computer->childCount(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(CTreeViewSite::Record(computer->child(i))->m_nItemType, TREE_DRIVE);
        EXPECT_EQ(CTreeViewSite::Record(computer->child(i))->m_byLocation, 1);
    }
    const auto drive = [&](const std::string& path) {
        return PathOf(computer->child(0)) == path ? computer->child(0) : computer->child(1);
    };
    QTreeWidgetItem* stick = drive("/media/stick");
    EXPECT_EQ(stick->text(0), QStringLiteral(" [/media/stick] - Removable Disk"));
    EXPECT_EQ(stick->data(0, CTreeViewSite::kImageRole).toInt(), IMAGE_REMOVABLE_DISK);
    EXPECT_EQ(ChildTexts(stick), QStringList{QStringLiteral("Dummy")});
    QTreeWidgetItem* disk = drive(local.Path());
    EXPECT_EQ(disk->text(0), QString::fromStdString(" [" + local.Path() + "] - Disk"));
    EXPECT_EQ(disk->data(0, CTreeViewSite::kImageRole).toInt(), IMAGE_HARD_DISK);
    QTreeWidgetItem* sub = Child(disk, QStringLiteral("sub"));
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(PathOf(sub), local.File("sub"));
    EXPECT_EQ(CTreeViewSite::Record(sub)->m_nItemType, TREE_LOCAL_FOLDER);
    EXPECT_EQ(CTreeViewSite::Record(sub)->m_hParentItem, disk);
    EXPECT_EQ(sub->data(0, CTreeViewSite::kImageRole).toInt(), IMAGE_CLOSED_FOLDER);
    EXPECT_EQ(frame->StatusText(), QStringLiteral("Ready"));
    EXPECT_EQ(prompts.WaitCursorDepth(), 0);
    EXPECT_TRUE(prompts.Texts().empty());
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
    EXPECT_EQ(PathOf(folder), local.File("top"));
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

TEST_F(TreeViewTest, SelectingAFolderSetsTheCurrentFolderAndTellsTheOtherViews)
{
    fs::create_directories(local.File("sub"));
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
    EXPECT_EQ(Caption(), QStringLiteral("Folders  [  ]"));

    QTreeWidgetItem* sub = OpenLocalPath(*tree, local.File("sub"));
    ASSERT_NE(sub, nullptr);
    tree->setCurrentItem(sub);
    EXPECT_EQ(doc->m_strCurrentFolder, local.File("sub"));
    EXPECT_EQ(doc->m_byCurrentLocation, 1);
    EXPECT_EQ(Caption(), QString::fromStdString("Folders  [ " + local.File("sub") + " ]"));
    EXPECT_EQ(spy.count(), 3);
}

TEST_F(TreeViewTest, TheTreeIgnoresItsOwnNoticesAndOpensTheNamedSubfolder)
{
    fs::create_directories(local.File("top/one"));
    fs::create_directories(local.File("top/One"));
    tree->OnInitialUpdate();
    QTreeWidgetItem* folder = OpenLocalPath(*tree, local.File("top"));
    ASSERT_NE(folder, nullptr);
    tree->setCurrentItem(folder);
    ASSERT_FALSE(folder->isExpanded());

    tree->OnUpdate(tree, HINT_OPEN_SUBFOLDER, QStringLiteral("One"));
    EXPECT_EQ(doc->m_strCurrentFolder, local.File("top"));   // its own notice: nothing

    // The match is exact, case included.
    hub.UpdateAllViews(nullptr, HINT_OPEN_SUBFOLDER, QStringLiteral("One"));
    EXPECT_TRUE(folder->isExpanded());
    EXPECT_EQ(doc->m_strCurrentFolder, local.File("top/One"));
    EXPECT_EQ(frame->StatusText(), QStringLiteral("Ready"));

    // No such child: the selection stays.
    hub.UpdateAllViews(nullptr, HINT_OPEN_SUBFOLDER, QStringLiteral("none"));
    EXPECT_EQ(doc->m_strCurrentFolder, local.File("top/One"));

    // Contents changed: the selected folder is read again.
    fs::create_directories(local.File("top/One/new"));
    hub.UpdateAllViews(nullptr, HINT_NEW_DIRECTORY);
    EXPECT_EQ(ChildTexts(tree->currentItem()), QStringList{QStringLiteral("new")});
}

TEST_F(TreeViewTest, FolderMenuHasItsFourEntriesAndPasteNeedsOurClipboardList)
{
    fs::create_directories(local.File("sub"));
    tree->OnInitialUpdate();
    frame->resize(800, 600);
    frame->show();
    QTreeWidgetItem* tmp = OpenLocalPath(*tree, local.File("sub"));
    ASSERT_NE(tmp, nullptr);
    tree->scrollToItem(tmp);
    const QPoint point = tree->visualItemRect(tmp).center();

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
        // Copy, Delete and Rename work on a folder and Refresh always;
        // Paste needs a list of ours.
        EXPECT_EQ(action->isEnabled(), action->objectName() != QStringLiteral("ID_57637"))
            << action->objectName().toStdString();
    }
    EXPECT_EQ(names, (QStringList{QStringLiteral("ID_57634"), QStringLiteral("ID_57637"), QStringLiteral("ID_32774"),
                                  QStringLiteral("ID_32775"), QStringLiteral("ID_32820")}));
    EXPECT_EQ(menu->actions().at(3)->text(), QStringLiteral("&Rename..."));
    menu->close();

    // With a handler, Paste still greys while the clipboard holds no list of ours.
    int pasted = 0;
    tree->SetFolderCommandHandler(ID_EDIT_PASTE, [&] { ++pasted; });
    menu = tree->ShowContextMenu(point);
    QAction* paste = menu->findChild<QAction*>(QStringLiteral("ID_57637"));
    ASSERT_NE(paste, nullptr);
    EXPECT_FALSE(paste->isEnabled());
    menu->close();
    app.CopyToClipboard(CFileInfoList());
    ASSERT_EQ(app.HasClipboardFileList(), 1);
    menu = tree->ShowContextMenu(point);
    paste = menu->findChild<QAction*>(QStringLiteral("ID_57637"));
    ASSERT_TRUE(paste->isEnabled());
    paste->trigger();
    EXPECT_EQ(pasted, 1);
    menu->close();
}

TEST_F(TreeViewTest, DriveMenuOpensPropertiesAndInternetHasNoMenu)
{
    tree->OnInitialUpdate();
    frame->resize(800, 600);
    frame->show();
    QTreeWidgetItem* drive = tree->MyComputerItem()->child(0);
    QMenu* menu = tree->ShowContextMenu(tree->visualItemRect(drive).center());
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions().at(0)->objectName(), QStringLiteral("ID_32780"));
    EXPECT_EQ(menu->actions().at(0)->text(), QStringLiteral("Properties..."));
    menu->close();

    // The context menu event of the viewport takes the same road.
    tree->setCurrentItem(tree->MyComputerItem());
    delete tree->PopupMenu();
    const QPoint point = tree->visualItemRect(drive).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, point, tree->viewport()->mapToGlobal(point));
    QApplication::sendEvent(tree->viewport(), &event);
    EXPECT_EQ(tree->currentItem(), drive);
    ASSERT_NE(tree->PopupMenu(), nullptr);
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
    auto make = [](int32_t type, const char* text) {
        auto record = std::make_unique<CTreeItemInfo>();
        record->m_nItemType = type;
        auto item = std::make_unique<CTreeItem>(std::move(record));
        item->setText(0, QString::fromLatin1(text));
        return item;
    };
    auto computer = make(TREE_MY_COMPUTER, "My Computer");
    auto lower = make(TREE_FTP_SITE, "Ftp: b");
    auto upper = make(TREE_FTP_SITE, "FTP: A");
    auto zulu = make(TREE_FTP_SITE, "Ftp: Zulu");
    EXPECT_LT(CTreeViewSite::CompareTreeItems(computer->Info(), lower->Info()), 0);
    EXPECT_GT(CTreeViewSite::CompareTreeItems(lower->Info(), computer->Info()), 0);
    EXPECT_LT(CTreeViewSite::CompareTreeItems(upper->Info(), lower->Info()), 0);
    EXPECT_GT(CTreeViewSite::CompareTreeItems(zulu->Info(), lower->Info()), 0);
    EXPECT_EQ(CTreeViewSite::CompareTreeItems(lower->Info(), make(TREE_FTP_SITE, "FTP: B")->Info()), 0);
    // Other pairs go by text alone, even when "My Computer" is one of them.
    auto folder = make(TREE_LOCAL_FOLDER, "Aardvark");
    EXPECT_GT(CTreeViewSite::CompareTreeItems(computer->Info(), folder->Info()), 0);
}

TEST_F(TreeViewTest, DeletingTheTreeLeavesNoItemBehind)
{
    tree->OnInitialUpdate();
    tree->setCurrentItem(tree->MyComputerItem()->child(0));
    tree->DeleteAllTreeItems();
    EXPECT_EQ(tree->topLevelItemCount(), 0);
    EXPECT_EQ(tree->InternetItem(), nullptr);
    EXPECT_EQ(prompts.WaitCursorDepth(), 0);
}
