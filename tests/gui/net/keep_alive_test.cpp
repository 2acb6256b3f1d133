// An idle site is kept connected past the server's idle time-out; one the
// server dropped is shown disconnected until a reconnect.
#include "../TreeHarness.h"

#include "net/SiteKeepAlive.h"

#include <QMenu>

using namespace std::chrono_literals;

namespace {

class KeepAliveTest : public TreeHarness {
protected:
    KeepAliveTest() : TreeHarness(FtpServerOptions{.dIdleTimeoutSeconds = 2}) {}

    bool ShownDisconnected(QTreeWidgetItem* item) const
    {
        return item->data(0, CTreeViewSite::kDisconnectedRole).toBool();
    }
};

} // namespace

TEST_F(KeepAliveTest, NoopsOutliveTheServersTimeOutAndADroppedSiteIsGreyedUntilReconnected)
{
    frame->resize(800, 600);
    frame->show();
    tree->OnInitialUpdate();
    CVamloSiteInfo* site = AddSiteRecord();
    QTreeWidgetItem* item = ShowSite(site);
    ASSERT_NE(item, nullptr);
    frame->KeepAlive()->SetInterval(200ms);
    QTest::qWait(4500);   // more than twice the server's time-out
    Settle();
    EXPECT_FALSE(ShownDisconnected(item));
    tree->OnRefresh();   // answered at once, no reconnect question
    Settle();
    EXPECT_TRUE(prompts.Texts().empty());

    // While a transfer holds the site no NOOP goes out: the server drops it.
    {
        const std::lock_guard<std::mutex> transfer(site->m_mutexInUse);
        QTest::qWait(3000);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return ShownDisconnected(item); }, 20000));
    EXPECT_FALSE(site->m_pConnection);
    EXPECT_TRUE(item->toolTip(0).endsWith(QStringLiteral("\nDisconnected")));
    EXPECT_EQ(tree->FindSiteItem(site), item);
    frame->KeepAlive()->SetInterval(0ms);
    Settle();

    // The site's Reconnect brings it back.
    tree->scrollToItem(item);
    QMenu* menu = tree->ShowContextMenu(tree->visualItemRect(item).center());
    ASSERT_NE(menu, nullptr);
    menu->findChild<QAction*>(QStringLiteral("ID_32778"))->trigger();
    Settle();
    EXPECT_FALSE(ShownDisconnected(item));
    EXPECT_TRUE(site->m_pConnection);
    EXPECT_TRUE(prompts.Texts().empty());
}
