#pragma once

// A main frame, a document and a folder tree over a real pyftpdlib server.

#include "log/PaneCaption.h"
#include "tree/TreeViewSite.h"
#include "volumes/Volumes.h"

#include "ListViewHarness.h"

#include <QDropEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <gtest/gtest.h>

// The child of parent with that text, or nullptr.
inline QTreeWidgetItem* Child(QTreeWidgetItem* parent, const QString& text)
{
    for (int i = 0; parent != nullptr && i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == text)
            return parent->child(i);
    return nullptr;
}

// The item of a local folder, opened level by level from the volume that
// holds it.
inline QTreeWidgetItem* OpenLocalPath(CTreeViewSite& tree, const std::string& path)
{
    QTreeWidgetItem* item = nullptr;
    std::filesystem::path rest;
    for (int i = 0; item == nullptr && i < tree.MyComputerItem()->childCount(); ++i) {
        const std::string root = CTreeViewSite::Record(tree.MyComputerItem()->child(i))->m_strPath;
        const std::filesystem::path relative = std::filesystem::path(path).lexically_relative(root);
        if (!relative.empty() && *relative.begin() != "..") {
            item = tree.MyComputerItem()->child(i);
            rest = relative == "." ? std::filesystem::path() : relative;
        }
    }
    for (const std::filesystem::path& part : rest) {
        if (item != nullptr)
            item->setExpanded(true);
        item = Child(item, QString::fromStdString(part.string()));
    }
    return item;
}

class TreeHarness : public FtpServerFixture, protected GuiProgram {
protected:
    explicit TreeHarness(FtpServerOptions options = {}) : FtpServerFixture(std::move(options)) {}

    void SetUp() override
    {
        FtpServerFixture::SetUp();
        BuildProgram();
        ASSERT_EQ(doc->OnNewDocument(app.m_strSiteListPath), 1);
        tree = new CTreeViewSite(*doc, app, *frame, hub);
        // "My Computer" holds the test's own folder, not the host's mounts.
        tree->m_fnListVolumes = [this] { return volumes; };
    }

    void TearDown() override { TearDownProgram(); }

    std::string Address() const { return "ftp://127.0.0.1:" + std::to_string(m_server.Port()); }

    // A site record owned by the frame, as the site list would hold it.
    CVamloSiteInfo* AddSiteRecord(const std::string& user = "user", int available = 1, int reconnect = 0)
    {
        auto site = std::make_unique<CVamloSiteInfo>();
        site->m_strAddress = Address();
        site->m_strUserName = user;
        site->m_strPassword = "secret";
        site->m_bAvailable = available;
        site->m_bReconnectAtLogon = reconnect;
        frame->m_siteList.push_back(std::move(site));
        return frame->m_siteList.back().get();
    }

    void MakeServerFolder(const std::string& relative)
    {
        std::filesystem::create_directories(m_server.Path(relative));
    }

    static QStringList ChildTexts(QTreeWidgetItem* parent)
    {
        QStringList texts;
        for (int i = 0; i < parent->childCount(); ++i)
            texts << parent->child(i)->text(0);
        return texts;
    }

    static std::string PathOf(QTreeWidgetItem* item)
    {
        const CTreeItemInfo* record = CTreeViewSite::Record(item);
        return record != nullptr ? record->m_strPath : std::string("<no record>");
    }

    // Lets the tree's network actions (connects, listings) come to their end.
    void Settle() { ASSERT_TRUE(WaitForNetIdle()) << "a network action did not end"; }

    // The folder picked in the tree, as a click does; the list follows.
    void Show(QTreeWidgetItem* item)
    {
        ASSERT_NE(item, nullptr);
        tree->setFocus();
        tree->setCurrentItem(item);
        Settle();
    }

    // The site shown and selected, as the address flows leave it.
    QTreeWidgetItem* ShowSite(CVamloSiteInfo* site)
    {
        tree->AddSiteItem(site);
        Settle();
        return tree->FindSiteItem(site);
    }

    TempDir local;
    std::vector<VolumeEntry> volumes{{local.Path(), "", VolumeKind::Local}};
    CViewHub hub;
    CTreeViewSite* tree = nullptr;   // owned by the frame's tree pane
};

// The tree and the file list side by side in a shown window, for the roads
// that cross from one pane to the other. Local folders made before SetUp are
// in the tree at once.
class PanesHarness : public TreeHarness {
protected:
    void SetUp() override
    {
        TreeHarness::SetUp();
        list = new CListViewDetail(*doc, app, *frame, hub);
        list->OnInitialUpdate();
        tree->OnInitialUpdate();
        frame->resize(1000, 700);
        frame->show();
    }

    void TearDown() override
    {
        if (doc)
            doc->WaitForTransfer();
        TreeHarness::TearDown();
    }

    // A site logged in and shown; its item.
    QTreeWidgetItem* Connect()
    {
        site = AddSiteRecord();
        QTreeWidgetItem* item = ShowSite(site);
        EXPECT_NE(item, nullptr);
        return item;
    }

    QTreeWidgetItem* RemoteFolder(const QString& name)
    {
        QTreeWidgetItem* siteItem = tree->FindSiteItem(site);
        siteItem->setExpanded(true);
        EXPECT_TRUE(WaitForNetIdle());
        return Child(siteItem, name);
    }

    QTreeWidgetItem* LocalFolder(const std::string& relative) { return OpenLocalPath(*tree, local.File(relative)); }

    int RowOf(const std::string& name) const { return RowIn(*list, name); }
    std::vector<std::string> ListNames() const { return NamesIn(*list); }
    void SelectRows(const std::vector<std::string>& names) { SelectIn(*list, names); }
    std::vector<std::string> SelectedNames() const { return SelectedIn(*list); }

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

    void WaitForTransfer()
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !doc->IsTransferRunning(); }, 20000));
        ASSERT_TRUE(WaitForNetIdle());
    }

    CListViewDetail* list = nullptr;
    CVamloSiteInfo* site = nullptr;
};
