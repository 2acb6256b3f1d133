#include "services/GuiPrompts.h"
#include "transfer/ElidedLabel.h"
#include "transfer/MessageDlg.h"

#include "../DialogDriver.h"

#include <QInputDialog>
#include <QPushButton>
#include <gtest/gtest.h>

#include <thread>

namespace {

void Click(CMessageDlg* dialog, const char* button)
{
    QTest::mouseClick(dialog->findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
}

// One dialog shown again for every answer: each time it shows the new texts,
// as they are (a server's file name may look like markup).
TEST(MessageDlgTest, EveryWayOfAnsweringGivesItsResultAndChoice)
{
    const struct {
        const char* name;
        std::function<void(CMessageDlg*)> act;
        int result;
        int32_t choice;
    } cases[] = {
        {"Yes", [](CMessageDlg* d) { Click(d, "yesButton"); }, QDialog::Accepted, REPLACE_YES},
        {"Yes to All", [](CMessageDlg* d) { Click(d, "yesToAllButton"); }, QDialog::Accepted, REPLACE_YES_TO_ALL},
        {"No", [](CMessageDlg* d) { Click(d, "noButton"); }, QDialog::Accepted, REPLACE_NO},
        {"Cancel", [](CMessageDlg* d) { Click(d, "cancelButton"); }, QDialog::Rejected, REPLACE_NO_ANSWER},
        {"Escape", [](CMessageDlg* d) { QTest::keyClick(d, Qt::Key_Escape); }, QDialog::Rejected,
         REPLACE_NO_ANSWER},
        {"Enter", [](CMessageDlg* d) { QTest::keyClick(d, Qt::Key_Return); }, QDialog::Accepted, REPLACE_YES},
        {"Close", [](CMessageDlg* d) { d->close(); }, QDialog::Rejected, REPLACE_NO_ANSWER},
    };
    CMessageDlg dialog;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dialog.m_nChoice = REPLACE_NO_ANSWER;
        dialog.m_strMessage1 = QStringLiteral("The file <b>%1</b>.txt already exists.").arg(c.name);
        dialog.m_strMessage2 = QStringLiteral("Are you sure you want to replace this file?");
        dialog.open();
        const auto* message1 = dialog.findChild<CElidedLabel*>(QStringLiteral("message1"));
        EXPECT_EQ(message1->Text(), dialog.m_strMessage1);
        EXPECT_EQ(message1->DisplayedText(), dialog.m_strMessage1);
        EXPECT_EQ(dialog.findChild<CElidedLabel*>(QStringLiteral("message2"))->DisplayedText(), dialog.m_strMessage2);
        c.act(&dialog);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), c.result);
        EXPECT_EQ(dialog.m_nChoice, c.choice);
    }
}

TEST(AskReplaceQuestionTest, AParentThatGoesAwayWhileAskingMeansCancel)
{
    auto* parent = new QWidget;
    parent->show();
    bool asked = false;
    AnswerNextDialog<CMessageDlg>([&](CMessageDlg&) {
        asked = true;
        delete parent;
    });
    const ReplaceAnswer answer = AskReplaceQuestion(parent, QStringLiteral("The file d.txt already exists."),
                                                    QStringLiteral("Are you sure you want to replace this file?"));
    ASSERT_TRUE(asked);
    EXPECT_EQ(answer.result, DialogResult::Cancel);
    EXPECT_EQ(answer.choice, REPLACE_NO_ANSWER);
}

// The worker blocks in AskReplace while the GUI thread shows the dialog.
TEST(GuiPromptsAskReplaceTest, TheArrowReplacesTheWaitCursorWhileAsking)
{
    CGuiPrompts prompts;
    prompts.BeginWaitCursor();
    Qt::CursorShape shapeWhileAsking = Qt::WaitCursor;
    AnswerNextDialog<CMessageDlg>([&](CMessageDlg& d) {
        shapeWhileAsking = QApplication::overrideCursor()->shape();
        Click(&d, "yesButton");
    });
    ReplaceAnswer answer;
    std::atomic<bool> done{false};
    std::jthread worker([&] {
        answer = prompts.AskReplace("The file g.txt already exists.", "Are you sure you want to replace this file?");
        done = true;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 10000));
    EXPECT_EQ(answer.choice, REPLACE_YES);
    EXPECT_EQ(shapeWhileAsking, Qt::ArrowCursor);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    // The passphrase box as well.
    shapeWhileAsking = Qt::WaitCursor;
    AnswerNextDialog<QInputDialog>([&](QInputDialog& d) {
        shapeWhileAsking = QApplication::overrideCursor()->shape();
        d.reject();
    });
    std::string secret;
    prompts.AskSecret("Key passphrase", "Enter the passphrase:", secret);
    EXPECT_EQ(shapeWhileAsking, Qt::ArrowCursor);
    prompts.EndWaitCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
