#include "help/HelpDialogs.h"
#include "help/HelpTexts.h"

#include "../DialogDriver.h"
#include "../GuiProgram.h"

#include <QAction>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <map>

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

QString SourceReadMe()
{
    QFile file(QStringLiteral(VAMLO_TEST_SUPPORT_DIR "/../../README.md"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
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

} // namespace
