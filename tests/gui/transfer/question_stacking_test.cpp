// Questions and notices during a transfer open on the Status window, which
// stays on top of everything else; otherwise a window manager may put them
// behind it and the transfer seems to hang. The questions of a real Get are
// walked in the paste road test; here the edges of the window's life.
#include "services/GuiPrompts.h"
#include "transfer/QuestionParent.h"
#include "transfer/StatusDialogProxy.h"
#include "transfer/StatusDlg.h"

#include "../DialogDriver.h"

#include <QMessageBox>
#include <QPushButton>
#include <QWindow>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

constexpr int kWaitMs = 10000;

// runningOnly: one that a worker holds; otherwise any on screen, also one
// about to close.
CStatusDlg* StatusWindow(bool runningOnly)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* status = qobject_cast<CStatusDlg*>(widget);
        if (status != nullptr && (runningOnly ? status->TakesQuestions() : status->isVisible()))
            return status;
    }
    return nullptr;
}

} // namespace

// A worker with its Status window, as a Get or a Put holds one; its questions
// go through the program's own prompts. No Status window, or one whose worker
// has already let go: the main window. A question the GUI thread opened on the
// Status window while the worker ran stays open, and answerable, after the
// worker lets go.
TEST(QuestionStackingTest, QuestionsOpenOnTheStatusWindowOnlyWhileItsWorkerHoldsIt)
{
    // Windows of earlier tests close within a refresh period or two.
    ASSERT_TRUE(QTest::qWaitFor([] { return StatusWindow(false) == nullptr; }, kWaitMs));
    QWidget mainWindow;
    mainWindow.resize(400, 300);
    mainWindow.show();
    CGuiPrompts prompts;
    prompts.SetMainWindow(&mainWindow);
    CStatusDialogFactory factory;
    CTransferCancel cancel;
    std::unique_ptr<IStatusDialog> worker;
    // Opens the window as a worker does: from another thread, by a posted call.
    const auto openStatusFromWorker = [&] {
        std::thread([&] {
            worker = factory.CreateStatusDialog("Getting data from the remote site, please wait...", &cancel, true);
        }).join();
        EXPECT_TRUE(QTest::qWaitFor([] { return StatusWindow(true) != nullptr; }, kWaitMs));
        return StatusWindow(true);
    };
    // The worker asks and blocks while the GUI thread shows the box; the
    // parent the box had, or nullptr when none came.
    const auto noticeFromWorkerOpensOn = [&](const std::string& text) {
        QWidget* parent = nullptr;
        AnswerNextDialog<QMessageBox>([&](QMessageBox& box) {
            parent = box.parentWidget();
            EXPECT_FALSE(box.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            box.button(QMessageBox::Ok)->click();
        });
        std::atomic<bool> done{false};
        std::jthread asking([&] {
            EXPECT_EQ(prompts.MessageBox(text, MsgButtons::Ok, MsgIcon::None), MsgResult::Ok);
            done = true;
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, kWaitMs));
        return parent;
    };

    EXPECT_EQ(noticeFromWorkerOpensOn("Have successfully received 1 of total 1 files"), &mainWindow);
    ASSERT_NE(openStatusFromWorker(), nullptr);
    // The end message right after the worker let go: the window is still on
    // screen until its next refresh, but it is about to close.
    worker.reset();
    EXPECT_EQ(QuestionParent(&mainWindow), &mainWindow);
    EXPECT_EQ(noticeFromWorkerOpensOn("Have successfully sent 1 of total 1 files"), &mainWindow);

    QPointer<CStatusDlg> status = openStatusFromWorker();
    ASSERT_FALSE(status.isNull());
    EXPECT_EQ(QuestionParent(&mainWindow), status.data());
    bool stacked = false;
    bool stillOpen = false;
    AnswerNextDialog<QMessageBox>([&](QMessageBox& box) {
        // Stacked on the Status window, which stays above the other windows.
        stacked = !status.isNull() && box.parentWidget() == status.data() && box.windowHandle() != nullptr &&
                  box.windowHandle()->transientParent() == status->windowHandle() &&
                  box.windowFlags().testFlag(Qt::WindowStaysOnTopHint) &&
                  status->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        QPointer<QMessageBox> watched = &box;
        worker.reset();
        // The window's refresh has seen the worker go: it hides, and stays
        // for the question.
        (void)QTest::qWaitFor([&] { return status.isNull() || !status->isVisible(); }, kWaitMs);
        stillOpen = !watched.isNull() && watched->isVisible() && !status.isNull();
        if (!watched.isNull())
            watched->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(prompts.MessageBox("Do you want to go on?", MsgButtons::YesNo, MsgIcon::Question), MsgResult::Yes);
    EXPECT_TRUE(stacked);
    EXPECT_TRUE(stillOpen);
    // Once the question is answered the window goes.
    EXPECT_TRUE(QTest::qWaitFor([&] { return status.isNull(); }, kWaitMs));
}
