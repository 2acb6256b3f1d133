#include "sites/SiteInfoDlg.h"

#include "DialogDriver.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

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

struct DialogKind {
    const char* title;
    std::function<std::unique_ptr<CSiteInfoDlg>()> make;
};

const std::vector<DialogKind>& AllKinds()
{
    static const std::vector<DialogKind> kinds = {
        {"Add Site", [] { return std::make_unique<CAddSiteDlg>(); }},
        {"Login Window", [] { return std::make_unique<CLoginDlg>(); }},
        {"Ftp Site Properties", [] { return std::make_unique<CSitePropertiesDlg>(); }},
    };
    return kinds;
}

void FillMembers(CSiteInfoDlg& d)
{
    d.m_strAddress = QStringLiteral("ftp://ftp.example.com");
    d.m_strPort = QStringLiteral("2121");
    d.m_strUserName = QStringLiteral("ann");
    d.m_strPassword = QStringLiteral("s3cret");
    d.m_bSavePassword = 1;
    d.m_strProxy = QStringLiteral("proxy.example.com");
    d.m_bReconnectAtLogon = 0;
    d.m_strNotes = QStringLiteral("first line\nsecond line");
}

struct Members {
    QString address, port, user, password, proxy, notes;
    int32_t savePassword, reconnect;
    bool operator==(const Members&) const = default;
};

Members Read(const CSiteInfoDlg& d)
{
    return {d.m_strAddress,  d.m_strPort,  d.m_strUserName,   d.m_strPassword,
            d.m_strProxy,    d.m_strNotes, d.m_bSavePassword, d.m_bReconnectAtLogon};
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

TEST(SiteInfoDialogsTest, OpenEmptyWithThePasswordHidden)
{
    for (const DialogKind& kind : AllKinds()) {
        auto dialog = kind.make();
        EXPECT_EQ(dialog->windowTitle(), QString::fromLatin1(kind.title));
        EXPECT_EQ(Edit(dialog.get(), "password")->echoMode(), QLineEdit::Password);
        EXPECT_EQ(Read(*dialog), (Members{{}, {}, {}, {}, {}, {}, 0, 0})) << kind.title;
    }
}

TEST(SiteInfoDialogsTest, ShowTheMembersAndTakeTheControlsBackOnOk)
{
    for (const DialogKind& kind : {AllKinds()[0], AllKinds()[1]}) {
        auto dialog = kind.make();
        FillMembers(*dialog);
        dialog->open();
        CSiteInfoDlg* d = dialog.get();
        EXPECT_EQ(Edit(d, "address")->text(), QStringLiteral("ftp://ftp.example.com"));
        EXPECT_EQ(Edit(d, "port")->text(), QStringLiteral("2121"));
        EXPECT_EQ(Edit(d, "userName")->text(), QStringLiteral("ann"));
        EXPECT_EQ(Edit(d, "password")->text(), QStringLiteral("s3cret"));
        EXPECT_TRUE(Check(d, "savePassword")->isChecked());
        EXPECT_EQ(Edit(d, "proxy")->text(), QStringLiteral("proxy.example.com"));
        EXPECT_FALSE(Check(d, "reconnectAtLogon")->isChecked());
        EXPECT_EQ(Notes(d)->toPlainText(), QStringLiteral("first line\nsecond line"));

        Edit(d, "address")->setText(QStringLiteral("ftp.other.org"));
        Edit(d, "port")->setText(QStringLiteral("21"));
        Edit(d, "userName")->setText(QStringLiteral("bob"));
        Edit(d, "password")->setText(QStringLiteral("pw"));
        Check(d, "savePassword")->setChecked(false);
        Edit(d, "proxy")->clear();
        Check(d, "reconnectAtLogon")->setChecked(true);
        Notes(d)->setPlainText(QStringLiteral("changed"));
        Click(d, "okButton");

        EXPECT_FALSE(d->isVisible()) << kind.title;
        EXPECT_EQ(d->result(), QDialog::Accepted);
        EXPECT_EQ(Read(*d), (Members{QStringLiteral("ftp.other.org"), QStringLiteral("21"), QStringLiteral("bob"),
                                     QStringLiteral("pw"), QString(), QStringLiteral("changed"), 0, 1}))
            << kind.title;
    }
}

TEST(SiteInfoDialogsTest, CancelOrEscapeLeaveTheMembersAsTheyWere)
{
    for (const DialogKind& kind : AllKinds()) {
        for (bool escape : {false, true}) {
            auto dialog = kind.make();
            FillMembers(*dialog);
            const Members before = Read(*dialog);
            dialog->open();
            Edit(dialog.get(), "address")->setText(QStringLiteral("changed"));
            Check(dialog.get(), "reconnectAtLogon")->setChecked(true);
            Notes(dialog.get())->setPlainText(QStringLiteral("changed notes"));
            if (escape)
                QTest::keyClick(dialog.get(), Qt::Key_Escape);
            else
                Click(dialog.get(), "cancelButton");
            EXPECT_FALSE(dialog->isVisible());
            EXPECT_EQ(dialog->result(), QDialog::Rejected);
            EXPECT_EQ(Read(*dialog), before) << kind.title;
        }
    }
}

TEST(SiteInfoDialogsTest, ThePortTakesDigitsOnlyAndMayStayEmpty)
{
    CAddSiteDlg dialog;
    dialog.m_strPort = QStringLiteral("21");
    dialog.open();
    QLineEdit* port = Edit(&dialog, "port");
    port->clear();
    QTest::keyClicks(port, QStringLiteral("2a1-b.2 "));
    EXPECT_EQ(port->text(), QStringLiteral("212"));
    port->clear();
    Click(&dialog, "okButton");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.m_strPort, QString());
}

TEST(SiteInfoDialogsTest, NotesOfTwoHundredCharactersAreAcceptedAndMoreKeepTheDialogOpen)
{
    for (const DialogKind& kind : AllKinds()) {
        auto dialog = kind.make();
        dialog->m_strNotes = QStringLiteral("old");
        dialog->open();
        QPlainTextEdit* notes = Notes(dialog.get());

        notes->setPlainText(QString(201, QLatin1Char('n')));
        Edit(dialog.get(), "port")->setFocus();
        QString text;
        EXPECT_EQ(MessageBoxesDuring([&] { Click(dialog.get(), "okButton"); }, &text), 1) << kind.title;
        EXPECT_EQ(text, QStringLiteral("The notes can hold at most 200 characters."));
        EXPECT_TRUE(dialog->isVisible()) << kind.title;
        EXPECT_EQ(dialog->focusWidget(), notes) << kind.title;
        EXPECT_EQ(dialog->m_strNotes, QStringLiteral("old"));

        // A line break counts as one character.
        const QString exactly200 = QString(100, QLatin1Char('a')) + QLatin1Char('\n') + QString(99, QLatin1Char('b'));
        notes->setPlainText(exactly200);
        EXPECT_EQ(MessageBoxesDuring([&] { Click(dialog.get(), "okButton"); }), 0) << kind.title;
        EXPECT_FALSE(dialog->isVisible()) << kind.title;
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(dialog->m_strNotes, exactly200);
    }
}

TEST(SiteInfoDialogsTest, NotesCountCharactersNotUtf16Units)
{
    CLoginDlg dialog;
    dialog.open();
    QString notes;
    for (int i = 0; i < 200; ++i)
        notes += QString::fromUtf8("\xF0\x9F\x93\x81");  // one character, two UTF-16 units
    Notes(&dialog)->setPlainText(notes);
    EXPECT_EQ(MessageBoxesDuring([&] { Click(&dialog, "okButton"); }), 0);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.m_strNotes, notes);
}

TEST(SiteInfoDialogsTest, NotesTheUserLeftAloneComeBackUnchanged)
{
    CSitePropertiesDlg dialog;
    dialog.m_strNotes = QStringLiteral("written\r\non another system");
    dialog.open();
    Click(&dialog, "okButton");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.m_strNotes, QStringLiteral("written\r\non another system"));
}

const char* const kSiteFields[] = {"address", "port", "userName", "password", "proxy"};
const char* const kSiteChecks[] = {"savePassword", "reconnectAtLogon"};

TEST(SiteInfoDialogsTest, ReadOnlyDisablesTheSiteFieldsButNotNotesOkAndCancel)
{
    for (const DialogKind& kind : {AllKinds()[0], AllKinds()[1]}) {
        auto dialog = kind.make();
        auto* editable = static_cast<CEditableSiteInfoDlg*>(dialog.get());
        FillMembers(*editable);
        for (int32_t readOnly : {1, 0, 2}) {
            editable->m_bReadOnly = readOnly;
            editable->open();
            // Only exactly 1 counts as set.
            const bool enabled = readOnly != 1;
            for (const char* name : kSiteFields)
                EXPECT_EQ(Edit(editable, name)->isEnabled(), enabled) << kind.title << " " << name << readOnly;
            for (const char* name : kSiteChecks)
                EXPECT_EQ(Check(editable, name)->isEnabled(), enabled) << kind.title << " " << name << readOnly;
            EXPECT_TRUE(Notes(editable)->isEnabled());
            EXPECT_FALSE(Notes(editable)->isReadOnly());
            EXPECT_TRUE(Find<QPushButton>(editable, "okButton")->isEnabled());
            EXPECT_TRUE(Find<QPushButton>(editable, "cancelButton")->isEnabled());
            editable->reject();
        }
    }
}

TEST(SiteInfoDialogsTest, ReadOnlyChangesOnlyTheNotes)
{
    CAddSiteDlg dialog;
    FillMembers(dialog);
    const Members before = Read(dialog);
    dialog.m_bReadOnly = 1;
    dialog.open();
    QTest::keyClicks(Edit(&dialog, "address"), QStringLiteral("typed"));
    QTest::mouseClick(Check(&dialog, "reconnectAtLogon"), Qt::LeftButton);
    Notes(&dialog)->setPlainText(QStringLiteral("new notes"));
    Click(&dialog, "okButton");
    Members expected = before;
    expected.notes = QStringLiteral("new notes");
    EXPECT_EQ(Read(dialog), expected);
}

TEST(SiteInfoDialogsTest, SitePropertiesShowTheFieldsReadOnlyAndEditOnlyTheNotes)
{
    CSitePropertiesDlg dialog;
    FillMembers(dialog);
    const Members before = Read(dialog);
    dialog.open();
    for (const char* name : kSiteFields) {
        EXPECT_TRUE(Edit(&dialog, name)->isReadOnly()) << name;
        EXPECT_TRUE(Edit(&dialog, name)->isEnabled()) << name;
    }
    for (const char* name : kSiteChecks)
        EXPECT_FALSE(Check(&dialog, name)->isEnabled()) << name;
    EXPECT_FALSE(Notes(&dialog)->isReadOnly());

    QTest::keyClicks(Edit(&dialog, "address"), QStringLiteral("typed"));
    QTest::keyClicks(Edit(&dialog, "port"), QStringLiteral("9"));
    QTest::mouseClick(Check(&dialog, "savePassword"), Qt::LeftButton);
    QPlainTextEdit* notes = Notes(&dialog);
    notes->setFocus();
    notes->moveCursor(QTextCursor::End);
    QTest::keyClicks(notes, QStringLiteral(" and more"));
    Click(&dialog, "okButton");

    Members expected = before;
    expected.notes = QStringLiteral("first line\nsecond line and more");
    EXPECT_EQ(Read(dialog), expected);
}

} // namespace
