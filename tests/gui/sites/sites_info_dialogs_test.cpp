#include "../DialogDriver.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

template <typename T>
T* Find(QWidget* dialog, const char* name)
{
    T* widget = dialog->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

QLineEdit* Edit(QWidget* d, const char* name) { return Find<QLineEdit>(d, name); }
QCheckBox* Check(QWidget* d, const char* name) { return Find<QCheckBox>(d, name); }
QPlainTextEdit* Notes(QWidget* d) { return Find<QPlainTextEdit>(d, "notes"); }
void Click(QWidget* d, const char* button) { QTest::mouseClick(Find<QPushButton>(d, button), Qt::LeftButton); }

// The Ftp Site Properties last: they show the site fields read-only.
const std::function<std::unique_ptr<CSiteInfoDlg>()> kKinds[] = {
    [] { return std::make_unique<CAddSiteDlg>(); },
    [] { return std::make_unique<CLoginDlg>(); },
    [] { return std::make_unique<CSitePropertiesDlg>(); },
};

// Each control with the member it shows; digits only, as the port takes them.
const std::pair<const char*, QString CSiteInfoDlg::*> kEdits[] = {
    {"address", &CSiteInfoDlg::m_strAddress}, {"port", &CSiteInfoDlg::m_strPort},
    {"userName", &CSiteInfoDlg::m_strUserName}, {"password", &CSiteInfoDlg::m_strPassword},
    {"proxy", &CSiteInfoDlg::m_strProxy}};
const std::pair<const char*, int32_t CSiteInfoDlg::*> kChecks[] = {
    {"savePassword", &CSiteInfoDlg::m_bSavePassword}, {"reconnectAtLogon", &CSiteInfoDlg::m_bReconnectAtLogon}};

std::unique_ptr<CSiteInfoDlg> OpenFilled(const std::function<std::unique_ptr<CSiteInfoDlg>()>& make,
                                         int32_t readOnly = 0)
{
    std::unique_ptr<CSiteInfoDlg> dialog = make();
    if (auto* editable = dynamic_cast<CEditableSiteInfoDlg*>(dialog.get()))
        editable->m_bReadOnly = readOnly;
    for (int i = 0; i < 5; ++i)
        (*dialog).*kEdits[i].second = QString::number(1000 + i);
    dialog->m_bSavePassword = 1;
    dialog->m_strNotes = QStringLiteral("first line\nsecond line");
    dialog->open();
    return dialog;
}

// Every field shown, every field the user can change typed over, and only OK
// takes them back.
TEST(SiteInfoDialogsTest, ShowTheMembersAndTakeTheControlsBackOnlyOnOk)
{
    for (const auto& make : kKinds) {
        for (const char* button : {"okButton", "cancelButton", "Escape"}) {
            auto dialog = OpenFilled(make);
            SCOPED_TRACE(dialog->windowTitle().toStdString() + " " + button);
            // The properties take only the notes; see below.
            const bool ok = button == std::string("okButton");
            const bool takes = ok && &make != &kKinds[2];
            EXPECT_EQ(Edit(dialog.get(), "password")->echoMode(), QLineEdit::Password);
            for (const auto& [name, member] : kEdits) {
                EXPECT_EQ(Edit(dialog.get(), name)->text(), (*dialog).*member) << name;
                if (!Edit(dialog.get(), name)->isReadOnly())
                    Edit(dialog.get(), name)->setText(QStringLiteral("42"));
            }
            for (const auto& [name, member] : kChecks) {
                EXPECT_EQ(Check(dialog.get(), name)->isChecked(), (*dialog).*member == 1) << name;
                Check(dialog.get(), name)->click();
            }
            EXPECT_EQ(Notes(dialog.get())->toPlainText(), QStringLiteral("first line\nsecond line"));
            Notes(dialog.get())->setPlainText(QStringLiteral("changed"));
            if (button == std::string("Escape"))
                QTest::keyClick(dialog.get(), Qt::Key_Escape);
            else
                Click(dialog.get(), button);
            EXPECT_FALSE(dialog->isVisible());
            EXPECT_EQ(dialog->result(), ok ? QDialog::Accepted : QDialog::Rejected);
            for (int i = 0; i < 5; ++i)
                EXPECT_EQ((*dialog).*kEdits[i].second, takes ? QStringLiteral("42") : QString::number(1000 + i));
            EXPECT_EQ(dialog->m_bSavePassword, takes ? 0 : 1);
            EXPECT_EQ(dialog->m_bReconnectAtLogon, takes ? 1 : 0);
            EXPECT_EQ(dialog->m_strNotes, ok ? QStringLiteral("changed") : QStringLiteral("first line\nsecond line"));
        }
    }
}

// Runs step, closing with OK every message box it opens; how many opened,
// and the text of the last one.
int MessageBoxesDuring(const std::function<void()>& step, QString* text = nullptr)
{
    int boxes = 0;
    QPointer<QTimer> watch = AnswerNextDialog<QMessageBox>([&](QMessageBox& box) {
        ++boxes;
        if (text != nullptr)
            *text = box.text();
        box.button(QMessageBox::Ok)->click();
    });
    step();
    delete watch;
    return boxes;
}

// Characters are counted, not UTF-16 units; a line break is one. Notes the
// user left alone come back as they were written, line ends and all.
TEST(SiteInfoDialogsTest, NotesOfTwoHundredCharactersAreAcceptedAndMoreKeepTheDialogOpen)
{
    const QString exactly200 = QString(100, QLatin1Char('a')) + QLatin1Char('\n') + QString(98, QLatin1Char('b')) +
                               QString::fromUtf8("\xF0\x9F\x93\x81");
    const QString old = QStringLiteral("written\r\non another system");
    for (const auto& make : kKinds) {
        auto dialog = make();
        SCOPED_TRACE(dialog->windowTitle().toStdString());
        dialog->m_strNotes = old;
        dialog->open();
        Click(dialog.get(), "okButton");
        EXPECT_EQ(dialog->m_strNotes, old);
        dialog->open();
        QPlainTextEdit* notes = Notes(dialog.get());

        notes->setPlainText(exactly200 + QLatin1Char('n'));
        Edit(dialog.get(), "port")->setFocus();
        QString text;
        EXPECT_EQ(MessageBoxesDuring([&] { Click(dialog.get(), "okButton"); }, &text), 1);
        EXPECT_EQ(text, QStringLiteral("The notes can hold at most 200 characters."));
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->focusWidget(), notes);
        EXPECT_EQ(dialog->m_strNotes, old);

        notes->setPlainText(exactly200);
        EXPECT_EQ(MessageBoxesDuring([&] { Click(dialog.get(), "okButton"); }), 0);
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(dialog->m_strNotes, exactly200);
    }
}

// Only a read-only flag of exactly 1 counts; then, as in the Ftp Site
// Properties (which keep their text selectable), only the notes can change.
TEST(SiteInfoDialogsTest, ReadOnlyLetsOnlyTheNotesChange)
{
    for (const auto& make : kKinds) {
        for (int32_t readOnly : {1, 2}) {
            auto dialog = OpenFilled(make, readOnly);
            SCOPED_TRACE(dialog->windowTitle().toStdString() + " " + std::to_string(readOnly));
            const bool properties = &make == &kKinds[2];
            const bool locked = properties || readOnly == 1;
            for (const auto& [name, member] : kEdits) {
                QLineEdit* edit = Edit(dialog.get(), name);
                EXPECT_EQ(edit->isEnabled() && !edit->isReadOnly(), !locked) << name;
                EXPECT_EQ(edit->isEnabled(), properties || !locked) << name;
            }
            for (const auto& [name, member] : kChecks)
                EXPECT_EQ(Check(dialog.get(), name)->isEnabled(), !locked) << name;

            // The port takes digits only.
            QTest::keyClicks(Edit(dialog.get(), "port"), QStringLiteral("a9-. "));
            Check(dialog.get(), "savePassword")->click();
            QPlainTextEdit* notes = Notes(dialog.get());
            notes->setFocus();
            notes->moveCursor(QTextCursor::End);
            QTest::keyClicks(notes, QStringLiteral(" and more"));
            Click(dialog.get(), "okButton");
            EXPECT_EQ(dialog->m_strPort, locked ? QStringLiteral("1001") : QStringLiteral("10019"));
            EXPECT_EQ(dialog->m_bSavePassword, locked ? 1 : 0);
            EXPECT_EQ(dialog->m_strNotes, QStringLiteral("first line\nsecond line and more"));
            if (properties)
                break;
        }
    }
}

// A port the dialog filled in follows the address as it is typed (22 for
// sftp://, or the address's own); a port of the user's own stays.
TEST(SiteInfoDialogsTest, APortNotTypedFollowsTheAddress)
{
    for (const auto& [port, typed, expected] : {std::tuple{"21", "sftp://h", "22"}, {"21", "ftp://h:2121", "2121"},
                                                 {"2121", "sftp://h", "2121"}}) {
        CLoginDlg dialog;
        dialog.m_strPort = QString::fromLatin1(port);
        dialog.open();
        QTest::keyClicks(Edit(&dialog, "address"), QString::fromLatin1(typed));
        EXPECT_EQ(Edit(&dialog, "port")->text(), QString::fromLatin1(expected)) << typed;
    }
}

} // namespace
