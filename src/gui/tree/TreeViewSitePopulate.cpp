// Reading the folders under a tree item: local ones from the disk, in a
// bounded time, and remote ones from the FTP server in a short network action.
#include "tree/TreeViewSite.h"

#include "app/AppCore.h"
#include "app/Prompts.h"
#include "app/VamloDoc.h"
#include "model/SiteInfo.h"
#include "net/NetActions.h"
#include "path/Paths.h"
#include "transfer/LocalFile.h"
#include "volumes/Volumes.h"

#include <QTreeWidgetItemIterator>

#include <memory>
#include <vector>

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

} // namespace

void CTreeViewSite::PopulateChildren(QTreeWidgetItem* item, std::function<void()> then)
{
    CTreeItemInfo* record = Record(item);
    if (record == nullptr)
        return;
    CWaitCursor wait(m_app.Prompts());
    SetStatusText("Searching folders...");
    switch (record->m_nItemType) {
    case TREE_DRIVE:
    case TREE_LOCAL_FOLDER:
        PopulateLocal(item, *record);
        break;
    case TREE_FTP_SITE:
    case TREE_REMOTE_FOLDER:
        PopulateRemote(item, *record, std::move(then));
        return;
    default:
        SetStatusText("Ready");
        break;
    }
    if (then)
        then();
}

void CTreeViewSite::PopulateLocal(QTreeWidgetItem* item, CTreeItemInfo& record)
{
    const std::string folder = record.m_strPath;
    SetStatusText("Searching " + RemoteSearchPattern(folder));
    // A dead network mount or an empty drive must not hang the window: the
    // folder is read on a thread and given up after a while.
    const std::optional<std::vector<LocalSubfolder>> found = RunBounded<std::vector<LocalSubfolder>>(
        [folder] { return ReadLocalSubfolders(folder); }, kVolumeAnswerLimit);
    DeleteChildItems(item);
    if (!found) {
        SetStatusText("The folder " + folder + " did not answer.");
        return;
    }
    for (const LocalSubfolder& subfolder : *found) {
        const std::string path = JoinLocalPath(folder, subfolder.name);
        QTreeWidgetItem* child =
            AddRecordItem(item, Q(subfolder.name), IMAGE_CLOSED_FOLDER, TREE_LOCAL_FOLDER, 1, path, nullptr);
        if (subfolder.hasSubfolder)
            AddDummyChild(child);
        SetStatusText("Found: " + path);
    }
    SetStatusText("Ready");
}

bool CTreeViewSite::ItemIsInTree(const QTreeWidgetItem* item) const
{
    if (item == nullptr)
        return false;
    for (QTreeWidgetItemIterator it(const_cast<CTreeViewSite*>(this)); *it != nullptr; ++it)
        if (*it == item)
            return true;
    return false;
}

bool CTreeViewSite::ItemStands(QTreeWidgetItem* item, const CVamloSiteInfo* site, const std::string& path) const
{
    // A deleted item's address may come back as a new item: the record says.
    if (!ItemIsInTree(item))
        return false;
    const CTreeItemInfo* record = Record(item);
    return record != nullptr && record->m_pSiteInfo == site && record->m_strPath == path;
}

void CTreeViewSite::PopulateRemote(QTreeWidgetItem* item, CTreeItemInfo& record, std::function<void()> then)
{
    if (m_doc.m_bClosing == 1)
        return;
    CVamloSiteInfo* site = record.m_pSiteInfo;
    if (site == nullptr)
        return;
    const std::string folder = record.m_strPath;
    struct Result {
        bool connected = false;
        bool listed = false;
        std::vector<RemoteSubfolder> children;
    };
    auto result = std::make_shared<Result>();
    Actions().StartRead(
        site, QStringLiteral("Reading the folders of %1%2").arg(Q(site->m_strAddress), Q(folder)),
        [result, folder](NetActionContext& context) {
            result->connected = EnsureSiteConnection(context);
            if (result->connected)
                result->listed = ListRemoteSubfolders(context, folder, result->children);
        },
        [this, item, site, folder, result, then = std::move(then)](NetActionEnd end) {
            if (end != NetActionEnd::Done || !result->listed || !ItemStands(item, site, folder)) {
                if (end == NetActionEnd::Canceled)
                    SetStatusText("Ready");
                return;
            }
            ApplyRemoteChildren(item, result->children);
            SortSiteItems();
            SetStatusText("Ready");
            if (then)
                then();
        });
}

void CTreeViewSite::ApplyRemoteChildren(QTreeWidgetItem* item, const std::vector<RemoteSubfolder>& children)
{
    // The selection leaves the children about to go; the item was just read,
    // so it needs no connection check of its own.
    for (const QTreeWidgetItem* up = currentItem(); up != nullptr; up = up->parent()) {
        if (up->parent() == item) {
            SelectQuietly(item);
            break;
        }
    }
    DeleteChildItems(item);
    CTreeItemInfo* record = Record(item);
    for (const RemoteSubfolder& child : children) {
        QTreeWidgetItem* added = AddRecordItem(item, Q(child.name), IMAGE_CLOSED_FOLDER, TREE_REMOTE_FOLDER, 2,
                                               child.path, record->m_pSiteInfo);
        if (child.hasSubfolder)
            AddDummyChild(added);
    }
}
