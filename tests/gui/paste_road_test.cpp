// The roads of Copy and Paste driven through the window as a user would:
// type an address, pick folders in the tree, select rows, press the keys.
#include "app/GuiPrompts.h"
#include "app/QtClipboard.h"
#include "sites/SiteInfoDlg.h"
#include "transfer/MessageDlg.h"
#include "transfer/StatusDialogProxy.h"
#include "transfer/StatusDlg.h"
#include "ui/ClipboardCommands.h"
#include "ui/ListItemInfo.h"
#include "ui/ListViewDetail.h"

#include "DialogDriver.h"
#include "TreeHarness.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QPushButton>
#include <QWindow>
#include <QMenu>
#include <QTest>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// The program's own Status windows, counted as the worker asks for them.
class CountingStatusFactory : public IStatusDialogFactory {
public:
    std::unique_ptr<IStatusDialog> CreateStatusDialog(const std::string& title, std::atomic<int32_t>* cancel) override
    {
        ++created;
        lastTitle = title;
        return real.CreateStatusDialog(title, cancel);
    }
    std::atomic<int> created{0};
    std::string lastTitle;

private:
    CStatusDialogFactory real;
};

class PasteRoadTest : public TreeHarness {
protected:
    void SetUp() override
    {
        TreeHarness::SetUp();
        app.m_pClipboard = &qtClipboard;
        app.m_pStatusDialogFactory = &statusFactory;
        app.m_strAgentName = kAgentName;
        list = new CListViewDetail(*doc, app, *frame, hub);
        list->OnInitialUpdate();
        fs::create_directories(local.File("in"));
        fs::create_directories(local.File("out"));
        tree->OnInitialUpdate();
        frame->RefillAddressBox();
        frame->FillTransferModeBox();
        frame->resize(1000, 700);
        frame->show();
    }

    void TearDown() override
    {
        if (doc)
            doc->WaitForTransfer();
        TreeHarness::TearDown();
    }

    // Step 1: the address typed into the box and confirmed with Enter.
    void ConnectByTyping()
    {
        AnswerLogin("user", "secret");
        frame->AddressBox()->setFocus();
        frame->AddressBox()->lineEdit()->setText(QString::fromStdString(Address()));
        QTest::keyClick(frame->AddressBox(), Qt::Key_Return);
        ASSERT_TRUE(WaitFor([&] { return !frame->m_siteList.empty() && frame->m_siteList.front()->m_hTreeItem; }));
        Settle();
        site = frame->m_siteList.front().get();
    }

    QTreeWidgetItem* RemoteFolder(const QString& name)
    {
        QTreeWidgetItem* siteItem = tree->FindSiteItem(site);
        siteItem->setExpanded(true);
        EXPECT_TRUE(WaitForNetIdle());
        return Child(siteItem, name);
    }

    void SelectInTree(QTreeWidgetItem* item)
    {
        ASSERT_NE(item, nullptr);
        tree->setFocus();
        tree->setCurrentItem(item);
        Settle();
    }

    void SelectRows(const std::vector<std::string>& names)
    {
        list->setFocus();
        list->selectionModel()->clearSelection();
        for (const std::string& name : names) {
            int row = -1;
            for (int i = 0; i < list->RowCount(); ++i)
                if (list->Record(i)->m_strName == name)
                    row = i;
            ASSERT_GE(row, 0) << name;
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }

    std::vector<std::string> SelectedNames() const
    {
        std::vector<std::string> names;
        for (int row : list->SelectedRows())
            names.push_back(list->Record(row)->m_strName);
        std::sort(names.begin(), names.end());
        return names;
    }

    // Parented to a shown Status window, for the window system as well.
    static bool OpensOnAStatusWindow(QWidget* dialog)
    {
        auto* status = qobject_cast<CStatusDlg*>(dialog->parentWidget());
        return status != nullptr && status->isVisible() && dialog->windowHandle() != nullptr &&
               dialog->windowHandle()->transientParent() == status->windowHandle();
    }

    static bool StatusWindowShown()
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<CStatusDlg*>(widget) != nullptr && widget->isVisible())
                return true;
        return false;
    }

    template <typename Pred> static bool WaitFor(Pred done) { return QTest::qWaitFor(done, 20000); }

    CQtClipboard qtClipboard;
    CountingStatusFactory statusFactory;
    CListViewDetail* list = nullptr;
    CVamloSiteInfo* site = nullptr;
};

} // namespace

TEST_F(PasteRoadTest, DownloadByCopyInTheRemoteListAndPasteInTheLocalList)
{
    MakeServerFolder("pub/docs");
    WriteWholeFile(m_server.Path("pub/a.txt"), "alpha");
    WriteWholeFile(m_server.Path("pub/b.bin"), std::string(3 * 1024 * 1024, 'b'));
    WriteWholeFile(m_server.Path("pub/docs/c.txt"), "charlie");
    WriteWholeFile(m_server.Path("pub/ignored.txt"), "not selected");

    ConnectByTyping();
    SelectInTree(RemoteFolder(QStringLiteral("pub")));
    ASSERT_EQ(doc->m_strCurrentFolder, "//pub");
    SelectRows({"a.txt", "b.bin", "docs"});
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    ASSERT_EQ(app.HasClipboardFileList(), 1);
    EXPECT_EQ(app.m_pClipSourceSite, site);

    SelectInTree(OpenLocalPath(*tree, local.File("in")));
    ASSERT_EQ(doc->m_strCurrentFolder, local.File("in"));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);

    // The Status window opens on the GUI thread while the worker runs.
    EXPECT_TRUE(WaitFor([&] { return StatusWindowShown() || !doc->IsTransferRunning(); }));
    ASSERT_TRUE(WaitFor([&] { return !doc->IsTransferRunning() && SelectedNames().size() == 3; }));
    EXPECT_EQ(statusFactory.created, 1);
    EXPECT_EQ(statusFactory.lastTitle, "Getting data from the remote site, please wait...");
    EXPECT_EQ(ReadWholeFile(local.File("in/a.txt")), "alpha");
    EXPECT_EQ(ReadWholeFile(local.File("in/b.bin")), std::string(3 * 1024 * 1024, 'b'));
    EXPECT_EQ(ReadWholeFile(local.File("in/docs/c.txt")), "charlie");
    EXPECT_FALSE(fs::exists(local.File("in/ignored.txt")));
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"a.txt", "b.bin", "docs"}));
    const std::string log = doc->GetLogText();
    EXPECT_NE(log.find("Source:  //pub//a.txt\nDestination:  " + local.File("in/a.txt")), std::string::npos);
    EXPECT_NE(log.find("Have successfully received 3 of total 3 files"), std::string::npos) << log;
    EXPECT_TRUE(prompts.Texts().empty());
}

TEST_F(PasteRoadTest, UploadByCopyInTheLocalListAndPasteInTheTree)
{
    MakeServerFolder("pub");
    WriteWholeFile(local.File("out/up.txt"), "upload me");
    fs::create_directories(local.File("out/tree.d"));
    WriteWholeFile(local.File("out/tree.d/inner.txt"), "inner");

    ConnectByTyping();
    SelectInTree(OpenLocalPath(*tree, local.File("out")));
    SelectRows({"up.txt", "tree.d"});
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(app.m_pClipSourceSite, nullptr);

    SelectInTree(RemoteFolder(QStringLiteral("pub")));
    QTest::keyClick(tree, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(WaitFor([&] { return !doc->IsTransferRunning() && fs::exists(m_server.Path("pub/tree.d/inner.txt")); }));
    EXPECT_EQ(ReadWholeFile(m_server.Path("pub/up.txt")), "upload me");
    EXPECT_EQ(ReadWholeFile(m_server.Path("pub/tree.d/inner.txt")), "inner");
    // The tree's refresh re-lists the folder in both panes.
    ASSERT_TRUE(WaitFor([&] { return list->RowCount() == 2; }));
    EXPECT_NE(doc->GetLogText().find("Have successfully sent 2 of total 2 files"), std::string::npos);
}

TEST_F(PasteRoadTest, LocalCopyWithOneCollisionAnsweredYesToAll)
{
    WriteWholeFile(local.File("out/one.txt"), "new one");
    WriteWholeFile(local.File("out/two.txt"), "new two");
    WriteWholeFile(local.File("in/one.txt"), "old one");
    tree->setFocus();
    SelectInTree(OpenLocalPath(*tree, local.File("out")));
    SelectRows({"one.txt", "two.txt"});
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    SelectInTree(OpenLocalPath(*tree, local.File("in")));
    prompts.AnswerReplace({DialogResult::Ok, REPLACE_YES_TO_ALL});
    list->setFocus();
    QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(ReadWholeFile(local.File("in/one.txt")), "new one");
    EXPECT_EQ(ReadWholeFile(local.File("in/two.txt")), "new two");
    ASSERT_EQ(prompts.ReplaceQuestions().size(), 1u);
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"one.txt", "two.txt"}));
}

// With the program's own message boxes: every question that the running Get
// asks opens on its Status window, which stays on top of the others.
TEST_F(PasteRoadTest, TheQuestionsOfARunningGetOpenOnItsStatusWindow)
{
    MakeServerFolder("pub");
    WriteWholeFile(m_server.Path("pub/a.txt"), "new a");
    WriteWholeFile(m_server.Path("pub/r.txt"), "new r");
    WriteWholeFile(local.File("in/a.txt"), "old a");
    WriteWholeFile(local.File("in/r.txt"), "old r");
    ASSERT_EQ(chmod(local.File("in/r.txt").c_str(), 0444), 0);

    ConnectByTyping();
    SelectInTree(RemoteFolder(QStringLiteral("pub")));
    SelectRows({"a.txt", "r.txt"});
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    SelectInTree(OpenLocalPath(*tree, local.File("in")));

    CGuiPrompts guiPrompts;
    guiPrompts.SetMainWindow(frame.get());
    app.m_pPrompts = &guiPrompts;

    // Each modal window in turn, as it comes: where it sits, then the answer.
    struct Asked {
        QString kind;
        bool onStatusWindow = false;
    };
    std::vector<Asked> asked;
    QTimer answerer;
    int ticks = 0;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        if (++ticks > 1000)
            answerer.stop();
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr)
            return;
        const bool onStatus = OpensOnAStatusWindow(modal);
        if (auto* question = qobject_cast<CMessageDlg*>(modal)) {
            asked.push_back({QStringLiteral("replace ") + question->m_strMessage1, onStatus});
            // No for the first file, Yes for the read-only one.
            const char* button = asked.size() == 1 ? "noButton" : "yesButton";
            QTest::mouseClick(question->findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            asked.push_back({QStringLiteral("box ") + box->text(), onStatus});
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        }
    });
    answerer.start(20);

    list->setFocus();
    QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(WaitFor([&] { return !doc->IsTransferRunning(); }));
    answerer.stop();
    app.m_pPrompts = &prompts;

    const QString a = QString::fromStdString(local.File("in/a.txt"));
    const QString r = QString::fromStdString(local.File("in/r.txt"));
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0].kind, "replace The file " + a + " already exists.");
    EXPECT_EQ(asked[1].kind, "replace The file " + r + " already exists.");
    EXPECT_EQ(asked[2].kind, "box File " + r + " is read-only.\nYou can not replace the read-only file.");
    for (const Asked& each : asked)
        EXPECT_TRUE(each.onStatusWindow) << each.kind.toStdString();
    EXPECT_EQ(ReadWholeFile(local.File("in/a.txt")), "old a");
    EXPECT_EQ(ReadWholeFile(local.File("in/r.txt")), "old r");
}

// Closing the window while a Get runs asks whether to cancel it; that
// question, too, opens on the Status window. Here the close comes while the
// worker waits on its replace question, which keeps the transfer running.
TEST_F(PasteRoadTest, TheQuitQuestionDuringAGetOpensOnItsStatusWindow)
{
    MakeServerFolder("pub");
    WriteWholeFile(m_server.Path("pub/a.txt"), "new a");
    WriteWholeFile(local.File("in/a.txt"), "old a");
    ConnectByTyping();
    SelectInTree(RemoteFolder(QStringLiteral("pub")));
    SelectRows({"a.txt"});
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    SelectInTree(OpenLocalPath(*tree, local.File("in")));

    CGuiPrompts guiPrompts;
    guiPrompts.SetMainWindow(frame.get());
    app.m_pPrompts = &guiPrompts;

    bool closeAsked = false;
    QString quitText;
    bool quitOnStatusWindow = false;
    QTimer answerer;
    int ticks = 0;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        if (++ticks > 1000)
            answerer.stop();
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* question = qobject_cast<CMessageDlg*>(modal)) {
            if (!closeAsked) {
                closeAsked = true;
                // Posted: a timer does not fire again inside its own call,
                // so the quit question must not open from here.
                QTimer::singleShot(0, frame.get(), [&] { frame->close(); });
                return;
            }
            QTest::mouseClick(question->findChild<QPushButton*>(QStringLiteral("noButton")), Qt::LeftButton);
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            quitText = box->text();
            quitOnStatusWindow = OpensOnAStatusWindow(box);
            // Stay: the transfer goes on.
            QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
        }
    });
    answerer.start(20);

    list->setFocus();
    QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(WaitFor([&] { return !doc->IsTransferRunning(); }));
    answerer.stop();
    app.m_pPrompts = &prompts;

    EXPECT_EQ(quitText, QStringLiteral("A file transfer is still running.\nDo you want to cancel it and exit?"));
    EXPECT_TRUE(quitOnStatusWindow);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(ReadWholeFile(local.File("in/a.txt")), "old a");
}

TEST_F(PasteRoadTest, PasteIntoTheSameFolderIsRefused)
{
    WriteWholeFile(local.File("out/same.txt"), "s");
    SelectInTree(OpenLocalPath(*tree, local.File("out")));
    SelectRows({"same.txt"});
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(prompts.Texts().size(), 1u);
    EXPECT_EQ(prompts.Texts()[0], "File pasting failed.\nCause: the source and destination path are the same.");

    MakeServerFolder("pub");
    WriteWholeFile(m_server.Path("pub/r.txt"), "r");
    ConnectByTyping();
    SelectInTree(RemoteFolder(QStringLiteral("pub")));
    SelectRows({"r.txt"});
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(prompts.Texts().size(), 2u);
    EXPECT_EQ(prompts.Texts()[1], "File pasting failed.\nCause: the source and destination path are the same.");
    EXPECT_FALSE(doc->IsTransferRunning());
}

TEST_F(PasteRoadTest, RemoteFilesPastedIntoAnotherFolderOfTheSiteGoThroughTheTemporaryFolder)
{
    MakeServerFolder("pub/docs");
    MakeServerFolder("dst");
    WriteWholeFile(m_server.Path("pub/r.txt"), "remote");
    WriteWholeFile(m_server.Path("pub/docs/d.txt"), "deep");
    ConnectByTyping();
    SelectInTree(RemoteFolder(QStringLiteral("pub")));
    SelectRows({"r.txt", "docs"});
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);

    SelectInTree(RemoteFolder(QStringLiteral("dst")));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(WaitFor([&] { return !doc->IsTransferRunning() && SelectedNames().size() == 2; }));
    EXPECT_EQ(ReadWholeFile(m_server.Path("dst/r.txt")), "remote");
    EXPECT_EQ(ReadWholeFile(m_server.Path("dst/docs/d.txt")), "deep");
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"docs", "r.txt"}));
    EXPECT_EQ(statusFactory.lastTitle, "Getting data from the remote site, please wait...");
    EXPECT_NE(doc->GetLogText().find("///// Have successfully transferred 2 of total 2 files from the ftp site"),
              std::string::npos)
        << doc->GetLogText();
    EXPECT_TRUE(prompts.Texts().empty());
}

TEST_F(PasteRoadTest, PasteWhileATransferRunsIsRefused)
{
    MakeServerFolder("pub");
    WriteWholeFile(m_server.Path("pub/slow.bin"), std::string(64 * 1024 * 1024, 's'));
    ConnectByTyping();
    SelectInTree(RemoteFolder(QStringLiteral("pub")));
    SelectRows({"slow.bin"});
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    SelectInTree(OpenLocalPath(*tree, local.File("in")));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(doc->IsTransferRunning());
    QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
    ASSERT_FALSE(prompts.Texts().empty());
    EXPECT_EQ(prompts.Texts().back(), "A file transfer is still running.\nPlease paste again when it has finished.");
    doc->m_bCancelTransfer = 1;
    ASSERT_TRUE(WaitFor([&] { return !doc->IsTransferRunning(); }));
}

TEST_F(PasteRoadTest, ContextMenuCopyOfATreeFolderPutsTheSelectionBack)
{
    QTreeWidgetItem* out = OpenLocalPath(*tree, local.File("out"));
    QTreeWidgetItem* in = OpenLocalPath(*tree, local.File("in"));
    SelectInTree(in);
    tree->scrollToItem(out);
    QMenu* menu = tree->ShowContextMenu(tree->visualItemRect(out).center());
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(tree->currentItem(), out);
    QAction* copy = menu->findChild<QAction*>(QStringLiteral("ID_57634"));
    ASSERT_NE(copy, nullptr);
    ASSERT_TRUE(copy->isEnabled());
    copy->trigger();
    menu->close();
    EXPECT_EQ(tree->currentItem(), in);
    EXPECT_EQ(tree->m_bContextSelect, 0);
    EXPECT_EQ(doc->m_strCurrentFolder, local.File("in"));

    CFileInfoList pasted;
    app.PasteFromClipboard(pasted);
    ASSERT_EQ(pasted.size(), 1u);
    EXPECT_EQ(pasted[0]->m_strPath, local.File("out"));
    EXPECT_EQ(pasted[0]->m_bIsFolder, 1);
    EXPECT_EQ(pasted[0]->m_byLocation, LOCATION_LOCAL);
    EXPECT_EQ(app.m_pClipSourceSite, nullptr);
}
