// Long steps can be cancelled from the small window that appears after a
// moment: a local step keeps the window served meanwhile; a remote folder
// delete leaves what it did not reach, shows no failure, and the views are
// read again.
#include "../ListViewHarness.h"

#include "../DialogDriver.h"

#include "ftp/InternetSession.h"
#include "panes/LocalProgress.h"

#include "ScriptedFtpServer.h"

#include <QPushButton>

#include <chrono>
#include <thread>

namespace {

size_t CountStartingWith(const std::vector<std::string>& lines, const std::string& prefix)
{
    return static_cast<size_t>(
        std::count_if(lines.begin(), lines.end(), [&](const std::string& line) { return line.rfind(prefix, 0) == 0; }));
}

} // namespace

TEST(RemoteDeleteCancel, CancelLeavesTheRestAndRefreshesTheViews)
{
    ScriptedFtpServer server;
    // The server stops answering at the second file, as a slow one would.
    server.LogOn()
        .OfferPassive("EPSV")
        .Reply("LIST", "150 listing")
        .SendData("drwxr-xr-x 1 u g 0 Jan 01 2024 big\r\n")
        .Send("226 done\r\n")
        .OfferPassive("EPSV")
        .Reply("LIST", "150 listing")
        .SendData("-rw-r--r-- 1 u g 1 Jan 01 2024 f1\r\n-rw-r--r-- 1 u g 1 Jan 01 2024 f2\r\n"
                  "-rw-r--r-- 1 u g 1 Jan 01 2024 f3\r\n")
        .Send("226 done\r\n")
        .Reply("DELE /pub//big/f1", "250 gone")
        .Expect("DELE /pub//big/f2")
        .Hang();
    server.Start();
    CVamloSiteInfo site;
    site.m_strAddress = "127.0.0.1";
    CInternetException error;
    // The window's thread never waits on the network.
    std::thread([&] {
        CInternetSession session(kAgentName);
        session.SetTimeouts(FtpServerFixture::ShortTimeouts());
        site.m_pConnection = session.GetFtpConnection("127.0.0.1", "user", "pw", server.Port(), true, error);
    }).join();
    ASSERT_TRUE(site.m_pConnection) << error.m_strMessage;
    {
        ListViewHarness h;
        h.ShowFolder(2, "/pub", &site);
        ASSERT_EQ(h.Names(), std::vector<std::string>{"big"});
        h.notices.clear();
        h.Select({"big"});
        h.list->OnEditDelete();
        EXPECT_TRUE(QTest::qWaitFor([&] { return CountStartingWith(server.Received(), "DELE") == 2; }, 10000));
        QProgressDialog* progress = WaitForProgressWindow();
        ASSERT_NE(progress, nullptr);
        progress->findChild<QPushButton*>()->click();
        EXPECT_TRUE(h.WaitForNetIdle());

        EXPECT_EQ(h.prompts.Texts(), (std::vector<std::string>{"Are you sure you want to delete the folder \"big\"?"}));
        EXPECT_EQ(CountStartingWith(server.Received(), "RMD"), 0u);
        const bool refreshed = std::any_of(h.notices.begin(), h.notices.end(), [](const ViewNotice& notice) {
            return notice.sender == nullptr && notice.hint == HINT_DELETED;
        });
        EXPECT_TRUE(refreshed);
        h.TearDownProgram();
    }
    std::thread([&] { site.Disconnect(); }).join();
    server.Stop();
}

TEST(LocalProgressTest, TheCancelWindowComesAfterAMomentAndItsCancelStopsTheStep)
{
    QWidget window;
    window.show();
    int ticks = 0;
    bool clicked = false;
    QTimer user;
    // What the user does: watches the window being served, presses Cancel.
    QObject::connect(&user, &QTimer::timeout, &user, [&] {
        ++ticks;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QProgressDialog*>(widget);
                dialog != nullptr && dialog->objectName() == QStringLiteral("LocalProgress") && dialog->isVisible()) {
                EXPECT_EQ(dialog->labelText(), QStringLiteral("Deleting /data/big"));
                EXPECT_TRUE(dialog->isModal() || dialog->windowModality() != Qt::NonModal);
                dialog->findChild<QPushButton*>()->click();
                clicked = true;
            }
    });
    user.start(5);

    CLocalProgress progress(&window, QStringLiteral("Deleting /data/big"));
    EXPECT_FALSE(progress.Canceled());   // at once: no window yet, nothing to cancel
    QElapsedTimer limit;
    limit.start();
    int steps = 0;
    while (!progress.Canceled() && limit.elapsed() < 10000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));   // a step of the work
        ++steps;
    }
    EXPECT_TRUE(clicked);
    EXPECT_TRUE(progress.WasCanceled());
    EXPECT_TRUE(progress.Canceled());   // stays so for the rest of the walk
    EXPECT_GT(ticks, 3);                // the window was served meanwhile
    EXPECT_GT(steps, 0);
}
