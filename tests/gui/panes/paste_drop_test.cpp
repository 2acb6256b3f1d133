// The roads of Copy and Paste, and of drag and drop, driven through the
// window as a user would: pick folders in the tree, select rows, press the
// keys, drop. The roads' own logs, questions and files are the transfer
// drivers'; here, that the panes choose the right one, refresh and select
// what arrived. A drop hands its entries to Paste's road for the folder
// under it, moves only local files and only with Shift, and leaves the
// clipboard alone. Also the pane sizes, which the window keeps beside them.
#include "services/GuiPrompts.h"
#include "app/PaneSizes.h"
#include "services/QtClipboard.h"
#include "log/RichEditViewActionLog.h"
#include "transfer/MessageDlg.h"
#include "transfer/StatusDialogProxy.h"
#include "transfer/StatusDlg.h"
#include "panes/DragData.h"

#include "../TreeHarness.h"

#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QUrl>
#include <QWindow>

namespace fs = std::filesystem;

namespace {

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

    template <typename Pred> static bool WaitFor(Pred done) { return QTest::qWaitFor(done, 20000); }

    CQtClipboard qtClipboard;
    CStatusDialogFactory statusFactory;   // the program's own Status windows
};

} // namespace

// Remote rows into a local folder by the keys are the questions' test below,
// and by a drop the drag tests'; here into another folder of the same site,
// through the temporary folder.
TEST_F(PasteRoadTest, RemoteRowsPastedIntoAnotherFolderOfTheSite)
{
    MakeServerFolder("pub/docs");
    WriteWholeFile(m_server.Path("pub/a.txt"), "alpha");
    WriteWholeFile(m_server.Path("pub/docs/c.txt"), "charlie");
    WriteWholeFile(m_server.Path("pub/ignored.txt"), "not selected");
    MakeServerFolder("dst");
    Connect();
    Show(RemoteFolder(QStringLiteral("pub")));
    CopyRowsAndPasteIn({"a.txt", "docs"}, RemoteFolder(QStringLiteral("dst")));
    EXPECT_EQ(app.m_pClipSourceSite, site);
    ASSERT_TRUE(WaitFor([&] { return !doc->IsTransferRunning() && SelectedNames().size() == 2; }));
    EXPECT_EQ(ReadWholeFile(m_server.Path("dst/a.txt")), "alpha");
    EXPECT_EQ(ReadWholeFile(m_server.Path("dst/docs/c.txt")), "charlie");
    EXPECT_FALSE(fs::exists(m_server.Path("dst/ignored.txt")));
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"a.txt", "docs"}));
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
    // On the system clipboard, in the format other copies of the program read.
    ASSERT_NE(QGuiApplication::clipboard()->mimeData(), nullptr);
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("Vamlo Clipboard Format V1.00")));
    CFileInfoList pasted;
    app.PasteFromClipboard(pasted);
    ASSERT_EQ(pasted.size(), 1u);
    EXPECT_EQ(pasted[0]->m_strPath, local.File("out"));
    EXPECT_EQ(pasted[0]->m_byLocation, LOCATION_LOCAL);

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

// With the program's own message boxes: the question that the running Get
// asks opens on its Status window, which stays on top of the others; so does
// the quit question of a close that comes while the worker waits on its first
// replace question (the wait keeps the transfer running).
TEST_F(PasteRoadTest, TheQuestionsOfARunningGetAndTheQuitQuestionOpenOnItsStatusWindow)
{
    MakeServerFolder("pub");
    WriteWholeFile(m_server.Path("pub/a.txt"), "new a");
    WriteWholeFile(local.File("in/a.txt"), "old a");

    Connect();
    Show(RemoteFolder(QStringLiteral("pub")));
    SelectRows({"a.txt"});
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
            // No: the old file stays.
            QTest::mouseClick(question->findChild<QPushButton*>(QStringLiteral("noButton")), Qt::LeftButton);
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

    // A worker's own notice on the Status window is the question stacking test's.
    const QString a = QString::fromStdString(local.File("in/a.txt"));
    EXPECT_EQ(asked,
              (std::vector<QString>{"box A file transfer is still running.\nDo you want to cancel it and exit?",
                                    "replace The file " + a + " already exists."}));
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(ReadWholeFile(local.File("in/a.txt")), "old a");
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

namespace {

class DragDropTest : public PanesHarness {
protected:
    void SetUp() override
    {
        fs::create_directories(local.File("in"));
        fs::create_directories(local.File("out/tree.d"));
        WriteWholeFile(local.File("out/up.txt"), "upload me");
        WriteWholeFile(local.File("out/tree.d/inner.txt"), "inner");
        PanesHarness::SetUp();
        MakeServerFolder("pub/docs");
        WriteWholeFile(m_server.Path("pub/a.txt"), "alpha");
        WriteWholeFile(m_server.Path("pub/docs/c.txt"), "charlie");
    }
};

} // namespace

// Local entries are dragged as file URLs too, remote ones only inside the
// program; dropped onto the folder they are in, or onto themselves, nothing
// happens.
TEST_F(DragDropTest, WhatADragCarriesAndNoDropIntoItsOwnFolder)
{
    Connect();
    Show(LocalFolder("out"));
    SelectRows({"up.txt", "tree.d"});
    std::unique_ptr<QMimeData> localData(list->DragData());
    ASSERT_NE(localData, nullptr);
    EXPECT_TRUE(localData->hasFormat(QString::fromLatin1(kDragItemsMimeType)));
    QStringList urls;
    for (const QUrl& url : localData->urls())
        urls << url.toString();
    urls.sort();
    EXPECT_EQ(urls, (QStringList{QUrl::fromLocalFile(QString::fromStdString(local.File("out/tree.d"))).toString(),
                                 QUrl::fromLocalFile(QString::fromStdString(local.File("out/up.txt"))).toString()}));
    EXPECT_FALSE(Drop(list->viewport(), BelowTheRows(), list->DragData(), Qt::ShiftModifier));
    EXPECT_FALSE(Drop(tree->viewport(), OnItem(LocalFolder("out")), list->DragData()));
    SelectRows({"tree.d"});
    EXPECT_FALSE(Drop(list->viewport(), OnRow("tree.d"), list->DragData()));   // onto itself
    EXPECT_FALSE(Drop(tree->viewport(), OnItem(LocalFolder("out")), tree->DragData(LocalFolder("out"))));

    Show(RemoteFolder(QStringLiteral("pub")));
    SelectRows({"a.txt"});
    std::unique_ptr<QMimeData> remoteRows(list->DragData());
    std::unique_ptr<QMimeData> remoteFolder(tree->DragData(RemoteFolder(QStringLiteral("pub"))));
    for (QMimeData* remote : {remoteRows.get(), remoteFolder.get()}) {
        ASSERT_NE(remote, nullptr);
        // Read back by the download drop below.
        EXPECT_EQ(remote->formats(), QStringList{QString::fromLatin1(kDragItemsMimeType)});
    }
    EXPECT_FALSE(Drop(list->viewport(), BelowTheRows(), list->DragData()));
    EXPECT_FALSE(Drop(tree->viewport(), OnItem(RemoteFolder(QStringLiteral("pub"))), list->DragData()));
    // Only the drives, sites and folders are dragged out of the tree, and
    // "My Computer" is no folder to drop into.
    EXPECT_EQ(tree->DragData(tree->MyComputerItem()), nullptr);
    EXPECT_FALSE(Drop(tree->viewport(), OnItem(tree->MyComputerItem()), list->DragData()));

    EXPECT_FALSE(doc->IsTransferRunning());
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_EQ(ReadWholeFile(local.File("out/up.txt")), "upload me");
    EXPECT_EQ(fs::directory_iterator(local.File("in")), fs::directory_iterator());
}

// Each drop copies into the folder under it, by Paste's road for that pair of
// places; Shift moves local entries, and only once every file arrived. No
// drop touches the clipboard.
TEST_F(DragDropTest, ADropCopiesOrWithShiftMovesIntoTheFolderUnderIt)
{
    // A tree folder pressed for a drag leaves the list where it takes the drop.
    Show(LocalFolder("in"));
    QTreeWidgetItem* out = LocalFolder("out");
    QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, OnItem(out));
    EXPECT_EQ(doc->m_strCurrentFolder, local.File("in"));
    EXPECT_TRUE(Drop(list->viewport(), BelowTheRows(), tree->DragData(out)));
    EXPECT_EQ(ReadWholeFile(local.File("in/out/tree.d/inner.txt")), "inner");
    QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, OnItem(out));
    EXPECT_EQ(doc->m_strCurrentFolder, local.File("out"));

    Connect();
    CFileInfoList other;
    other.push_back(std::make_unique<CVaFileInfo>());
    other.back()->m_strPath = "/elsewhere";
    app.CopyToClipboard(other);
    CVamloSiteInfo* const clipSite = app.m_pClipSourceSite;

    // Onto the local folder above: a local copy, then the source goes; the
    // panes stay on the folder they showed.
    Show(LocalFolder("out"));
    SelectRows({"tree.d"});
    EXPECT_TRUE(Drop(tree->viewport(), OnItem(OpenLocalPath(*tree, local.Path())), list->DragData(),
                     Qt::ShiftModifier));
    EXPECT_EQ(ReadWholeFile(local.File("tree.d/inner.txt")), "inner");
    EXPECT_FALSE(fs::exists(local.File("out/tree.d")));
    EXPECT_EQ(doc->m_strCurrentFolder, local.File("out"));
    EXPECT_EQ(RowOf("tree.d"), -1);

    // File URLs from another program onto a site's folder row: an upload,
    // of a folder as a folder.
    auto* urls = new QMimeData;
    urls->setUrls({QUrl::fromLocalFile(QString::fromStdString(local.File("out/up.txt"))),
                   QUrl::fromLocalFile(QString::fromStdString(local.File("tree.d/")))});
    Show(tree->FindSiteItem(site));   // the site's top, with its "pub" row
    EXPECT_TRUE(Drop(list->viewport(), OnRow("pub"), urls));
    WaitForTransfer();
    EXPECT_EQ(ReadWholeFile(m_server.Path("pub/up.txt")), "upload me");
    EXPECT_EQ(ReadWholeFile(m_server.Path("pub/tree.d/inner.txt")), "inner");

    // Onto a site's folder in the tree, with Shift: the source goes only once
    // its file arrived, and the log says when it stays.
    WriteWholeFile(m_server.Path("pub/up.txt"), "older");
    for (const int32_t answer : {REPLACE_NO, REPLACE_YES}) {
        const bool arrives = answer == REPLACE_YES;
        SCOPED_TRACE(arrives ? "replaced" : "not replaced");
        prompts.AnswerReplace({DialogResult::Ok, answer});
        Show(LocalFolder("out"));
        SelectRows({"up.txt"});
        EXPECT_TRUE(Drop(tree->viewport(), OnItem(RemoteFolder(QStringLiteral("pub"))), list->DragData(),
                         Qt::ShiftModifier));
        WaitForTransfer();
        EXPECT_EQ(ReadWholeFile(m_server.Path("pub/up.txt")), arrives ? "upload me" : "older");
        EXPECT_EQ(fs::exists(local.File("out/up.txt")), !arrives);
        EXPECT_EQ(doc->GetLogText().find("Move not completed: the source files were kept.") == std::string::npos,
                  arrives);
    }

    // Remote rows onto the list's local folder: a download, Shift or not.
    Show(RemoteFolder(QStringLiteral("pub")));
    SelectRows({"a.txt", "docs"});
    QMimeData* remote = list->DragData();
    Show(LocalFolder("in"));
    EXPECT_TRUE(Drop(list->viewport(), BelowTheRows(), remote, Qt::ShiftModifier));
    WaitForTransfer();
    EXPECT_EQ(ReadWholeFile(local.File("in/a.txt")), "alpha");
    EXPECT_EQ(ReadWholeFile(local.File("in/docs/c.txt")), "charlie");
    EXPECT_TRUE(fs::exists(m_server.Path("pub/a.txt")));

    EXPECT_TRUE(prompts.Texts().empty());
    CFileInfoList after;
    app.PasteFromClipboard(after);
    ASSERT_EQ(after.size(), 1u) << "a drop changed the clipboard";
    EXPECT_EQ(after[0]->m_strPath, "/elsewhere");
    EXPECT_EQ(app.m_pClipSourceSite, clipSite);
}

namespace {

class PaneSizesTest : public ::testing::Test, protected GuiProgram {
protected:
    void SetUp() override { BuildProgram(); }

    std::unique_ptr<CMainFrame> ShowFrame(QSize size = {900, 640})
    {
        auto shown = std::make_unique<CMainFrame>(&app);
        shown->resize(size);
        shown->show();
        QCoreApplication::processEvents();
        return shown;
    }
};

} // namespace

TEST_F(PaneSizesTest, TheLogStartsEightLinesHighAndTheBarsStayWhereTheyWereLeft)
{
    std::unique_ptr<CMainFrame> first = ShowFrame();
    // Eight lines, also once a long line brings the horizontal scroll bar.
    first->LogView()->setPlainText(QString(500, QLatin1Char('x')));
    QCoreApplication::processEvents();
    ASSERT_TRUE(first->LogView()->horizontalScrollBar()->isVisible());
    const int lines = first->LogView()->fontMetrics().lineSpacing();
    EXPECT_GE(first->LogView()->viewport()->height(), 8 * lines);
    EXPECT_FALSE(LoadPaneSizes(settings).has_value());

    auto* inner = first->OuterSplitter()->findChild<QSplitter*>(QStringLiteral("InnerSplitter"));
    ASSERT_NE(inner, nullptr);
    const QList<int> outerTotal = first->OuterSplitter()->sizes();
    first->OuterSplitter()->setSizes({outerTotal[0] + outerTotal[1] - 300, 300});
    inner->setSizes({700, inner->sizes()[0] + inner->sizes()[1] - 700});
    const QList<int> outerLeft = first->OuterSplitter()->sizes();
    const QList<int> innerLeft = inner->sizes();
    first->close();
    first.reset();

    std::unique_ptr<CMainFrame> second = ShowFrame();
    EXPECT_EQ(second->OuterSplitter()->sizes(), outerLeft);
    EXPECT_EQ(second->OuterSplitter()->findChild<QSplitter*>(QStringLiteral("InnerSplitter"))->sizes(), innerLeft);
    second->close();
    second.reset();

    // A smaller window keeps the panes in proportion: the list is not squeezed.
    const QList<int> small = ShowFrame({640, 480})->findChild<QSplitter*>(QStringLiteral("InnerSplitter"))->sizes();
    EXPECT_NEAR(1.0 * small[1] / (small[0] + small[1]), 1.0 * innerLeft[1] / (innerLeft[0] + innerLeft[1]), 0.02);
}
