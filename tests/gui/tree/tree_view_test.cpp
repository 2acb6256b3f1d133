// The folder tree: local folders and volumes, sites and their connections, menus.
#include "../TreeHarness.h"

#include "../DialogDriver.h"

#include <QContextMenuEvent>
#include <QPlainTextEdit>

namespace fs = std::filesystem;

namespace {

class TreeViewTest : public TreeHarness {};

class TreeRemoteTest : public TreeHarness {
protected:
    void SetUp() override
    {
        TreeHarness::SetUp();
        MakeServerFolder("dir1/sub");
        MakeServerFolder("dir2");
        WriteWholeFile(m_server.Path("dir2/file.txt"), "x");
        WriteWholeFile(m_server.Path("top.txt"), "x");
    }

    // The tree built, with one site shown.
    QTreeWidgetItem* StartWithSite()
    {
        tree->OnInitialUpdate();
        Settle();
        site = AddSiteRecord();
        return ShowSite(site);
    }

    CVamloSiteInfo* site = nullptr;
};

class TreeNestedTest : public TreeHarness {
protected:
    TreeNestedTest()
        : TreeHarness(FtpServerOptions{.strNestedLoginDir = "home/nested", .strUnlistableDir = {}})
    {
    }
};

// The entries of a menu, separators left out.
QStringList MenuIds(const QMenu& menu)
{
    QStringList ids;
    for (QAction* action : menu.actions())
        if (!action->isSeparator())
            ids << action->objectName();
    return ids;
}

} // namespace

TEST_F(TreeRemoteTest, SiteLoggedInAtTheRootShowsTheHostAndDoubleSlashPaths)
{
    tree->OnInitialUpdate();
    Settle();
    site = AddSiteRecord();
    // The frame's address flows reach the tree.
    ASSERT_TRUE(frame->m_fnAddSiteItem);
    frame->m_fnAddSiteItem(site);
    Settle();
    QTreeWidgetItem* item = tree->FindSiteItem(site);
    ASSERT_NE(item, nullptr) << (prompts.Texts().empty() ? "" : prompts.Texts()[0]);

    EXPECT_EQ(item->text(0), QStringLiteral("Ftp: 127.0.0.1"));

    // Subfolders only; each probed for an expand button.
    ASSERT_EQ(ChildTexts(item), (QStringList{QStringLiteral("dir1"), QStringLiteral("dir2")}));
    EXPECT_EQ(PathOf(item->child(0)), "//dir1");
    EXPECT_EQ(ChildTexts(item->child(0)), QStringList{QStringLiteral("Dummy")});
    EXPECT_EQ(item->child(1)->childCount(), 0);

    // The new item is selected: the list shows the login directory.
    EXPECT_EQ(tree->currentItem(), item);
    EXPECT_EQ(doc->m_strCurrentFolder, "/");
    EXPECT_EQ(doc->m_pCurrentSite, site);
    EXPECT_TRUE(prompts.Texts().empty());

    // Deeper levels keep joining with "/".
    item->child(0)->setExpanded(true);
    Settle();
    QTreeWidgetItem* sub = Child(item->child(0), QStringLiteral("sub"));
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(PathOf(sub), "//dir1/sub");
    EXPECT_EQ(sub->childCount(), 0);

    // Adding it again only selects it: one item per site.
    Show(tree->MyComputerItem());
    frame->m_fnAddSiteItem(site);
    Settle();
    EXPECT_EQ(tree->InternetItem()->childCount(), 2);
    EXPECT_EQ(tree->currentItem(), item);
    Show(tree->MyComputerItem());
    frame->m_fnSelectSiteItem(site);
    EXPECT_EQ(tree->currentItem(), item);
}

TEST_F(TreeNestedTest, SiteLoggedInElsewhereShowsUserAtHost)
{
    MakeServerFolder("home/nested/inbox");
    tree->OnInitialUpdate();
    Settle();
    QTreeWidgetItem* item = ShowSite(AddSiteRecord("nested"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(0), QStringLiteral("Ftp: nested@127.0.0.1"));
    // Sites on one host differ in what the tooltip adds.
    EXPECT_EQ(item->toolTip(0).toStdString(), "ftp://nested@127.0.0.1:" + std::to_string(m_server.Port()));
    ASSERT_EQ(ChildTexts(item), QStringList{QStringLiteral("inbox")});
    EXPECT_EQ(PathOf(item->child(0)), "/home/nested/inbox");
    EXPECT_EQ(doc->m_strCurrentFolder, "/home/nested");

    // "My Computer" first, then the sites by text, whatever the alphabet says.
    CVamloSiteInfo* rootSite = AddSiteRecord("user");
    rootSite->m_strAddress = "127.0.0.1:" + std::to_string(m_server.Port());   // stored without the scheme
    tree->AddSiteItem(rootSite);
    Settle();
    EXPECT_EQ(rootSite->m_strAddress, Address());
    EXPECT_EQ(ChildTexts(tree->InternetItem()),
              (QStringList{QStringLiteral("My Computer"), QStringLiteral("Ftp: 127.0.0.1"),
                           QStringLiteral("Ftp: nested@127.0.0.1")}));
}

TEST_F(TreeRemoteTest, StartUpConnectsOnlyAvailableSitesMarkedReconnectAtLogon)
{
    CVamloSiteInfo* wanted = AddSiteRecord("user", 1, 1);
    CVamloSiteInfo* notMarked = AddSiteRecord("user", 1, 0);
    CVamloSiteInfo* stored = AddSiteRecord("user", 0, 1);
    CVamloSiteInfo* failing = AddSiteRecord("user", 1, 1);
    failing->m_strPassword = "wrong";
    // A saved login whose password the file does not hold is asked for.
    CVamloSiteInfo* passwordless = AddSiteRecord("user", 1, 1);
    passwordless->m_strPassword.clear();
    bool asked = false;
    AnswerNextDialog<CLoginDlg>([&](CLoginDlg& dialog) {
        asked = true;
        Login(dialog, "user", "secret");
    });
    tree->OnInitialUpdate();
    Settle();
    (void)QTest::qWaitFor([&] { return passwordless->m_pConnection != nullptr; }, 10000);
    EXPECT_TRUE(asked);
    EXPECT_NE(tree->FindSiteItem(passwordless), nullptr);

    EXPECT_TRUE(wanted->m_pConnection);
    EXPECT_NE(tree->FindSiteItem(wanted), nullptr);
    EXPECT_FALSE(notMarked->m_pConnection);
    EXPECT_FALSE(stored->m_pConnection);
    EXPECT_FALSE(failing->m_pConnection);
    EXPECT_EQ(tree->FindSiteItem(failing), nullptr);
    EXPECT_EQ(tree->InternetItem()->childCount(), 3);
    // The failed log-on said why, once.
    ASSERT_EQ(prompts.Texts().size(), 1u);
    EXPECT_NE(prompts.Texts()[0].find("Failed to connect to the ftp site"), std::string::npos);
}

TEST_F(TreeRemoteTest, ABrokenConnectionAsksToReconnectAndADeclineLeavesTheTreeAsItWas)
{
    QTreeWidgetItem* item = StartWithSite();
    ASSERT_NE(item, nullptr);
    QTreeWidgetItem* dir1 = Child(item, QStringLiteral("dir1"));
    m_server.Stop();

    // While the question is up, the user clicks another folder of the same
    // site: refused with the busy message, without entering the action again.
    prompts.WhileShown([&](const std::string&) { tree->setCurrentItem(Child(item, QStringLiteral("dir2"))); });
    prompts.Answer(MsgResult::Ok);   // the busy message comes first
    prompts.Answer(MsgResult::No);
    dir1->setExpanded(true);
    Settle();
    EXPECT_EQ(prompts.Texts(),
              (std::vector<std::string>{"The ftp site \"" + Address() + "\" is busy with a file transfer. Please try "
                                                                        "again when the transfer has finished.",
                                        "The connection to ftp site \"" + Address() +
                                            "\" is broken.\nDo you want to reconnect to the ftp site?"}));
    EXPECT_EQ(tree->currentItem(), item);
    // The folder still expands, with its placeholder; the site is disconnected.
    EXPECT_TRUE(dir1->isExpanded());
    EXPECT_EQ(ChildTexts(dir1), QStringList{QStringLiteral("Dummy")});
    EXPECT_FALSE(site->m_pConnection);
    EXPECT_EQ(tree->FindSiteItem(site), item);
    EXPECT_EQ(frame->StatusText(), QStringLiteral("Ready"));   // not what the ended action said it was doing

    // Selecting a folder of it asks again. While it asks, the document still
    // shows "/": a Copy then must take dir2, never the whole site.
    prompts.WhileShown([&](const std::string&) {
        ASSERT_EQ(tree->currentItem(), Child(item, QStringLiteral("dir2")));
        ASSERT_TRUE(tree->OnUpdateEditCopy());
        tree->OnEditCopy();
    });
    prompts.Answer(MsgResult::No);
    Show(Child(item, QStringLiteral("dir2")));
    CFileInfoList copied;
    app.PasteFromClipboard(copied);
    ASSERT_EQ(copied.size(), 1u);
    EXPECT_EQ(copied[0]->m_strPath, "//dir2");
    // Declined, the current folder stays.
    EXPECT_EQ(doc->m_strCurrentFolder, "/");
    // The highlight goes back with it: Copy must not take a folder not shown.
    EXPECT_EQ(tree->currentItem(), item);

    // Accepted while the server is still down: said, and disconnected again.
    prompts.Answer(MsgResult::Yes);
    dir1->setExpanded(false);
    Settle();
    ASSERT_EQ(prompts.Texts().size(), 6u);   // the question, the connect failure, the reconnect failure
    EXPECT_EQ(prompts.Texts()[5], "Failed to reconnect to ftp site \"" + Address() +
                                      "\".\nPlease try to reconnect to the ftp site later.");
    EXPECT_EQ(frame->StatusText(), QString::fromStdString("Failed to connect to ftp site: " + Address()));
    EXPECT_FALSE(site->m_pConnection);

    // Accepted, with the server back: the folder is listed.
    ASSERT_TRUE(m_server.Start());
    prompts.Answer(MsgResult::Yes);
    dir1->setExpanded(true);
    Settle();
    EXPECT_EQ(prompts.Texts().size(), 7u);
    EXPECT_TRUE(site->m_pConnection);
    EXPECT_EQ(ChildTexts(dir1), QStringList{QStringLiteral("sub")});
}

TEST_F(TreeRemoteTest, ABusySiteOrAClosingWindowNeitherListsNorSelects)
{
    QTreeWidgetItem* item = StartWithSite();
    ASSERT_NE(item, nullptr);
    Show(tree->MyComputerItem());
    QTreeWidgetItem* dir1 = Child(item, QStringLiteral("dir1"));
    // While the window closes, and nothing is said.
    doc->m_bClosing = 1;
    dir1->setExpanded(true);
    Settle();
    EXPECT_EQ(ChildTexts(dir1), QStringList{QStringLiteral("Dummy")});
    dir1->setExpanded(false);
    Show(dir1);
    EXPECT_EQ(tree->currentItem(), tree->MyComputerItem());
    EXPECT_TRUE(prompts.Texts().empty());
    doc->m_bClosing = 0;

    // While a transfer holds the site, and the user is told. A click leaves
    // the highlight on the folder shown, and Copy takes that one.
    const std::string busy = "The ftp site \"" + Address() +
                             "\" is busy with a file transfer. Please try again when the transfer has finished.";
    QTreeWidgetItem* dir2 = Child(item, QStringLiteral("dir2"));
    Show(dir2);
    {
        std::lock_guard<std::mutex> transfer(site->m_mutexInUse);
        dir1->setExpanded(true);
        Settle();
        EXPECT_EQ(ChildTexts(dir1), QStringList{QStringLiteral("Dummy")});
        Show(dir1);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
        Settle();
        EXPECT_EQ(tree->selectedItems(), QList<QTreeWidgetItem*>{dir2});
        QTest::keyClick(tree, Qt::Key_C, Qt::ControlModifier);
        EXPECT_NE(std::string(clipboard.data.begin(), clipboard.data.end()).find("//dir2"), std::string::npos);
        EXPECT_FALSE(tree->RemoveSiteItem(site));
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>(4, busy));
        EXPECT_EQ(tree->FindSiteItem(site), item);
    }
    dir1->setExpanded(false);
    Settle();
    EXPECT_EQ(ChildTexts(dir1), QStringList{QStringLiteral("sub")});
    EXPECT_EQ(prompts.Texts().size(), 4u);
}

TEST_F(TreeRemoteTest, SiteMenuPropertiesReconnectAndDisconnect)
{
    frame->resize(800, 600);
    frame->show();
    QTreeWidgetItem* item = StartWithSite();
    ASSERT_NE(item, nullptr);
    tree->scrollToItem(item);
    QMenu* menu = tree->ShowContextMenu(tree->visualItemRect(item).center());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(MenuIds(*menu), (QStringList{QStringLiteral("ID_32778"), QStringLiteral("ID_32779"),
                                           QStringLiteral("ID_32781"), QStringLiteral("ID_32820")}));

    // Properties change only the notes, and mark the list modified unless cancelled.
    AnswerNextDialog<CSitePropertiesDlg>([](CSitePropertiesDlg& dialog) { dialog.reject(); });
    menu->findChild<QAction*>(QStringLiteral("ID_32781"))->trigger();
    EXPECT_EQ(frame->m_bSiteListModified, 0);
    AnswerNextDialog<CSitePropertiesDlg>([](CSitePropertiesDlg& dialog) {
        dialog.findChild<QPlainTextEdit*>()->setPlainText(QStringLiteral("new notes"));
        dialog.accept();
    });
    menu->findChild<QAction*>(QStringLiteral("ID_32781"))->trigger();
    EXPECT_EQ(site->m_strNotes, "new notes");
    EXPECT_EQ(site->m_strAddress, Address());
    EXPECT_EQ(frame->m_bSiteListModified, 1);

    menu->findChild<QAction*>(QStringLiteral("ID_32778"))->trigger();
    Settle();
    EXPECT_EQ(frame->StatusText(), QString::fromStdString("Successfully reconnected to ftp site: " + Address()));
    EXPECT_TRUE(site->m_pConnection);
    EXPECT_EQ(tree->FindSiteItem(site), item);

    // What a disconnect leaves is the refresh walk's (net actions); here the menu reaches it.
    menu->findChild<QAction*>(QStringLiteral("ID_32779"))->trigger();
    Settle();
    menu->close();
    EXPECT_EQ(tree->FindSiteItem(site), nullptr);
    EXPECT_EQ(frame->m_siteList.size(), 1u);   // the record stays
}

TEST_F(TreeViewTest, InitialUpdateBuildsInternetMyComputerAndTheVolumes)
{
    fs::create_directories(local.File("sub"));
    volumes = {{local.Path(), "Disk", VolumeKind::Local}, {"/media/stick", "", VolumeKind::Removable}};
    tree->OnInitialUpdate();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
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
    QTreeWidgetItem* sub = Child(disk, QStringLiteral("sub"));
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(PathOf(sub), local.File("sub"));
    EXPECT_EQ(sub->data(0, CTreeViewSite::kImageRole).toInt(), IMAGE_CLOSED_FOLDER);
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
    EXPECT_EQ(frame->TreePane()->caption(), QStringLiteral("Folders  [ My Computer ]"));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).value<QObject*>(), tree);
    EXPECT_EQ(spy.at(0).at(1).toInt(), HINT_FOLDER_CHANGED);
    tree->setCurrentItem(tree->InternetItem());
    EXPECT_EQ(doc->m_strCurrentFolder, "");

    QTreeWidgetItem* folder = OpenLocalPath(*tree, local.File("top"));
    ASSERT_NE(folder, nullptr);
    tree->setCurrentItem(folder);
    EXPECT_EQ(doc->m_byCurrentLocation, 1);
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
        EXPECT_EQ(MenuIds(*menu), (QStringList{QStringLiteral("ID_57634"), QStringLiteral("ID_57637"),
                                               QStringLiteral("ID_32774"), QStringLiteral("ID_32775"),
                                               QStringLiteral("ID_32820")}));
        EXPECT_EQ(menu->actions().last()->text(), QStringLiteral("Re&fresh"));   // R is Rename's
        QAction* paste = menu->findChild<QAction*>(QStringLiteral("ID_57637"));
        EXPECT_EQ(paste->isEnabled(), ours);
        if (ours)
            paste->trigger();
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
    // "My Computer" before a site is walked by the nested login's test.
    const auto item = [](int32_t type, const char* text) {
        auto record = std::make_unique<CTreeItemInfo>();
        record->m_nItemType = type;
        auto made = std::make_unique<CTreeItem>(std::move(record));
        made->setText(0, QString::fromLatin1(text));
        return made;
    };
    const auto order = [&](int32_t typeA, const char* textA, int32_t typeB, const char* textB) {
        const int result = CTreeViewSite::CompareTreeItems(item(typeA, textA)->Info(), item(typeB, textB)->Info());
        return (result > 0) - (result < 0);
    };
    EXPECT_EQ(order(TREE_FTP_SITE, "FTP: A", TREE_FTP_SITE, "Ftp: b"), -1);
    EXPECT_EQ(order(TREE_FTP_SITE, "Ftp: Zulu", TREE_FTP_SITE, "Ftp: b"), 1);
    EXPECT_EQ(order(TREE_FTP_SITE, "Ftp: b", TREE_FTP_SITE, "FTP: B"), 0);
}
