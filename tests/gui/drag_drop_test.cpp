// Drag and drop between the panes and with other programs: a drop hands its
// entries to Paste's road for the folder under it, moves only local files and
// only with Shift, and leaves the clipboard alone. Also the pane sizes, which
// the window keeps beside them.
#include "app/PaneSizes.h"
#include "log/RichEditViewActionLog.h"
#include "ui/DragData.h"

#include "TreeHarness.h"

#include <QDropEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QSplitter>
#include <QUrl>

#include <memory>

namespace fs = std::filesystem;

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

    QPoint OnItem(QTreeWidgetItem* item)
    {
        tree->scrollToItem(item);
        return tree->visualItemRect(item).center();
    }

    QPoint OnRow(const std::string& name) const
    {
        return list->visualRect(list->model()->index(RowOf(name), 0)).center();
    }

    QPoint BelowTheRows() const { return {5, list->viewport()->height() - 3}; }

    // Enter, move and drop at one point, as the window system delivers them;
    // then the drop's queued road runs. True when the drop was taken.
    static bool Drop(QWidget* viewport, QPoint at, QMimeData* data, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        const std::unique_ptr<QMimeData> owned(data);
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(at, actions, data, Qt::LeftButton, keys);
        QApplication::sendEvent(viewport, &enter);
        QDragMoveEvent move(at, actions, data, Qt::LeftButton, keys);
        QApplication::sendEvent(viewport, &move);
        QDropEvent drop(QPointF(at), actions, data, Qt::LeftButton, keys);
        QApplication::sendEvent(viewport, &drop);
        QCoreApplication::processEvents();
        EXPECT_EQ(move.isAccepted(), drop.isAccepted());
        if (drop.isAccepted()) {
            EXPECT_EQ(drop.dropAction(), Qt::CopyAction);   // the source never deletes anything
        }
        return drop.isAccepted();
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
        EXPECT_EQ(remote->formats(), QStringList{QString::fromLatin1(kDragItemsMimeType)});
        const std::optional<DroppedItems> back = ReadDropData(*remote, frame->m_siteList);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->site, site);
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

    // File URLs from another program onto a site's folder row: an upload.
    auto* urls = new QMimeData;
    urls->setUrls({QUrl::fromLocalFile(QString::fromStdString(local.File("out/up.txt")))});
    Show(tree->FindSiteItem(site));   // the site's top, with its "pub" row
    EXPECT_TRUE(Drop(list->viewport(), OnRow("pub"), urls));
    WaitForTransfer();
    EXPECT_EQ(ReadWholeFile(m_server.Path("pub/up.txt")), "upload me");
    EXPECT_NE(doc->GetLogText().find("===== Success ================="), std::string::npos);

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

    std::unique_ptr<CMainFrame> ShowFrame()
    {
        auto shown = std::make_unique<CMainFrame>(&app);
        shown->resize(900, 640);
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
    inner->setSizes({180, inner->sizes()[0] + inner->sizes()[1] - 180});
    const QList<int> outerLeft = first->OuterSplitter()->sizes();
    const QList<int> innerLeft = inner->sizes();
    first->close();
    first.reset();

    std::unique_ptr<CMainFrame> second = ShowFrame();
    EXPECT_EQ(second->OuterSplitter()->sizes(), outerLeft);
    EXPECT_EQ(second->OuterSplitter()->findChild<QSplitter*>(QStringLiteral("InnerSplitter"))->sizes(), innerLeft);
    second->close();
}
