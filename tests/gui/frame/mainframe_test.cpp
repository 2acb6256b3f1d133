#include "services/QtClipboard.h"
#include "app/SiteManagerChanges.h"
#include "model/SiteInfo.h"

#include "../DialogDriver.h"
#include "FtpServerFixture.h"
#include "../GuiProgram.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QStatusBar>
#include <gtest/gtest.h>
#include <QSpinBox>
#include <QTest>

namespace {

class MainFrameTest : public FtpServerFixture, protected GuiProgram {
protected:
    void SetUp() override
    {
        FtpServerFixture::SetUp();
        BuildProgram(&qtClipboard);
        ASSERT_EQ(doc->OnNewDocument(app.m_strSiteListPath), 1);
        frame->RefillAddressBox();
        frame->FillTransferModeBox();
    }

    void TearDown() override { TearDownProgram(); }

    std::string HostPort() const { return "127.0.0.1:" + std::to_string(m_server.Port()); }

    void TypeAddress(const QString& text)
    {
        frame->AddressBox()->setEditText(text);
        frame->OnAddressEntered();
        EXPECT_TRUE(WaitForNetIdle());
    }

    CQtClipboard qtClipboard;
};

} // namespace

// One Enter, one Login window: for a bare host, which becomes a saved site,
// and for that saved site once it is not connected, typed with a login in
// its address; that login fills the window and stays out of the address.
TEST_F(MainFrameTest, EnterInTheAddressBoxOpensOneLoginForANewOrASavedSite)
{
    frame->resize(1200, 700);   // the address box in view, not in the bar's overflow
    frame->show();
    QStringList logins;   // what each Login window opened with
    const auto enter = [&](const std::string& typed) {
        QPointer<QTimer> second;
        AnswerNextDialog<CLoginDlg>([&](CLoginDlg& dialog) {
            logins << dialog.findChild<QLineEdit*>(QStringLiteral("userName"))->text() + QLatin1Char(':') +
                          dialog.findChild<QLineEdit*>(QStringLiteral("password"))->text();
            // A second login would be the box picking the entry as well, once
            // this window takes the focus from it, as a window manager gives it.
            second = AnswerNextDialog<CLoginDlg>([&](CLoginDlg& again) { logins << QString(); again.reject(); });
            dialog.activateWindow();
            (void)QTest::qWaitForWindowActive(&dialog);
            Login(dialog, "user", "secret");
        });
        // As a user types: a click into the box of the active window, then the keys.
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        frame->statusBar()->clearMessage();
        QTest::mouseClick(frame->AddressBox()->lineEdit(), Qt::LeftButton);
        frame->AddressBox()->lineEdit()->clear();
        QTest::keyClicks(frame->AddressBox()->lineEdit(), QString::fromStdString(typed));
        QTest::keyClick(frame->AddressBox(), Qt::Key_Return);
        const QString connected = QString::fromStdString("Successfully connected to ftp site: ftp://" + HostPort());
        QTRY_COMPARE_WITH_TIMEOUT(frame->statusBar()->currentMessage(), connected, 10000);
        // A login the selection asked for would open before the actions end.
        ASSERT_TRUE(WaitForNetIdle());
        // Nor may the box pick the entry when it loses the focus to a window
        // coming up, as the small Cancel window of the next step does.
        QLineEdit other;
        other.show();
        QApplication::setActiveWindow(&other);
        ASSERT_TRUE(WaitForNetIdle());
        delete second;
    };
    enter(HostPort());
    const QString address = QString::fromStdString("ftp://" + HostPort());
    EXPECT_EQ(frame->AddressBox()->currentText(), address);
    EXPECT_EQ(frame->AddressBox()->itemText(0), address);
    ASSERT_EQ(frame->m_siteList.size(), 1u);
    EXPECT_EQ(frame->m_siteList.front()->m_strAddress, address.toStdString());
    EXPECT_EQ(frame->m_siteList.front()->m_bAvailable, 1);
    EXPECT_EQ(frame->m_siteList.front()->m_strPort, std::to_string(m_server.Port()));
    EXPECT_EQ(frame->m_bSiteListModified, 1);
    EXPECT_TRUE(prompts.Texts().empty());

    frame->m_siteList.front()->Disconnect();
    enter("ftp://anon:pw@" + HostPort());
    EXPECT_EQ(logins, (QStringList{QStringLiteral(":"), QStringLiteral("anon:pw")}));
    EXPECT_EQ(frame->m_siteList.size(), 1u);
    EXPECT_EQ(frame->AddressBox()->currentText(), address);

    // A record that a transfer holds is refused before any Login window.
    CVamloSiteInfo& site = *frame->m_siteList.front();
    site.Disconnect();
    QPointer<QTimer> login = AnswerNextDialog<CLoginDlg>([&](CLoginDlg& held) { logins << QString(); held.reject(); });
    {
        std::lock_guard<std::mutex> transfer(site.m_mutexInUse);
        TypeAddress(address);
    }
    delete login;   // it would have opened within the Enter's own handling
    EXPECT_EQ(logins.size(), 2);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{SiteBusyMessage(address.toStdString())});
    EXPECT_FALSE(site.m_pConnection);
}

// An invalid address, a Cancel on the login dialog, or a connect that fails
// at once adds no record; that failure shows its error alone: no window with
// Cancel comes up behind the box while the user reads it.
TEST_F(MainFrameTest, WhatDoesNotConnectLeavesTheSiteListAlone)
{
    TypeAddress(QStringLiteral("host:port"));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"The ftp site address \"ftp://host:port\" is invalid.\n"
                                                        "Please enter the ftp site address again!"});

    bool onUserName = false;
    AnswerNextDialog<CLoginDlg>([&](CLoginDlg& dialog) {
        // The address is given: the window starts on the user name.
        onUserName = dialog.focusWidget() == dialog.findChild<QLineEdit*>(QStringLiteral("userName"));
        dialog.reject();
    });
    const std::string address = "ftp://" + HostPort();
    TypeAddress(QString::fromStdString(address));
    EXPECT_TRUE(onUserName);
    EXPECT_TRUE(frame->m_siteList.empty());
    EXPECT_EQ(frame->m_bSiteListModified, 0);
    EXPECT_EQ(frame->AddressBox()->count(), 0);

    m_server.Stop();
    bool cancelWindow = false;
    prompts.WhileShown([&](const std::string&) { cancelWindow = WaitForProgressWindow(1000) != nullptr; });
    AnswerNextDialog<CLoginDlg>([](CLoginDlg& dialog) { Login(dialog, "user", "secret"); });
    TypeAddress(QString::fromStdString(address));
    EXPECT_FALSE(cancelWindow);
    EXPECT_EQ(frame->StatusText().toStdString(), "Failed to connect to ftp site: " + address);
    EXPECT_TRUE(frame->m_siteList.empty());
}

TEST_F(MainFrameTest, CtrlCInTheAddressBoxCopiesTextNotFiles)
{
    frame->show();
    // Even with the file Copy command live, the box keeps its own keys.
    QAction* copy = frame->Command(ID_EDIT_COPY);
    frame->SetCommandEnabler(ID_EDIT_COPY, [] { return true; });
    ASSERT_TRUE(copy->isEnabled());
    QSignalSpy fileCopies(copy, &QAction::triggered);
    QLineEdit* edit = frame->AddressBox()->lineEdit();
    edit->setText(QStringLiteral("ftp://example.org"));
    edit->setFocus();
    edit->selectAll();
    QApplication::processEvents();
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("ftp://example.org"));
    EXPECT_EQ(app.HasClipboardFileList(), 0);
    EXPECT_EQ(fileCopies.count(), 0);
    edit->setText(QString());
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), QStringLiteral("ftp://example.org"));
}

TEST_F(MainFrameTest, TheModeBoxAndTheOptionCommandsSetTheOptions)
{
    QComboBox* box = frame->TransferModeBox();
    emit box->activated(0);
    EXPECT_EQ(app.m_nTransferType, 1);
    emit box->activated(1);
    EXPECT_EQ(app.m_nTransferType, 2);

    QAction* autoSave = frame->Command(ID_EDIT_STATUS_LOG_AUTOSAVE);
    QAction* autoRefresh = frame->Command(ID_EDIT_LOG_VIEW_AUTOREFRESH);
    frame->UpdateCommandStates();
    autoSave->trigger();
    autoRefresh->trigger();
    EXPECT_TRUE(autoSave->isChecked());
    EXPECT_FALSE(autoRefresh->isChecked());
    EXPECT_EQ(settings.values["AutoSaveLog"], "Yes");
    EXPECT_EQ(settings.values["AutoRefreshLogView"], "No");
}

TEST_F(MainFrameTest, TheConnectionsBoxTakesTypedNumbersWithinOneToTenAndRefusesAKeyBeyond)
{
    auto* box = frame->findChild<QSpinBox*>(QStringLiteral("ConnectionsBox"));
    ASSERT_NE(box, nullptr);
    box->setFocus();
    for (const auto& [typed, kept] : std::vector<std::pair<const char*, int>>{{"7", 7}, {"25", 2}, {"10", 10}}) {
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, typed);
        QTest::keyClick(box, Qt::Key_Return);
        EXPECT_EQ(app.m_nTransferConnections, kept) << typed;
        EXPECT_EQ(settings.values["TransferConnections"], std::to_string(kept)) << typed;
    }
}

// When it asks is the document's; here that Ctrl+S, shown beside Save Site
// List, saves it, and that closing the window asks and saves.
TEST_F(MainFrameTest, CtrlSSavesAndCloseAsksAboutAModifiedSiteListAndSavesIt)
{
    frame->m_siteList.push_back(std::make_unique<CVamloSiteInfo>());
    frame->m_siteList.back()->m_strAddress = "ftp://saved.example";
    frame->m_bSiteListModified = 1;
    frame->UpdateCommandStates();
    frame->show();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    QTest::keyClick(frame.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(frame->m_bSiteListModified, 0);   // cleared only once the file is written
    frame->m_siteList.back()->m_strAddress = "ftp://changed.example";
    frame->m_bSiteListModified = 1;
    prompts.Answer(MsgResult::Yes);
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"The site list of the site manager has been changed. "
                                                        "Do you want to save the changes?"});
    EXPECT_NE(ReadWholeFile(app.m_strSiteListPath).find("ftp://changed.example"), std::string::npos);
}
