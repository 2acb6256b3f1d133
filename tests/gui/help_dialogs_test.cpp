#include "help/HelpDialogs.h"
#include "help/HelpTexts.h"
#include "log/CourierFont.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>

namespace {

QStringList LabelTexts(QWidget* dialog)
{
    QStringList texts;
    for (QLabel* label : dialog->findChildren<QLabel*>())
        texts << label->text();
    return texts;
}

TEST(HelpDialogsTest, AboutShowsNameVersionAndLicense)
{
    CAboutDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About Vamlo"));
    const QString all = LabelTexts(&dialog).join(QLatin1Char('\n'));
    EXPECT_TRUE(all.contains(QStringLiteral("Vamlo Version 1.40"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("MIT License"))) << all.toStdString();
    dialog.open();
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

struct TextDialogCase {
    const char* title;
    std::function<CTextInfoDlg*()> make;
    std::vector<const char*> mustContain;
};

TEST(HelpDialogsTest, ReadMeAndLicenseShowTheirTextsReadOnlyInCourier)
{
    const std::vector<TextDialogCase> cases = {
        {"Read Me",
         [] { return new CReadMeDlg; },
         {"FTP Site Address:", "Copy", "Paste", "through Vamlo's temporary folder", "Site Manager", "Status Log AutoSave", "Log View AutoRefresh"}},
        {"License",
         [] { return new CLicenseDlg; },
         {"MIT License", "Copyright (c) 2026 Brisk Orchard Corp", "THE SOFTWARE IS PROVIDED \"AS IS\""}},
    };
    for (const TextDialogCase& c : cases) {
        std::unique_ptr<CTextInfoDlg> dialog(c.make());
        EXPECT_EQ(dialog->windowTitle(), QString::fromLatin1(c.title));
        QPlainTextEdit* text = dialog->TextField();
        ASSERT_EQ(text, dialog->findChild<QPlainTextEdit*>(QStringLiteral("text")));
        const QString shown = text->toPlainText();
        for (const char* part : c.mustContain)
            EXPECT_TRUE(shown.contains(QString::fromLatin1(part))) << c.title << ": " << part;
        EXPECT_EQ(text->font().family(), CourierFont().family());

        dialog->open();
        EXPECT_TRUE(text->isReadOnly());
        text->setFocus();
        QTest::keyClicks(text, QStringLiteral("typed"));
        QTest::keyClick(text, Qt::Key_Delete);
        QTest::keyClick(text, Qt::Key_Backspace);
        EXPECT_EQ(text->toPlainText(), shown) << c.title;
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
        EXPECT_FALSE(dialog->isVisible()) << c.title;
    }
}

// The Show functions are modal: they return once the dialog is closed.
TEST(HelpDialogsTest, ShowFunctionsReturnWhenTheDialogIsClosed)
{
    const std::vector<std::pair<QString, std::function<void(QWidget*)>>> shows = {
        {QStringLiteral("About Vamlo"), ShowAboutDialog},
        {QStringLiteral("Read Me"), ShowReadMeDialog},
        {QStringLiteral("License"), ShowLicenseDialog},
    };
    for (const auto& [title, show] : shows) {
        QWidget parent;
        QString seen;
        QTimer timer;
        int ticks = 0;
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (++ticks > 1000) {
                timer.stop();
                return;
            }
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QDialog*>(widget);
                if (dialog == nullptr || !dialog->isVisible())
                    continue;
                timer.stop();
                seen = dialog->windowTitle();
                EXPECT_EQ(dialog->parentWidget(), &parent);
                QTest::keyClick(dialog, Qt::Key_Escape);
                return;
            }
        });
        timer.start();
        show(&parent);
        EXPECT_EQ(seen, title);
        EXPECT_TRUE(parent.findChildren<QDialog*>().isEmpty()) << title.toStdString();
    }
}

// Both Read Me texts, the one in the Help menu and the one beside the
// sources, say plainly what this version cannot do yet and promise nothing of
// it; the sources' one names exactly two set-up commands.
std::string SourceReadMe()
{
    std::ifstream file(std::filesystem::path(VAMLO_TEST_SUPPORT_DIR) / ".." / ".." / "README.md");
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Joined into one line, so that a sentence is found across line breaks.
std::string OneLine(std::string text)
{
    return std::regex_replace(text, std::regex("\\s+"), " ");
}

TEST(ReadMeTest, PromisesOnlyWhatThisVersionDoes)
{
    const std::string source = SourceReadMe();
    ASSERT_FALSE(source.empty());
    for (const std::string& text : {OneLine(ReadMeText().toStdString()), OneLine(source)}) {
        // Everything is in this version: nothing is said to be missing.
        for (const char* missing : {"Not in this version yet", "not available yet", "cannot yet"})
            EXPECT_EQ(text.find(missing), std::string::npos) << missing;
        for (const char* present : {"Site Manager", "Ctrl+M", "Save Window As", "Print Window", "Refresh (F5)",
                                    "Up One Level", "Backspace", "Edit > Delete", "Escape", "New Directory...",
                                    "temporary folder", "ftpes://", "Encrypted (TLS)"})
            EXPECT_NE(text.find(present), std::string::npos) << present;
    }

    // The commands in the set-up block.
    const std::size_t setUp = source.find("## Set-up");
    ASSERT_NE(setUp, std::string::npos);
    const std::size_t open = source.find("```sh\n", setUp);
    const std::size_t close = source.find("```", open + 6);
    ASSERT_NE(close, std::string::npos);
    std::istringstream block(source.substr(open + 6, close - open - 6));
    std::vector<std::string> commands;
    for (std::string line; std::getline(block, line);)
        if (!line.empty())
            commands.push_back(line.substr(0, line.find(' ')));
    EXPECT_EQ(commands, (std::vector<std::string>{"./run.sh", "./test.sh"}));
}

} // namespace
