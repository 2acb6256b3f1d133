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

// The Ftp Site Properties last: they show the site fields read-only.
const DialogKind kKinds[] = {
    {"Add Site", [] { return std::make_unique<CAddSiteDlg>(); }},
    {"Login Window", [] { return std::make_unique<CLoginDlg>(); }},
    {"Ftp Site Properties", [] { return std::make_unique<CSitePropertiesDlg>(); }},
};

struct Members {
    QString address, port, user, password, proxy, notes;
    int32_t savePassword, reconnect;
    bool operator==(const Members&) const = default;
};

const Members kFilled{QStringLiteral("ftp://ftp.example.com"), QStringLiteral("2121"), QStringLiteral("ann"),
                      QStringLiteral("s3cret"), QStringLiteral("proxy.example.com"),
                      QStringLiteral("first line\nsecond line"), 1, 0};

void Fill(CSiteInfoDlg& d, const Members& m)
{
    d.m_strAddress = m.address;
    d.m_strPort = m.port;
    d.m_strUserName = m.user;
    d.m_strPassword = m.password;
    d.m_strProxy = m.proxy;
    d.m_strNotes = m.notes;
    d.m_bSavePassword = m.savePassword;
    d.m_bReconnectAtLogon = m.reconnect;
}

Members Read(const CSiteInfoDlg& d)
{
    return {d.m_strAddress,  d.m_strPort,  d.m_strUserName,   d.m_strPassword,
            d.m_strProxy,    d.m_strNotes, d.m_bSavePassword, d.m_bReconnectAtLogon};
}

// What the controls show.
Members Shown(QWidget* d)
{
    return {Edit(d, "address")->text(), Edit(d, "port")->text(),  Edit(d, "userName")->text(),
            Edit(d, "password")->text(), Edit(d, "proxy")->text(), Notes(d)->toPlainText(),
            Check(d, "savePassword")->isChecked(), Check(d, "reconnectAtLogon")->isChecked()};
}

// What the user types into the controls.
void Type(QWidget* d, const Members& m)
{
    Edit(d, "address")->setText(m.address);
    Edit(d, "port")->setText(m.port);
    Edit(d, "userName")->setText(m.user);
    Edit(d, "password")->setText(m.password);
    Edit(d, "proxy")->setText(m.proxy);
    Notes(d)->setPlainText(m.notes);
    Check(d, "savePassword")->setChecked(m.savePassword != 0);
    Check(d, "reconnectAtLogon")->setChecked(m.reconnect != 0);
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

TEST(SiteInfoDialogsTest, ShowTheMembersAndTakeTheControlsBackOnlyOnOk)
{
    const Members typed{QStringLiteral("ftp.other.org"), QStringLiteral("21"), QStringLiteral("bob"),
                        QStringLiteral("pw"), QString(), QStringLiteral("changed"), 0, 1};
    for (const DialogKind& kind : kKinds) {
        for (const char* button : {"okButton", "cancelButton", "Escape"}) {
            SCOPED_TRACE(std::string(kind.title) + " " + button);
            auto dialog = kind.make();
            Fill(*dialog, kFilled);
            dialog->open();
            EXPECT_EQ(Shown(dialog.get()), kFilled);
            EXPECT_EQ(Edit(dialog.get(), "password")->echoMode(), QLineEdit::Password);
            Type(dialog.get(), typed);
            const bool ok = button == std::string("okButton");
            if (button == std::string("Escape"))
                QTest::keyClick(dialog.get(), Qt::Key_Escape);
            else
                Click(dialog.get(), button);
            EXPECT_FALSE(dialog->isVisible());
            EXPECT_EQ(dialog->result(), ok ? QDialog::Accepted : QDialog::Rejected);
            // The properties take only the notes; see below.
            EXPECT_TRUE((&kind == &kKinds[2] && ok) || Read(*dialog) == (ok ? typed : kFilled));
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

// Characters are counted, not UTF-16 units; a line break is one.
TEST(SiteInfoDialogsTest, NotesOfTwoHundredCharactersAreAcceptedAndMoreKeepTheDialogOpen)
{
    const QString exactly200 = QString(100, QLatin1Char('a')) + QLatin1Char('\n') + QString(98, QLatin1Char('b')) +
                               QString::fromUtf8("\xF0\x9F\x93\x81");
    for (const DialogKind& kind : kKinds) {
        SCOPED_TRACE(kind.title);
        auto dialog = kind.make();
        dialog->m_strNotes = QStringLiteral("old");
        dialog->open();
        QPlainTextEdit* notes = Notes(dialog.get());

        notes->setPlainText(exactly200 + QLatin1Char('n'));
        Edit(dialog.get(), "port")->setFocus();
        QString text;
        EXPECT_EQ(MessageBoxesDuring([&] { Click(dialog.get(), "okButton"); }, &text), 1);
        EXPECT_EQ(text, QStringLiteral("The notes can hold at most 200 characters."));
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->focusWidget(), notes);
        EXPECT_EQ(dialog->m_strNotes, QStringLiteral("old"));

        notes->setPlainText(exactly200);
        EXPECT_EQ(MessageBoxesDuring([&] { Click(dialog.get(), "okButton"); }), 0);
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(dialog->m_strNotes, exactly200);
    }
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

// Only a read-only flag of exactly 1 counts; then, as in the Ftp Site
// Properties, only the notes can be changed.
TEST(SiteInfoDialogsTest, ReadOnlyLetsOnlyTheNotesChange)
{
    const char* const fields[] = {"address", "port", "userName", "password", "proxy"};
    for (const DialogKind& kind : kKinds) {
        for (int32_t readOnly : {1, 2}) {
            SCOPED_TRACE(std::string(kind.title) + " " + std::to_string(readOnly));
            auto dialog = kind.make();
            const bool properties = &kind == &kKinds[2];
            if (!properties)
                static_cast<CEditableSiteInfoDlg*>(dialog.get())->m_bReadOnly = readOnly;
            const bool locked = properties || readOnly == 1;
            Fill(*dialog, kFilled);
            dialog->open();
            for (const char* name : fields) {
                QLineEdit* edit = Edit(dialog.get(), name);
                // The properties keep their text selectable.
                EXPECT_EQ(edit->isEnabled() && !edit->isReadOnly(), !locked) << name;
                EXPECT_EQ(edit->isEnabled(), properties || !locked) << name;
            }
            EXPECT_EQ(Check(dialog.get(), "savePassword")->isEnabled(), !locked);
            EXPECT_EQ(Check(dialog.get(), "reconnectAtLogon")->isEnabled(), !locked);

            QTest::keyClicks(Edit(dialog.get(), "address"), QStringLiteral("typed"));
            Check(dialog.get(), "savePassword")->click();
            QPlainTextEdit* notes = Notes(dialog.get());
            notes->setFocus();
            notes->moveCursor(QTextCursor::End);
            QTest::keyClicks(notes, QStringLiteral(" and more"));
            Click(dialog.get(), "okButton");
            Members expected = kFilled;
            expected.notes = QStringLiteral("first line\nsecond line and more");
            if (!locked) {
                expected.address += QStringLiteral("typed");
                expected.savePassword = 0;
            }
            EXPECT_EQ(Read(*dialog), expected);
            if (properties)
                break;
        }
    }
}

} // namespace
