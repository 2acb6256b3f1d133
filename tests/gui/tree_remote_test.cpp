#include "TreeHarness.h"

#include "sites/SiteInfoDlg.h"

#include "DialogDriver.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <thread>

namespace {

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
    TreeNestedTest() : TreeHarness(NestedOptions()) {}

    static FtpServerOptions NestedOptions()
    {
        FtpServerOptions options;
        options.strNestedLoginDir = "home/nested";
        return options;
    }
};

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
    EXPECT_EQ(PathOf(item), "/");

    // Subfolders only; each probed for an expand button.
    ASSERT_EQ(ChildTexts(item), (QStringList{QStringLiteral("dir1"), QStringLiteral("dir2")}));
    EXPECT_EQ(PathOf(item->child(0)), "//dir1");
    EXPECT_EQ(ChildTexts(item->child(0)), QStringList{QStringLiteral("Dummy")});
    EXPECT_EQ(item->child(1)->childCount(), 0);

    // The new item is selected: the list shows the login directory.
    EXPECT_EQ(tree->currentItem(), item);
    EXPECT_EQ(doc->m_strCurrentFolder, "/");
    EXPECT_EQ(doc->m_pCurrentSite, site);
    EXPECT_EQ(Caption(), QStringLiteral("Folders  [ / ]"));
    EXPECT_TRUE(prompts.Texts().empty());

    // Deeper levels keep joining with "/".
    item->child(0)->setExpanded(true);
    Settle();
    QTreeWidgetItem* sub = Child(item->child(0), QStringLiteral("sub"));
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(PathOf(sub), "//dir1/sub");
    EXPECT_EQ(sub->childCount(), 0);

    // Collapsing lists the folder again; the placeholder goes when the
    // folder turns out to hold no subfolder.
    item->setExpanded(true);
    Settle();
    MakeServerFolder("dir3/deeper");
    item->setExpanded(false);
    Settle();
    ASSERT_EQ(ChildTexts(item), (QStringList{QStringLiteral("dir1"), QStringLiteral("dir2"), QStringLiteral("dir3")}));
    QTreeWidgetItem* dir3 = Child(item, QStringLiteral("dir3"));
    EXPECT_EQ(ChildTexts(dir3), QStringList{QStringLiteral("Dummy")});
    std::filesystem::remove(m_server.Path("dir3/deeper"));
    dir3->setExpanded(true);
    Settle();
    EXPECT_EQ(dir3->childCount(), 0);
    Show(dir3);
    EXPECT_EQ(doc->m_strCurrentFolder, "//dir3");

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
    EXPECT_EQ(PathOf(item), "/home/nested");
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
    tree->OnInitialUpdate();
    Settle();

    EXPECT_TRUE(wanted->m_pConnection);
    EXPECT_NE(tree->FindSiteItem(wanted), nullptr);
    EXPECT_FALSE(notMarked->m_pConnection);
    EXPECT_FALSE(stored->m_pConnection);
    EXPECT_EQ(stored->m_hTreeItem, 0u);
    EXPECT_FALSE(failing->m_pConnection);
    EXPECT_EQ(tree->FindSiteItem(failing), nullptr);
    EXPECT_EQ(tree->InternetItem()->childCount(), 2);
    EXPECT_EQ(tree->InternetItem()->child(0), tree->MyComputerItem());
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

    prompts.Answer(MsgResult::No);
    dir1->setExpanded(true);
    Settle();
    ASSERT_EQ(prompts.Messages().size(), 1u);
    EXPECT_EQ(prompts.Messages()[0].text,
              "The connection to ftp site \"" + Address() + "\" is broken.\nDo you want to reconnect to the ftp site?");
    // The folder still expands, with its placeholder; the site is disconnected.
    EXPECT_TRUE(dir1->isExpanded());
    EXPECT_EQ(ChildTexts(dir1), QStringList{QStringLiteral("Dummy")});
    EXPECT_FALSE(site->m_pConnection);
    EXPECT_EQ(tree->FindSiteItem(site), item);

    // Selecting a folder of it asks again. While it asks, the document still
    // shows "/": a Copy then must take dir2, never the whole site.
    prompts.WhileShown([&](const std::string&) {
        ASSERT_EQ(tree->currentItem(), Child(item, QStringLiteral("dir2")));
        ASSERT_TRUE(tree->OnUpdateEditCopy());
        tree->OnEditCopy();
    });
    prompts.Answer(MsgResult::No);
    Show(Child(item, QStringLiteral("dir2")));
    EXPECT_EQ(prompts.Messages().size(), 2u);
    CFileInfoList copied;
    app.PasteFromClipboard(copied);
    ASSERT_EQ(copied.size(), 1u);
    EXPECT_EQ(copied[0]->m_strPath, "//dir2");
    EXPECT_EQ(copied[0]->m_bIsFolder, 1);
    // Declined, the current folder stays.
    EXPECT_EQ(doc->m_strCurrentFolder, "/");
    // The highlight goes back with it: Copy must not take a folder not shown.
    EXPECT_EQ(tree->currentItem(), item);

    // Accepted while the server is still down: said, and disconnected again.
    prompts.Answer(MsgResult::Yes);
    dir1->setExpanded(false);
    Settle();
    ASSERT_EQ(prompts.Texts().size(), 5u);   // the question, the connect failure, the reconnect failure
    EXPECT_EQ(prompts.Texts()[4], "Failed to reconnect to ftp site \"" + Address() +
                                      "\".\nPlease try to reconnect to the ftp site later.");
    EXPECT_EQ(frame->StatusText(), QString::fromStdString("Failed to connect to ftp site: " + Address()));
    EXPECT_FALSE(site->m_pConnection);
    EXPECT_FALSE(site->m_pSession);

    // Accepted, with the server back: the folder is listed.
    ASSERT_TRUE(m_server.Start());
    prompts.Answer(MsgResult::Yes);
    dir1->setExpanded(true);
    Settle();
    EXPECT_EQ(prompts.Texts().size(), 6u);
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

    // While a transfer holds the site, and the user is told.
    const std::string busy = "The ftp site \"" + Address() +
                             "\" is busy with a file transfer. Please try again when the transfer has finished.";
    {
        std::lock_guard<std::mutex> transfer(site->m_mutexInUse);
        dir1->setExpanded(true);
        Settle();
        EXPECT_EQ(ChildTexts(dir1), QStringList{QStringLiteral("Dummy")});
        Show(dir1);
        EXPECT_EQ(doc->m_strCurrentFolder, "My Computer");
        EXPECT_EQ(tree->currentItem(), tree->MyComputerItem());
        EXPECT_FALSE(tree->RemoveSiteItem(site));
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>(3, busy));
        EXPECT_TRUE(site->m_pConnection);
        EXPECT_EQ(tree->FindSiteItem(site), item);
    }
    dir1->setExpanded(false);
    Settle();
    EXPECT_EQ(ChildTexts(dir1), QStringList{QStringLiteral("sub")});
    EXPECT_EQ(prompts.Texts().size(), 3u);
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
    QStringList names;
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            names << action->objectName();
    EXPECT_EQ(names, (QStringList{QStringLiteral("ID_32778"), QStringLiteral("ID_32779"), QStringLiteral("ID_32781"),
                                  QStringLiteral("ID_32820")}));

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

    QTreeWidgetItem* above = tree->itemAbove(item);
    menu->findChild<QAction*>(QStringLiteral("ID_32779"))->trigger();
    Settle();
    menu->close();
    EXPECT_EQ(tree->FindSiteItem(site), nullptr);
    EXPECT_EQ(site->m_hTreeItem, 0u);
    EXPECT_FALSE(site->m_pConnection);
    EXPECT_EQ(tree->currentItem(), above);
    EXPECT_EQ(frame->m_siteList.size(), 1u);   // the record stays
    EXPECT_NE(doc->m_pCurrentSite, site);
}

TEST_F(TreeRemoteTest, PasteDoneFromAWorkerRefreshesTheContextFolder)
{
    QTreeWidgetItem* item = StartWithSite();
    ASSERT_NE(item, nullptr);
    Show(tree->MyComputerItem());
    QTreeWidgetItem* dir2 = Child(item, QStringLiteral("dir2"));
    tree->m_hPrevSelItem = tree->MyComputerItem();
    tree->m_bContextSelect = 1;
    Show(dir2);
    MakeServerFolder("dir2/pasted");

    QSignalSpy spy(&hub, &CViewHub::Update);
    std::thread worker([this] { tree->PostTransferDone(WM_TREE_PASTE_DONE); });
    worker.join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !spy.isEmpty(); }, 10000));
    EXPECT_EQ(ChildTexts(dir2), QStringList{QStringLiteral("pasted")});
    EXPECT_EQ(tree->currentItem(), tree->MyComputerItem());
    EXPECT_EQ(tree->m_bContextSelect, 0);
    EXPECT_EQ(tree->m_hPrevSelItem, nullptr);
    EXPECT_EQ(spy.last().at(1).toInt(), HINT_CONTENTS_CHANGED);
}
