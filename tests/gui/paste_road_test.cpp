// The roads of Copy and Paste driven through the window as a user would:
// pick folders in the tree, select rows, press the keys. The roads' own logs,
// questions and files are the transfer drivers'; here, that the panes choose
// the right one, refresh and select what arrived.
#include "app/GuiPrompts.h"
#include "app/QtClipboard.h"
#include "transfer/MessageDlg.h"
#include "transfer/StatusDialogProxy.h"
#include "transfer/StatusDlg.h"

#include "TreeHarness.h"

#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
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

class PasteRoadTest : public PanesHarness {
protected:
    void SetUp() override
    {
        fs::create_directories(local.File("in"));
        fs::create_directories(local.File("out"));
        PanesHarness::SetUp();
        app.m_pClipboard = &qtClipboard;
        app.m_pStatusDialogFactory = &statusFactory;
        app.m_strAgentName = kAgentName;
    }

    // The rows copied with Ctrl+C, then Ctrl+V in the list over target.
    void CopyRowsAndPasteIn(const std::vector<std::string>& rows, QTreeWidgetItem* target)
    {
        SelectRows(rows);
        QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
        Show(target);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
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
};

} // namespace

TEST_F(PasteRoadTest, RemoteRowsPastedIntoALocalFolderAndIntoAnotherFolderOfTheSite)
{
    MakeServerFolder("pub/docs");
    WriteWholeFile(m_server.Path("pub/a.txt"), "alpha");
    WriteWholeFile(m_server.Path("pub/b.bin"), std::string(3 * 1024 * 1024, 'b'));
    WriteWholeFile(m_server.Path("pub/docs/c.txt"), "charlie");
    WriteWholeFile(m_server.Path("pub/ignored.txt"), "not selected");
    MakeServerFolder("dst");
    Connect();
    Show(RemoteFolder(QStringLiteral("pub")));
    ASSERT_EQ(doc->m_strCurrentFolder, "//pub");
    CopyRowsAndPasteIn({"a.txt", "b.bin", "docs"}, LocalFolder("in"));
    EXPECT_EQ(app.m_pClipSourceSite, site);

    // The Status window opens on the GUI thread while the worker runs.
    EXPECT_TRUE(WaitFor([&] { return StatusWindowShown() || !doc->IsTransferRunning(); }));
    ASSERT_TRUE(WaitFor([&] { return !doc->IsTransferRunning() && SelectedNames().size() == 3; }));
    EXPECT_EQ(statusFactory.created, 1);
    EXPECT_EQ(statusFactory.lastTitle, "Getting data from the remote site, please wait...");
    EXPECT_EQ(ReadWholeFile(local.File("in/docs/c.txt")), "charlie");
    EXPECT_FALSE(fs::exists(local.File("in/ignored.txt")));
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"a.txt", "b.bin", "docs"}));

    // The same rows pasted into another folder of the site go through the
    // temporary folder.
    Show(RemoteFolder(QStringLiteral("dst")));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(WaitFor([&] { return !doc->IsTransferRunning() && SelectedNames().size() == 3; }));
    EXPECT_EQ(ReadWholeFile(m_server.Path("dst/a.txt")), "alpha");
    EXPECT_EQ(ReadWholeFile(m_server.Path("dst/docs/c.txt")), "charlie");
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"a.txt", "b.bin", "docs"}));
    EXPECT_EQ(statusFactory.lastTitle, "Getting data from the remote site, please wait...");
    EXPECT_NE(doc->GetLogText().find("///// Have successfully transferred 3 of total 3 files from the ftp site"),
              std::string::npos)
        << doc->GetLogText();
    EXPECT_TRUE(prompts.Texts().empty());
}

TEST_F(PasteRoadTest, UploadByCopyInTheLocalListAndPasteInTheTree)
{
    MakeServerFolder("pub");
    WriteWholeFile(local.File("out/up.txt"), "upload me");
    fs::create_directories(local.File("out/tree.d"));
    WriteWholeFile(local.File("out/tree.d/inner.txt"), "inner");
    Connect();
    Show(LocalFolder("out"));
    SelectRows({"up.txt", "tree.d"});
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(app.m_pClipSourceSite, nullptr);

    Show(RemoteFolder(QStringLiteral("pub")));
    QTest::keyClick(tree, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(WaitFor([&] { return !doc->IsTransferRunning() && fs::exists(m_server.Path("pub/tree.d/inner.txt")); }));
    EXPECT_EQ(ReadWholeFile(m_server.Path("pub/up.txt")), "upload me");
    // The tree's refresh re-lists the folder in both panes.
    ASSERT_TRUE(WaitFor([&] { return list->RowCount() == 2; }));
    EXPECT_NE(doc->GetLogText().find("Have successfully sent 2 of total 2 files"), std::string::npos);
}

// Local to local: the tree's menu Copy, a paste into the same folder, then
// into another with one collision.
TEST_F(PasteRoadTest, LocalCopyFromTheTreeMenuAndTheList)
{
    WriteWholeFile(local.File("out/one.txt"), "new one");
    WriteWholeFile(local.File("out/two.txt"), "new two");
    WriteWholeFile(local.File("in/one.txt"), "old one");
    QTreeWidgetItem* out = LocalFolder("out");
    QTreeWidgetItem* in = LocalFolder("in");
    Show(in);
    tree->scrollToItem(out);
    QMenu* menu = tree->ShowContextMenu(tree->visualItemRect(out).center());
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(tree->currentItem(), out);
    QAction* copy = menu->findChild<QAction*>(QStringLiteral("ID_57634"));
    ASSERT_TRUE(copy != nullptr && copy->isEnabled());
    copy->trigger();
    menu->close();
    // The selection goes back: the list still shows "in".
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

    // Which pairs of places count as the same is the paste decision's own.
    Show(out);
    CopyRowsAndPasteIn({"one.txt", "two.txt"}, out);
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{"File pasting failed.\nCause: the source and destination path are the same."});
    EXPECT_FALSE(doc->IsTransferRunning());

    prompts.AnswerReplace({DialogResult::Ok, REPLACE_YES_TO_ALL});
    CopyRowsAndPasteIn({"one.txt", "two.txt"}, in);
    EXPECT_EQ(ReadWholeFile(local.File("in/one.txt")), "new one");
    EXPECT_EQ(ReadWholeFile(local.File("in/two.txt")), "new two");
    ASSERT_EQ(prompts.ReplaceQuestions().size(), 1u);
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"one.txt", "two.txt"}));
}

// With the program's own message boxes: every question that the running Get
// asks opens on its Status window, which stays on top of the others; so does
// the quit question of a close that comes while the worker waits on its first
// replace question (the wait keeps the transfer running).
TEST_F(PasteRoadTest, TheQuestionsOfARunningGetAndTheQuitQuestionOpenOnItsStatusWindow)
{
    MakeServerFolder("pub");
    WriteWholeFile(m_server.Path("pub/a.txt"), "new a");
    WriteWholeFile(m_server.Path("pub/r.txt"), "new r");
    WriteWholeFile(local.File("in/a.txt"), "old a");
    WriteWholeFile(local.File("in/r.txt"), "old r");
    ASSERT_EQ(chmod(local.File("in/r.txt").c_str(), 0444), 0);

    Connect();
    Show(RemoteFolder(QStringLiteral("pub")));
    SelectRows({"a.txt", "r.txt"});
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    Show(LocalFolder("in"));

    CGuiPrompts guiPrompts;
    guiPrompts.SetMainWindow(frame.get());
    app.m_pPrompts = &guiPrompts;

    // Each modal window in turn, as it comes: what it is, marked when it is
    // not on a Status window; then the answer.
    std::vector<QString> asked;
    bool closeAsked = false;
    QTimer answerer;
    int ticks = 0;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        if (++ticks > 1000)
            answerer.stop();
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr)
            return;
        const QString where = OpensOnAStatusWindow(modal) ? QString() : QStringLiteral("(elsewhere) ");
        if (auto* question = qobject_cast<CMessageDlg*>(modal)) {
            if (!closeAsked) {
                closeAsked = true;
                // Posted: a timer does not fire again inside its own call,
                // so the quit question must not open from here.
                QTimer::singleShot(0, frame.get(), [&] { frame->close(); });
                return;
            }
            asked.push_back(where + QStringLiteral("replace ") + question->m_strMessage1);
            // No for the first file, Yes for the read-only one.
            const char* button = asked.size() == 2 ? "noButton" : "yesButton";
            QTest::mouseClick(question->findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            asked.push_back(where + QStringLiteral("box ") + box->text());
            // No to the quit question: stay, the transfer goes on.
            QAbstractButton* button = box->button(QMessageBox::No);
            QTest::mouseClick(button != nullptr ? button : box->button(QMessageBox::Ok), Qt::LeftButton);
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
    EXPECT_EQ(asked, (std::vector<QString>{"box A file transfer is still running.\nDo you want to cancel it and exit?",
                                           "replace The file " + a + " already exists.",
                                           "replace The file " + r + " already exists.",
                                           "box File " + r + " is read-only.\nYou can not replace the read-only file."}));
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(ReadWholeFile(local.File("in/a.txt")), "old a");
    EXPECT_EQ(ReadWholeFile(local.File("in/r.txt")), "old r");
}

TEST_F(PasteRoadTest, PasteWhileATransferRunsIsRefused)
{
    MakeServerFolder("pub");
    WriteWholeFile(m_server.Path("pub/slow.bin"), std::string(64 * 1024 * 1024, 's'));
    Connect();
    Show(RemoteFolder(QStringLiteral("pub")));
    CopyRowsAndPasteIn({"slow.bin"}, LocalFolder("in"));
    ASSERT_TRUE(doc->IsTransferRunning());
    QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
    ASSERT_FALSE(prompts.Texts().empty());
    EXPECT_EQ(prompts.Texts().back(), "A file transfer is still running.\nPlease paste again when it has finished.");
    doc->m_bCancelTransfer = 1;
    ASSERT_TRUE(WaitFor([&] { return !doc->IsTransferRunning(); }));
}
