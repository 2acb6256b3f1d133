#include "help/HelpDialogs.h"
#include "help/HelpTexts.h"
#include "ui/MainFrame.h"

#include "DialogDriver.h"
#include "GuiProgram.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <functional>
#include <sstream>
#include <unistd.h>

namespace {

// The Show functions are modal on their parent: they return once the dialog
// is closed, and leave nothing behind.
TEST(HelpDialogsTest, ShowFunctionsOpenOnTheParentAndReturnWhenClosed)
{
    const std::vector<std::pair<const char*, std::function<void(QWidget*)>>> shows = {
        {"CAboutDlg", ShowAboutDialog}, {"CReadMeDlg", ShowReadMeDialog}, {"CLicenseDlg", ShowLicenseDialog}};
    for (const auto& [kind, show] : shows) {
        QWidget parent;
        QString seen;
        AnswerNextDialog<QDialog>([&](QDialog& dialog) {
            seen = QString::fromLatin1(dialog.metaObject()->className());
            EXPECT_EQ(dialog.parentWidget(), &parent);
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        show(&parent);
        EXPECT_EQ(seen, QString::fromLatin1(kind));
        EXPECT_TRUE(parent.findChildren<QDialog*>().isEmpty()) << kind;
    }
}

TEST(HelpDialogsTest, TheTextsCannotBeEditedAndOkCloses)
{
    for (CTextInfoDlg* made : std::initializer_list<CTextInfoDlg*>{new CReadMeDlg, new CLicenseDlg}) {
        std::unique_ptr<CTextInfoDlg> dialog(made);
        QPlainTextEdit* text = dialog->TextField();
        const QString shown = text->toPlainText();
        ASSERT_FALSE(shown.isEmpty());
        dialog->open();
        text->setFocus();
        QTest::keyClicks(text, QStringLiteral("typed"));
        QTest::keyClick(text, Qt::Key_Delete);
        QTest::keyClick(text, Qt::Key_Backspace);
        EXPECT_EQ(text->toPlainText(), shown);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
        EXPECT_FALSE(dialog->isVisible());
    }
}

std::string SourceTop() { return (std::filesystem::path(VAMLO_TEST_SUPPORT_DIR) / ".." / "..").string(); }

QString SourceReadMe()
{
    std::ifstream file(SourceTop() + "/README.md");
    std::ostringstream text;
    text << file.rdbuf();
    return QString::fromStdString(text.str());
}

// Both Read Me texts, the one in the Help menu and the one beside the
// sources, name the menu commands with the keys the window really gives them.
TEST(ReadMeTest, TheKeysBothReadMesNameAreTheCommandsOwn)
{
    GuiProgram program;
    program.BuildProgram();
    std::map<QString, QString> keyOf;   // command text without "&" and "..." -> its key
    for (const QAction* action : program.frame->findChildren<QAction*>()) {
        const QStringList parts = action->text().split(QLatin1Char('\t'));
        QString name = parts.front();
        name.remove(QLatin1Char('&'));
        name.remove(QStringLiteral("..."));
        const QString key = !action->shortcut().isEmpty() ? action->shortcut().toString() : parts.value(1);
        if (!key.isEmpty() || keyOf.count(name) == 0)
            keyOf[name] = key;
    }
    // "Edit > Site Manager... (Ctrl+M)", "View > Refresh (F5)"
    const QRegularExpression named(
        QStringLiteral("(?:File|Edit|View) > ([A-Z][A-Za-z ]*?)(?:\\.\\.\\.)? \\(((?:Ctrl\\+)?[A-Za-z0-9]+)[,)]"));
    for (QString text : {ReadMeText(), SourceReadMe()}) {
        text.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" "));
        int checked = 0;
        for (const QRegularExpressionMatch& match : named.globalMatch(text)) {
            ++checked;
            ASSERT_TRUE(keyOf.count(match.captured(1))) << match.captured(0).toStdString();
            EXPECT_EQ(keyOf[match.captured(1)], match.captured(2)) << match.captured(0).toStdString();
        }
        EXPECT_GE(checked, 2) << text.left(60).toStdString();
    }
}

// The set-up block of the sources' Read Me names the scripts that are there.
TEST(ReadMeTest, TheSetUpCommandsAreTheScriptsBesideIt)
{
    const std::string source = SourceReadMe().toStdString();
    const std::size_t open = source.find("```sh\n", source.find("## Set-up"));
    const std::size_t close = source.find("```", open + 6);
    ASSERT_NE(close, std::string::npos);
    std::istringstream block(source.substr(open + 6, close - open - 6));
    std::vector<std::string> commands;
    for (std::string line; std::getline(block, line);)
        if (!line.empty())
            commands.push_back(line.substr(0, line.find(' ')));
    EXPECT_EQ(commands, (std::vector<std::string>{"./run.sh", "./test.sh"}));
    for (const std::string& command : commands)
        EXPECT_EQ(access((SourceTop() + "/" + command).c_str(), X_OK), 0) << command;
}

} // namespace
