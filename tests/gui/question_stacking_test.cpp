// Questions and notices during a transfer open on the Status window, which
// stays on top of everything else; otherwise a window manager may put them
// behind it and the transfer seems to hang.
#include "app/GuiPrompts.h"
#include "transfer/MessageDlg.h"
#include "transfer/QuestionParent.h"
#include "transfer/StatusDialogProxy.h"
#include "transfer/StatusDlg.h"

#include "DialogDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {

constexpr int kWaitMs = 10000;

// Where a dialog was when it was answered.
struct Seen {
    bool answered = false;
    QWidget* parent = nullptr;
    QWindow* transientParent = nullptr;
    bool staysOnTop = false;
};

void Record(QDialog& dialog, Seen& seen)
{
    seen.answered = true;
    seen.parent = dialog.parentWidget();
    seen.transientParent = dialog.windowHandle() != nullptr ? dialog.windowHandle()->transientParent() : nullptr;
    seen.staysOnTop = dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

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

// A worker with its Status window, as a Get or a Put holds one; its questions
// go through the program's own prompts.
class QuestionStackingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Windows of earlier tests close within a refresh period or two.
        ASSERT_TRUE(QTest::qWaitFor([] { return StatusWindow(false) == nullptr; }, kWaitMs));
        m_mainWindow.resize(400, 300);
        m_mainWindow.show();
        m_prompts.SetMainWindow(&m_mainWindow);
    }

    void TearDown() override
    {
        m_status.reset();
        EXPECT_TRUE(QTest::qWaitFor([] { return StatusWindow(false) == nullptr; }, kWaitMs));
    }

    // Opens the window as a worker does: from another thread, by a posted call.
    CStatusDlg* OpenStatusFromWorker()
    {
        std::thread([this] {
            m_status = m_factory.CreateStatusDialog("Getting data from the remote site, please wait...", &m_cancel);
        }).join();
        EXPECT_TRUE(QTest::qWaitFor([] { return StatusWindow(true) != nullptr; }, kWaitMs));
        return StatusWindow(true);
    }

    // The worker asks and blocks while the GUI thread shows the box.
    MsgResult AskFromWorker(const std::string& text, MsgButtons buttons)
    {
        MsgResult result = MsgResult::Cancel;
        std::atomic<bool> done{false};
        std::jthread worker([&] {
            result = m_prompts.MessageBox(text, buttons, MsgIcon::None);
            done = true;
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, kWaitMs));
        return result;
    }

    QWidget m_mainWindow;
    CGuiPrompts m_prompts;
    CStatusDialogFactory m_factory;
    std::atomic<int32_t> m_cancel{0};
    std::unique_ptr<IStatusDialog> m_status;
};

} // namespace

// No Status window, or one whose worker has already let go: the main window.
TEST_F(QuestionStackingTest, WithoutARunningStatusWindowQuestionsOpenOnTheMainWindow)
{
    EXPECT_EQ(QuestionParent(&m_mainWindow), &m_mainWindow);
    Seen before;
    AnswerNextDialog<QMessageBox>([&](QMessageBox& box) {
        Record(box, before);
        box.button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(AskFromWorker("Have successfully received 1 of total 1 files", MsgButtons::Ok), MsgResult::Ok);
    ASSERT_TRUE(before.answered);
    EXPECT_EQ(before.parent, &m_mainWindow);
    EXPECT_FALSE(before.staysOnTop);

    CStatusDlg* status = OpenStatusFromWorker();
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(QuestionParent(&m_mainWindow), status);
    // The end message right after the worker let go: the window is still on
    // screen until its next refresh, but it is about to close.
    m_status.reset();
    EXPECT_EQ(QuestionParent(&m_mainWindow), &m_mainWindow);
    Seen after;
    AnswerNextDialog<QMessageBox>([&](QMessageBox& box) {
        Record(box, after);
        box.button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(AskFromWorker("Have successfully sent 1 of total 1 files", MsgButtons::Ok), MsgResult::Ok);
    ASSERT_TRUE(after.answered);
    EXPECT_EQ(after.parent, &m_mainWindow);
}

// A notice that the GUI thread opened on the Status window while the worker
// ran stays open, and answerable, after the worker lets go.
TEST_F(QuestionStackingTest, AQuestionOnTheStatusWindowOutlivesTheEndOfTheTransfer)
{
    QPointer<CStatusDlg> status = OpenStatusFromWorker();
    ASSERT_FALSE(status.isNull());

    bool stillOpen = false;
    bool stacked = false;
    Seen seen;
    AnswerNextDialog<QMessageBox>([&](QMessageBox& box) {
        Record(box, seen);
        // Stacked on the Status window, which stays above the other windows.
        stacked = !status.isNull() && seen.transientParent == status->windowHandle() && seen.staysOnTop &&
                  status->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        QPointer<QMessageBox> watched = &box;
        m_status.reset();
        // The window's refresh has seen the worker go: it hides, and stays
        // for the question.
        (void)QTest::qWaitFor([&] { return status.isNull() || !status->isVisible(); }, kWaitMs);
        stillOpen = !watched.isNull() && watched->isVisible() && !status.isNull();
        if (!watched.isNull())
            watched->button(QMessageBox::Yes)->click();
    });
    const MsgResult result = m_prompts.MessageBox("Do you want to go on?", MsgButtons::YesNo, MsgIcon::Question);
    ASSERT_TRUE(seen.answered);
    EXPECT_EQ(seen.parent, status.data());
    EXPECT_TRUE(stacked);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(result, MsgResult::Yes);
    // Once the question is answered the window goes.
    EXPECT_TRUE(QTest::qWaitFor([&] { return status.isNull(); }, kWaitMs));
}
