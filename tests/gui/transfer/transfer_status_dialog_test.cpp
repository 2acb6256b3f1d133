#include "transfer/ElidedLabel.h"
#include "transfer/StatusDialogChannel.h"
#include "transfer/StatusDialogProxy.h"
#include "transfer/StatusDlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <thread>

namespace {

constexpr int kWaitMs = 10000;

// Status windows that are still on screen.
std::vector<CStatusDlg*> OpenStatusWindows()
{
    std::vector<CStatusDlg*> found;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<CStatusDlg*>(widget);
        if (dialog != nullptr && dialog->isVisible())
            found.push_back(dialog);
    }
    return found;
}

// Counts the ticks of the program's timers slow enough to refresh a window at
// most a few tens of times a second: the clock a Status window may follow.
struct SlowTicks : QObject {
    SlowTicks() { QCoreApplication::instance()->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const auto* timer = qobject_cast<const QTimer*>(watched);
        count += event->type() == QEvent::Timer && timer != nullptr && timer->interval() >= 30 ? 1 : 0;
        return false;
    }
    int count = 0;
};

CElidedLabel* Label(QWidget* dialog, const char* name) { return dialog->findChild<CElidedLabel*>(name); }

QProgressBar* Bar(QWidget* dialog, const char* name) { return dialog->findChild<QProgressBar*>(name); }

// A window on its own channel, as the factory builds it; it deletes itself
// when the channel is detached at the end of the test.
class StatusDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_channel = std::make_shared<CStatusDialogChannel>(&m_cancel, true);
        m_dialog = new CStatusDlg(m_channel);
        m_dialog->show();
    }
    void TearDown() override
    {
        m_channel->Detach();
        EXPECT_TRUE(QTest::qWaitFor([&] { return m_dialog.isNull(); }, kWaitMs));
    }

    CTransferCancel m_cancel;
    std::shared_ptr<CStatusDialogChannel> m_channel;
    QPointer<CStatusDlg> m_dialog;
};

// Cancel, Escape and Close raise the flag but keep the window open: only the
// worker closes it. The figures appear under the bars, and the texts above
// keep their places; a long path is elided in the middle without widening the
// window.
TEST_F(StatusDlgTest, CancelKeepsTheWindowAndTextsBarsAndFiguresReachTheWidgets)
{
    auto* cancel = m_dialog->findChild<QPushButton*>(QStringLiteral("cancelButton"));
    ASSERT_NE(cancel, nullptr);

    // Enter must not cancel by accident, even with the button focused.
    cancel->setFocus();
    QTest::keyClick(m_dialog, Qt::Key_Return);
    EXPECT_EQ(m_cancel.load(), 0);

    const std::function<void()> ways[] = {[&] { QTest::mouseClick(cancel, Qt::LeftButton); },
                                          [&] { QTest::keyClick(m_dialog, Qt::Key_Escape); },
                                          [&] { EXPECT_FALSE(m_dialog->close()); }};
    for (const auto& cancelIt : ways) {
        m_cancel = 0;
        cancelIt();
        EXPECT_EQ(m_cancel.load(), 1);
        EXPECT_TRUE(m_dialog->isVisible());
    }

    const int width = m_dialog->width();
    std::string path = "/home/ann";
    for (int i = 0; i < 200; ++i)
        path += "/folder" + std::to_string(i);
    path += "/report-final.txt";
    m_channel->SetMessages("Getting File: " + path, "To: /home/ann/a.txt");
    m_channel->SetMessage3("1 of 4");
    m_channel->SetFileRange(10);
    m_channel->StepFile(3);
    m_channel->SetOverallRange(4);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return m_dialog.isNull() || Label(m_dialog, "message3")->Text() == "1 of 4"; }, kWaitMs));
    ASSERT_FALSE(m_dialog.isNull());
    EXPECT_TRUE(m_dialog->isVisible());
    EXPECT_EQ(Bar(m_dialog, "fileBar")->value(), 3);
    EXPECT_FALSE(Bar(m_dialog, "overallBar")->isVisible());

    m_channel->StepOverall();
    m_channel->StepFile(INT64_MAX);
    m_channel->SetFigures("12.5 MiB of 64.0 MiB at 3.1 MiB/s, 0:17 left", "All files: 40.0 MiB of 200.0 MiB");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Bar(m_dialog, "overallBar")->isVisible(); }, kWaitMs));
    // The layout has settled since.
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(Bar(m_dialog, "overallBar")->maximum(), 4);
    EXPECT_EQ(Bar(m_dialog, "overallBar")->value(), 1);
    // Clamped to the range, without overflow.
    EXPECT_EQ(Bar(m_dialog, "fileBar")->value(), 10);
    EXPECT_EQ(Label(m_dialog, "fileFigures")->Text(), QStringLiteral("12.5 MiB of 64.0 MiB at 3.1 MiB/s, 0:17 left"));
    EXPECT_EQ(Label(m_dialog, "actionFigures")->Text(), QStringLiteral("All files: 40.0 MiB of 200.0 MiB"));
    EXPECT_GT(Label(m_dialog, "fileFigures")->geometry().top(), Bar(m_dialog, "overallBar")->geometry().bottom());
    EXPECT_GT(Label(m_dialog, "actionFigures")->geometry().top(), Label(m_dialog, "fileFigures")->geometry().top());
    const CElidedLabel* label = Label(m_dialog, "message1");
    EXPECT_EQ(m_dialog->width(), width);
    EXPECT_EQ(label->Text(), QString::fromStdString("Getting File: " + path));
    EXPECT_TRUE(label->DisplayedText().startsWith(QStringLiteral("Getting File: /home")));
    EXPECT_TRUE(label->DisplayedText().endsWith(QStringLiteral("final.txt")));
    EXPECT_EQ(label->toolTip(), label->Text());

    // A new file starts its bar from zero; byte counts beyond int keep their
    // proportion; an empty range is an empty bar, not a busy animation.
    const int64_t tenGiB = int64_t{10} << 30;
    QProgressBar* bar = Bar(m_dialog, "fileBar");
    m_channel->SetFileRange(tenGiB);
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->value() == 0; }, kWaitMs));
    m_channel->StepFile(tenGiB / 4);
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->value() > 0; }, kWaitMs));
    EXPECT_NEAR(static_cast<double>(bar->value()) / bar->maximum(), 0.25, 0.001);
    m_channel->SetFileRange(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->value() == 0; }, kWaitMs));
    EXPECT_GT(bar->maximum(), bar->minimum());
}

TEST(StatusDialogChannelTest, CancelAfterTheWorkerLetGoReachesNothing)
{
    auto cancel = std::make_unique<CTransferCancel>();
    CStatusDialogChannel channel(cancel.get(), true);
    channel.RequestCancel();
    EXPECT_EQ(cancel->load(), 1);

    cancel->store(0);
    channel.Detach();
    EXPECT_TRUE(channel.IsDetached());
    // The worker's flag may be gone by now; ASan reports any write to it.
    cancel.reset();
    channel.RequestCancel();
}

TEST(StatusDialogProxyTest, AFloodOfWorkerCallsIsCoalescedAndLettingGoClosesTheWindow)
{
    ASSERT_TRUE(OpenStatusWindows().empty());
    constexpr int kSteps = 100000;
    CTransferCancel cancel;
    std::atomic<int> phase{0};
    CStatusDialogFactory factory;

    std::jthread worker([&] {
        auto status = factory.CreateStatusDialog("Getting data from the remote site, please wait...", &cancel, true);
        phase = 1;
        if (!QTest::qWaitFor([&] { return phase.load() >= 2; }, kWaitMs))
            return;
        status->SetMessages("Getting File: a", "To: b");
        status->SetFileRange(kSteps);
        status->SetOverallRange(kSteps);
        for (int i = 1; i <= kSteps; ++i) {
            status->StepFile();
            status->SetMessage3(std::to_string(i));
            status->SetFigures(std::to_string(i) + " B", "");
            if (i % 500 == 0)   // a worker between blocks: the flood spans many refresh ticks
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        status->StepOverall();
        phase = 3;
        (void)QTest::qWaitFor([&] { return phase.load() >= 4; }, kWaitMs);
        status.reset();
        phase = 5;
    });

    ASSERT_TRUE(QTest::qWaitFor([&] { return OpenStatusWindows().size() == 1; }, kWaitMs));
    QPointer<CStatusDlg> window = OpenStatusWindows().front();
    SlowTicks ticks;
    const int updatesBefore = window->UpdateCount();
    const int figuresBefore = window->FiguresUpdateCount();
    QElapsedTimer flood;
    flood.start();
    phase = 2;

    ASSERT_TRUE(QTest::qWaitFor([&] { return phase.load() >= 3; }, 6 * kWaitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Label(window, "message3")->Text() == QString::number(kSteps); }, kWaitMs));
    EXPECT_EQ(Bar(window, "fileBar")->value(), kSteps);
    const int updates = window->UpdateCount() - updatesBefore;
    EXPECT_GE(updates, 1);
    // 300,000 calls; the window takes only what its refresh ticks see, and
    // the speed line a few times a second of that; the last one still shows.
    EXPECT_LE(updates, ticks.count);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Label(window, "fileFigures")->Text() == QString::number(kSteps) + " B"; },
                                kWaitMs));
    EXPECT_LE(window->FiguresUpdateCount() - figuresBefore, flood.elapsed() / CStatusDlg::kFiguresMs + 1);

    // Cancel reaches the worker's flag while it holds the window.
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cancelButton")), Qt::LeftButton);
    EXPECT_EQ(cancel.load(), 1);

    phase = 4;
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, kWaitMs));
}

// A worker that lets go before its posted opening runs leaves no window; on
// the GUI thread, with nothing to post to, the window is made at once, here
// hidden until it is told to show.
TEST(StatusDialogProxyTest, TheWindowOpensOnlyWhileItsWorkerHoldsIt)
{
    CTransferCancel cancel;
    CStatusDialogFactory factory;
    std::thread([&] {
        auto status = factory.CreateStatusDialog("Sending data to the remote site, please wait...", &cancel, true);
        status->SetMessages("x", "y");
    }).join();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(OpenStatusWindows().empty());

    auto status = factory.CreateStatusDialog("Sending data to the remote site, please wait...", &cancel, false);
    EXPECT_TRUE(OpenStatusWindows().empty());
    status->SetMessages("Connecting to ftp site: ftp.example.org", "");
    status->Show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return OpenStatusWindows().size() == 1; }, kWaitMs));
    QPointer<CStatusDlg> window = OpenStatusWindows().front();
    EXPECT_EQ(Label(window, "message1")->Text(), QStringLiteral("Connecting to ftp site: ftp.example.org"));
    status.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, kWaitMs));
}

} // namespace
