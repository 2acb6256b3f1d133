// The window never waits on the network: connects and listings run on a
// worker, can be cancelled, and the views follow only what was really read.

#include "../TreeHarness.h"

#include "commands/Commands.h"

#include "../DialogDriver.h"
#include "ScriptedFtpServer.h"

#include <QComboBox>
#include <QPushButton>
#include <QScreen>

namespace {

class NetActionsTest : public PanesHarness {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(local.File("sub"));
        PanesHarness::SetUp();
        MakeServerFolder("dir1/sub");
        WriteWholeFile(m_server.Path("dir1/a.txt"), "a");
    }
};

} // namespace

TEST_F(NetActionsTest, RefreshUpOneLevelAndTheTitleFollowTheTree)
{
    QTreeWidgetItem* item = Connect();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(ListNames(), (std::vector<std::string>{"dir1"}));
    EXPECT_EQ(frame->windowTitle(), QString::fromStdString("Vamlo - " + Address() + "/"));

    MakeServerFolder("made-later/inner");
    frame->Command(ID_VIEW_REFRESH)->trigger();
    Settle();
    EXPECT_EQ(ChildTexts(item), (QStringList{QStringLiteral("dir1"), QStringLiteral("made-later")}));
    EXPECT_EQ(ListNames(), (std::vector<std::string>{"dir1", "made-later"}));

    // Opened from the list, as a double-click on the folder's row does.
    emit list->doubleClicked(list->model()->index(RowOf("made-later"), 0));
    Settle();
    EXPECT_EQ(doc->m_strCurrentFolder, "//made-later");
    EXPECT_EQ(tree->currentItem(), Child(item, QStringLiteral("made-later")));
    EXPECT_EQ(ListNames(), std::vector<std::string>{"inner"});
    EXPECT_EQ(frame->windowTitle(), QString::fromStdString("Vamlo - " + Address() + "/made-later"));

    // A folder the list shows but the tree has not read yet opens as well.
    MakeServerFolder("made-at-the-root");
    QAction* up = frame->Command(ID_VIEW_UP_ONE_LEVEL);
    frame->UpdateCommandStates();
    ASSERT_TRUE(up->isEnabled());
    up->trigger();
    Settle();
    ASSERT_EQ(tree->currentItem(), item);
    EXPECT_EQ(Child(item, QStringLiteral("made-at-the-root")), nullptr);
    emit list->doubleClicked(list->model()->index(RowOf("made-at-the-root"), 0));
    Settle();
    EXPECT_EQ(doc->m_strCurrentFolder, "//made-at-the-root");
    EXPECT_EQ(tree->currentItem(), Child(item, QStringLiteral("made-at-the-root")));

    // Backspace in the list goes up as well.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Backspace);
    Settle();
    EXPECT_EQ(tree->currentItem(), item);
    EXPECT_EQ(doc->m_strCurrentFolder, "/");

    // Disconnected: the list shows what the tree now selects, none of the site's files.
    EXPECT_TRUE(tree->RemoveSiteItem(site));
    Settle();
    EXPECT_FALSE(site->m_pConnection);
    EXPECT_NE(doc->m_pCurrentSite, site);
    EXPECT_EQ(doc->m_strCurrentFolder, PathOf(tree->currentItem()));
    EXPECT_EQ(RowOf("dir1"), -1);

    Show(tree->MyComputerItem());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Vamlo"));
    Show(LocalFolder("sub"));
    EXPECT_EQ(frame->windowTitle(), QString::fromStdString("Vamlo - " + local.File("sub")));
}

// After a Delete (or New Directory) from the list both panes read the folder
// again, one after the other: nobody is told of a busy site.
TEST_F(NetActionsTest, TheViewsReadAfterAListCommandWithoutABusySite)
{
    QTreeWidgetItem* item = Connect();
    ASSERT_NE(item, nullptr);
    MakeServerFolder("made");
    SelectRows({"dir1"});
    QTest::keyClick(list, Qt::Key_Delete);
    Settle();
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"Are you sure you want to delete the folder \"dir1\"?"});
    EXPECT_EQ(ListNames(), std::vector<std::string>{"made"});
    EXPECT_EQ(ChildTexts(item), QStringList{QStringLiteral("made")});
}

// A server that takes the connection and then says nothing, ever.
class SilentServerTest : public NetActionsTest {
protected:
    std::string SilentAddress() const { return "ftp://127.0.0.1:" + std::to_string(silent.Port()); }

    ScriptedFtpServer silent;
};

TEST_F(SilentServerTest, TheWindowKeepsWorkingAndCancelEndsTheConnect)
{
    silent.Hang();
    silent.Start();
    AnswerNextDialog<CLoginDlg>([](CLoginDlg& dialog) { Login(dialog, "user", "secret"); });
    int ticks = 0;
    QTimer painter;
    QObject::connect(&painter, &QTimer::timeout, &painter, [&ticks] { ++ticks; });
    painter.start(10);
    // However long the address, the window with Cancel fits on the screen.
    const std::string address = SilentAddress() + "/" + std::string(3000, 'd');
    frame->AddressBox()->setEditText(QString::fromStdString(address));
    frame->OnAddressEntered();

    QProgressDialog* progress = WaitForProgressWindow();
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->labelText().startsWith(QString::fromStdString("Connecting to ftp site: " + SilentAddress())));
    EXPECT_LE(progress->frameGeometry().width(), progress->screen()->availableGeometry().width());
    // The event loop ran while the connect waited.
    EXPECT_GT(ticks, 5);
    EXPECT_FALSE(frame->NetActions()->IsIdle());

    progress->findChild<QPushButton*>()->click();
    ASSERT_TRUE(WaitForNetIdle(5000));
    const std::vector<std::string> texts = prompts.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "Failed to connect to the ftp site \"" + address +
                            "\".\nCause: The operation was canceled by the user\n");
    EXPECT_EQ(frame->StatusText(), QString::fromStdString("Failed to connect to ftp site: " + address));
    EXPECT_TRUE(frame->m_siteList.empty());
}

TEST_F(SilentServerTest, CancelOfAHangingListingKeepsWhatWasSelectedAndTheSite)
{
    silent.LogOn();
    silent.Reply("PWD", "257 \"/\" is the current directory");
    silent.Hang();
    silent.Start();
    tree->setCurrentItem(tree->MyComputerItem());
    Settle();
    site = AddSiteRecord();
    site->m_strAddress = SilentAddress();

    // Logged on, the site is there; its folders are read after.
    tree->AddSiteItem(site);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tree->FindSiteItem(site) != nullptr; }, 10000));
    QProgressDialog* progress = WaitForProgressWindow();
    ASSERT_NE(progress, nullptr);
    // Other sites and local folders stay usable meanwhile.
    QTreeWidgetItem* sub = OpenLocalPath(*tree, local.File("sub"));
    ASSERT_NE(sub, nullptr);
    tree->setCurrentItem(sub);
    EXPECT_EQ(doc->m_strCurrentFolder, local.File("sub"));
    // The same site is not: the tree's busy test.

    progress->findChild<QPushButton*>()->click();
    ASSERT_TRUE(WaitForNetIdle(5000));
    EXPECT_NE(tree->FindSiteItem(site), nullptr);
    EXPECT_FALSE(site->m_pConnection);
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_EQ(tree->currentItem(), sub);
    EXPECT_EQ(doc->m_strCurrentFolder, local.File("sub"));
}
