#include "transfer/ElidedLabel.h"
#include "transfer/StatusDialogChannel.h"
#include "transfer/StatusDialogProxy.h"
#include "transfer/StatusDlg.h"

#include <QPointer>
#include <QProgressBar>
#include <QTest>
#include <gtest/gtest.h>

// The figures a worker hands over appear under the bars, and the texts above
// keep their places.
TEST(StatusDlgFigures, ShowBelowTheBarsWhatTheWorkerSent)
{
    std::atomic<int32_t> cancel{0};
    auto channel = std::make_shared<CStatusDialogChannel>(&cancel);
    QPointer<CStatusDlg> dialog = new CStatusDlg(channel);
    dialog->show();
    {
        CStatusDialogProxy proxy(channel);
        proxy.SetMessages("Getting file: /big.bin", "Received 12800 kb of total 65536 kb");
        proxy.SetMessage3("1 of total 3 files have been received from the remote site ftp://h");
        proxy.StepOverall();
        proxy.SetFigures("12.5 MiB of 64.0 MiB at 3.1 MiB/s, 0:17 left", "All files: 40.0 MiB of 200.0 MiB, 0:52 left");
        const auto label = [&](const char* name) {
            return dialog->findChild<CElidedLabel*>(QString::fromLatin1(name));
        };
        ASSERT_TRUE(QTest::qWaitFor([&] { return !label("actionFigures")->Text().isEmpty(); }, 10000));
        EXPECT_EQ(label("fileFigures")->Text(), QStringLiteral("12.5 MiB of 64.0 MiB at 3.1 MiB/s, 0:17 left"));
        EXPECT_EQ(label("actionFigures")->Text(), QStringLiteral("All files: 40.0 MiB of 200.0 MiB, 0:52 left"));
        EXPECT_EQ(label("message2")->Text(), QStringLiteral("Received 12800 kb of total 65536 kb"));
        const int overallBottom = dialog->findChild<QProgressBar*>(QStringLiteral("overallBar"))->geometry().bottom();
        EXPECT_GT(label("fileFigures")->geometry().top(), overallBottom);
        EXPECT_GT(label("actionFigures")->geometry().top(), label("fileFigures")->geometry().top());
        EXPECT_TRUE(label("actionFigures")->isVisible());
    }
    // The proxy has gone: the window closes itself.
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.isNull(); }, 10000));
}
