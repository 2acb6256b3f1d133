#include "app/GuiPrompts.h"
#include "transfer/ElidedLabel.h"
#include "transfer/MessageDlg.h"

#include "DialogDriver.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace {

constexpr int kWaitMs = 10000;

CElidedLabel* Label(QWidget* dialog, const char* name)
{
    return dialog->findChild<CElidedLabel*>(QString::fromLatin1(name));
}

QPushButton* Button(QWidget* dialog, const char* name)
{
    return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
}

// Answers the next Message dialog with act, keeping what it showed.
struct Answerer {
    explicit Answerer(std::function<void(CMessageDlg*)> act)
    {
        watch = AnswerNextDialog<CMessageDlg>([this, act](CMessageDlg& dialog) {
            answered = true;
            title = dialog.windowTitle();
            seen1 = Label(&dialog, "message1")->Text();
            seen2 = Label(&dialog, "message2")->Text();
            act(&dialog);
        });
    }
    ~Answerer() { delete watch; }
    QPointer<QTimer> watch;
    bool answered = false;
    QString title, seen1, seen2;
};

std::function<void(CMessageDlg*)> Click(const char* button)
{
    return [button](CMessageDlg* dialog) { QTest::mouseClick(Button(dialog, button), Qt::LeftButton); };
}

struct AnswerCase {
    const char* name;
    std::function<void(CMessageDlg*)> act;
    int result;
    int32_t choice;
};

TEST(MessageDlgTest, EveryWayOfAnsweringGivesItsResultAndChoice)
{
    const std::vector<AnswerCase> cases = {
        {"Yes", Click("yesButton"), QDialog::Accepted, REPLACE_YES},
        {"Yes to All", Click("yesToAllButton"), QDialog::Accepted, REPLACE_YES_TO_ALL},
        {"No", Click("noButton"), QDialog::Accepted, REPLACE_NO},
        {"Cancel", Click("cancelButton"), QDialog::Rejected, REPLACE_NO_ANSWER},
        {"Escape", [](CMessageDlg* d) { QTest::keyClick(d, Qt::Key_Escape); }, QDialog::Rejected,
         REPLACE_NO_ANSWER},
        {"Enter", [](CMessageDlg* d) { QTest::keyClick(d, Qt::Key_Return); }, QDialog::Accepted, REPLACE_YES},
        {"Close", [](CMessageDlg* d) { d->close(); }, QDialog::Rejected, REPLACE_NO_ANSWER},
    };
    for (const AnswerCase& c : cases) {
        CMessageDlg dialog;
        EXPECT_EQ(dialog.m_nChoice, REPLACE_NO_ANSWER) << c.name;
        dialog.m_strMessage1 = QStringLiteral("The file /tmp/a.txt already exists.");
        dialog.m_strMessage2 = QStringLiteral("Are you sure you want to replace this file?");
        dialog.open();
        ASSERT_TRUE(dialog.isVisible()) << c.name;
        c.act(&dialog);
        EXPECT_FALSE(dialog.isVisible()) << c.name;
        EXPECT_EQ(dialog.result(), c.result) << c.name;
        EXPECT_EQ(dialog.m_nChoice, c.choice) << c.name;
    }
}

TEST(MessageDlgTest, ShowsBothMessagesAsPlainTextWithYesAsTheDefault)
{
    CMessageDlg dialog;
    EXPECT_TRUE(Button(&dialog, "yesButton")->isDefault());

    // A server's file name may look like markup; it is shown as it is.
    dialog.m_strMessage1 = QStringLiteral("The file <b>x</b>.txt already exists.");
    dialog.m_strMessage2 = QStringLiteral("Are you sure you want to replace this file?");
    dialog.open();
    EXPECT_EQ(Label(&dialog, "message1")->Text(), dialog.m_strMessage1);
    EXPECT_EQ(Label(&dialog, "message1")->DisplayedText(), dialog.m_strMessage1);
    EXPECT_EQ(Label(&dialog, "message2")->DisplayedText(), dialog.m_strMessage2);
    dialog.reject();

    // Shown again, it takes the new texts.
    dialog.m_strMessage1 = QStringLiteral("The file b.txt already exists.");
    dialog.open();
    EXPECT_EQ(Label(&dialog, "message1")->Text(), dialog.m_strMessage1);
    dialog.reject();
}

TEST(AskReplaceQuestionTest, AParentThatGoesAwayWhileAskingMeansCancel)
{
    auto* parent = new QWidget;
    parent->show();
    Answerer answerer([parent](CMessageDlg*) { delete parent; });
    const ReplaceAnswer answer = AskReplaceQuestion(parent, QStringLiteral("The file d.txt already exists."),
                                                    QStringLiteral("Are you sure you want to replace this file?"));
    ASSERT_TRUE(answerer.answered);
    EXPECT_EQ(answer.result, DialogResult::Cancel);
    EXPECT_EQ(answer.choice, REPLACE_NO_ANSWER);
}

// The worker blocks in AskReplace while the GUI thread shows the dialog.
ReplaceAnswer AskFromWorker(CGuiPrompts& prompts, Answerer& answerer, const std::string& message1)
{
    ReplaceAnswer answer;
    std::atomic<bool> done{false};
    std::jthread worker([&] {
        answer = prompts.AskReplace(message1, "Are you sure you want to replace this file?");
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, kWaitMs));
    EXPECT_TRUE(answerer.answered);
    return answer;
}

TEST(GuiPromptsAskReplaceTest, AWorkerGetsTheAnswerClickedOnTheGuiThread)
{
    CGuiPrompts prompts;
    QWidget mainWindow;
    prompts.SetMainWindow(&mainWindow);

    Answerer yesToAll(Click("yesToAllButton"));
    const ReplaceAnswer first = AskFromWorker(prompts, yesToAll, "The file /home/ann/e.txt already exists.");
    EXPECT_EQ(yesToAll.title, QStringLiteral("Message"));
    EXPECT_EQ(yesToAll.seen1, QStringLiteral("The file /home/ann/e.txt already exists."));
    EXPECT_EQ(yesToAll.seen2, QStringLiteral("Are you sure you want to replace this file?"));
    EXPECT_EQ(first.result, DialogResult::Ok);
    EXPECT_EQ(first.choice, REPLACE_YES_TO_ALL);

    Answerer escape([](CMessageDlg* d) { QTest::keyClick(d, Qt::Key_Escape); });
    const ReplaceAnswer second = AskFromWorker(prompts, escape, "The file f.txt already exists.");
    EXPECT_EQ(second.result, DialogResult::Cancel);
    EXPECT_EQ(second.choice, REPLACE_NO_ANSWER);
}

TEST(GuiPromptsAskReplaceTest, TheArrowReplacesTheWaitCursorWhileAsking)
{
    CGuiPrompts prompts;
    prompts.BeginWaitCursor();
    Qt::CursorShape shapeWhileAsking = Qt::WaitCursor;
    Answerer answerer([&](CMessageDlg* d) {
        shapeWhileAsking = QApplication::overrideCursor()->shape();
        QTest::mouseClick(Button(d, "yesButton"), Qt::LeftButton);
    });
    const ReplaceAnswer answer = AskFromWorker(prompts, answerer, "The file g.txt already exists.");
    EXPECT_EQ(answer.choice, REPLACE_YES);
    EXPECT_EQ(shapeWhileAsking, Qt::ArrowCursor);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    prompts.EndWaitCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
