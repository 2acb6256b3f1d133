#include "app/QtClipboard.h"
#include "model/SiteInfo.h"

#include "DialogDriver.h"
#include "FtpServerFixture.h"
#include "GuiProgram.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QStatusBar>
#include <gtest/gtest.h>

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

TEST_F(MainFrameTest, EnterInTheAddressBoxConnectsABareHostWithOneLogin)
{
    frame->resize(1200, 600);   // room for the box on its bar
    frame->show();
    int logins = 0;
    QPointer<QTimer> second;
    AnswerNextDialog<CLoginDlg>([&](CLoginDlg& dialog) {
        ++logins;
        Login(dialog, "user", "secret");
        // A second login would be the box picking the new entry as well.
        second = AnswerNextDialog<CLoginDlg>([&logins](CLoginDlg& again) {
            ++logins;
            again.reject();
        });
    });
    // As a user types: the keys go to the box, which has the focus.
    frame->AddressBox()->setFocus();
    QTest::keyClicks(frame->AddressBox()->lineEdit(), QString::fromStdString(HostPort()));
    QTest::keyClick(frame->AddressBox(), Qt::Key_Return);
    const QString connected = QString::fromStdString("Successfully connected to ftp site: ftp://" + HostPort());
    QTRY_COMPARE_WITH_TIMEOUT(frame->statusBar()->currentMessage(), connected, 10000);
    // A login the selection asked for would open before the actions end.
    ASSERT_TRUE(WaitForNetIdle());
    // Nor may the box pick its new entry when it loses the focus to a
    // window coming up, as the small Cancel window of the next step does.
    QApplication::setActiveWindow(frame.get());   // back from the login, as on a desktop
    QLineEdit other;
    other.show();
    QApplication::setActiveWindow(&other);
    ASSERT_TRUE(WaitForNetIdle());
    delete second;
    EXPECT_EQ(logins, 1);

    const QString address = QString::fromStdString("ftp://" + HostPort());
    EXPECT_EQ(frame->AddressBox()->currentText(), address);
    EXPECT_EQ(frame->AddressBox()->itemText(0), address);
    ASSERT_EQ(frame->m_siteList.size(), 1u);
    EXPECT_EQ(frame->m_siteList.front()->m_strAddress, address.toStdString());
    EXPECT_EQ(frame->m_siteList.front()->m_bAvailable, 1);
    EXPECT_EQ(frame->m_siteList.front()->m_strPort, std::to_string(m_server.Port()));
    EXPECT_EQ(frame->m_bSiteListModified, 1);
    EXPECT_TRUE(prompts.Texts().empty());
}

// An invalid address, or a Cancel on the login dialog, adds no record.
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
    TypeAddress(QString::fromStdString("ftp://" + HostPort()));
    EXPECT_TRUE(onUserName);
    EXPECT_TRUE(frame->m_siteList.empty());
    EXPECT_EQ(frame->m_bSiteListModified, 0);
    EXPECT_EQ(frame->AddressBox()->count(), 0);
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

// When it asks is the document's; here that closing the window asks and saves.
TEST_F(MainFrameTest, CloseAsksAboutAModifiedSiteListAndSavesIt)
{
    frame->m_siteList.push_back(std::make_unique<CVamloSiteInfo>());
    frame->m_siteList.back()->m_strAddress = "ftp://saved.example";
    frame->m_bSiteListModified = 1;
    prompts.Answer(MsgResult::Yes);
    frame->show();
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"The site list of the site manager has been changed. "
                                                        "Do you want to save the changes?"});
    EXPECT_NE(ReadWholeFile(app.m_strSiteListPath).find("ftp://saved.example"), std::string::npos);
}

TEST_F(MainFrameTest, AnAddressWhoseRecordIsInUseIsRefusedBeforeTheLogin)
{
    frame->m_siteList.push_back(std::make_unique<CVamloSiteInfo>());
    CVamloSiteInfo& site = *frame->m_siteList.front();
    site.m_strAddress = "ftp://" + HostPort();
    site.m_strUserName = "user";
    site.m_bAvailable = 1;
    int logins = 0;
    QPointer<QTimer> login = AnswerNextDialog<CLoginDlg>([&logins](CLoginDlg& dialog) {
        ++logins;
        dialog.reject();
    });
    {
        // A transfer holds the record: its details are not edited under it.
        std::lock_guard<std::mutex> transfer(site.m_mutexInUse);
        TypeAddress(QString::fromStdString("ftp://" + HostPort()));
    }
    // The login would have opened within the Enter's own handling.
    delete login;
    EXPECT_EQ(logins, 0);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"The ftp site \"ftp://" + HostPort() +
                                                        "\" is busy with a file transfer. "
                                                        "Please try again when the transfer has finished."});
    EXPECT_FALSE(site.m_pConnection);
    EXPECT_EQ(site.m_strUserName, "user");
}
