// Delete and Rename of a folder in the folder tree.
#include "tree/TreeViewSite.h"

#include "app/AppCore.h"
#include "app/VamloDoc.h"
#include "fileops/FileOpTexts.h"
#include "fileops/RemoteDelete.h"
#include "fileops/RenameOps.h"
#include "net/NetCancel.h"
#include "model/SiteInfo.h"
#include "net/NetActions.h"
#include "panes/LocalProgress.h"
#include "panes/PaneHost.h"
#include "panes/ViewHub.h"
#include "path/Paths.h"
#include "transfer/LocalFile.h"

#include <QLineEdit>

#include <utility>

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

bool IsFolderRecord(const CTreeItemInfo* record)
{
    return record != nullptr && (record->m_nItemType == TREE_LOCAL_FOLDER || record->m_nItemType == TREE_REMOTE_FOLDER);
}

// The folder that holds path ("/" for a top folder).
std::string ParentFolder(const std::string& path)
{
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const size_t slash = trimmed.find_last_of('/');
    if (slash == std::string::npos || slash == 0)
        return "/";
    std::string parent = trimmed.substr(0, slash);
    while (parent.size() > 1 && parent.back() == '/')
        parent.pop_back();
    return parent;
}

} // namespace

bool CTreeViewSite::OnUpdateEditDelete() const { return IsFolderRecord(Record(currentItem())); }

void CTreeViewSite::OnEditDelete()
{
    QTreeWidgetItem* item = currentItem();
    const CTreeItemInfo* record = Record(item);
    if (!IsFolderRecord(record))
        return;
    IPrompts& prompts = m_app.Prompts();
    if (prompts.MessageBox("Are you sure you want to delete the folder \"" + item->text(0).toStdString() + "\"?",
                           MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return;
    // The folder the user was asked about is the one deleted, even while the
    // panes have not followed the highlight yet.
    const std::string path = record->m_strPath;
    if (record->m_byLocation == 1) {
        CWaitCursor wait(prompts);
        CLocalProgress progress(window(), QStringLiteral("Deleting %1").arg(Q(path)));
        FinishFolderDelete(item, m_doc.DeleteLocalFolder(path, [&progress] { return progress.Canceled(); }));
        // A cancel leaves part of the folder: the tree shows what is left.
        if (progress.WasCanceled())
            PopulateChildren(item);
        return;
    }
    CVamloSiteInfo* site = record->m_pSiteInfo;
    if (site == nullptr || !site->m_pConnection) {
        // Said without the network: no site, or no connection.
        FinishFolderDelete(item, CRemoteDelete(site, prompts).DeleteRemoteFolder(path));
        return;
    }
    auto result = std::make_shared<int>(0);
    const bool started = Actions().Start(
        site, QStringLiteral("Deleting %1").arg(Q(path)),
        [path, result](NetActionContext& context) {
            CNetCancel& cancel = context.cancel;
            *result = CRemoteDelete(context.site, context.prompts, [&cancel] { return cancel.IsCanceled(); })
                          .DeleteRemoteFolder(path);
        },
        [this, item, site, path, result](NetActionEnd end) {
            if (end == NetActionEnd::Busy)
                return;
            // The item may have gone meanwhile (its site disconnected).
            FinishFolderDelete(ItemStands(item, site, path) ? item : nullptr, end == NetActionEnd::Done ? *result : 0);
        });
    (void)started;
}

void CTreeViewSite::FinishFolderDelete(QTreeWidgetItem* item, int result)
{
    if (result == 1 && item != nullptr) {
        // The deleted folder cannot stay the panes' folder: its parent takes over.
        if (currentItem() == item || IsDescendantOf(currentItem(), item))
            if (QTreeWidgetItem* parent = item->parent())
                setCurrentItem(parent);
        DeleteItem(item);
    }
    if (m_bContextSelect == 1) {
        if (m_hPrevSelItem != nullptr)
            setCurrentItem(m_hPrevSelItem);
        m_hPrevSelItem = nullptr;
        m_bContextSelect = 0;
    }
    m_hub.UpdateAllViews(this, HINT_NONE);
    m_frame.UpdateCommandStates();
}

void CTreeViewSite::OnRename()
{
    CWaitCursor wait(m_app.Prompts());
    if (!IsFolderRecord(Record(currentItem())))
        return;
    QTreeWidgetItem* item = m_hContextItem != nullptr ? m_hContextItem : currentItem();
    if (!IsFolderRecord(Record(item)))
        return;
    m_strOldLabel = item->text(0).toStdString();
    m_hEditItem = item;
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    editItem(item, 0);
}

void CTreeViewSite::commitData(QWidget* editor)
{
    // The first commit of an edit counts (losing the focus commits again).
    // The rename follows once the view is done with the editor, so that no
    // question (a busy site) runs its loop under it.
    QTreeWidgetItem* item = std::exchange(m_hEditItem, nullptr);
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (item == nullptr || line == nullptr)
        return;
    QMetaObject::invokeMethod(
        this,
        [this, item, name = line->text()] {
            if (ItemIsInTree(item))
                OnEndLabelEdit(item, name);
        },
        Qt::QueuedConnection);
}

void CTreeViewSite::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    // Escape closes the editor without a commit: nothing is renamed.
    QTreeWidget::closeEditor(editor, hint);
    if (QTreeWidgetItem* item = currentItem(); item != nullptr && (item->flags() & Qt::ItemIsEditable))
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    m_hEditItem = nullptr;
}

void CTreeViewSite::PostRenameDirFailed()
{
    QMetaObject::invokeMethod(m_frame.HostWindow(), [frame = &m_frame] { frame->OnRenameDirFailed(); }, Qt::QueuedConnection);
}

void CTreeViewSite::OnEndLabelEdit(QTreeWidgetItem* item, const QString& newName)
{
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    const CTreeItemInfo* record = Record(item);
    if (!IsFolderRecord(record))
        return;
    const std::string name = newName.toStdString();
    if (name == m_strOldLabel)
        return;   // nothing to rename
    if (!IsValidEntryName(name)) {
        PostRenameDirFailed();
        return;
    }
    const std::string oldPath = record->m_strPath;
    if (record->m_byLocation == 1) {
        CWaitCursor wait(m_app.Prompts());
        const std::string newPath = JoinLocalPath(ParentFolder(oldPath), name);
        if (RenameLocalNoReplace(oldPath, newPath) != 0) {
            PostRenameDirFailed();
            return;
        }
        ApplyRename(item, newPath, newName);
        return;
    }
    CVamloSiteInfo* site = record->m_pSiteInfo;
    if (site == nullptr || !site->m_pConnection) {
        PostRenameDirFailed();
        return;
    }
    const std::string newPath = JoinRemotePath(ParentFolder(oldPath), name);
    auto renamed = std::make_shared<int>(0);
    Actions().Start(
        site, QStringLiteral("Renaming %1").arg(Q(oldPath)),
        [oldPath, newPath, renamed](NetActionContext& context) {
            const std::shared_ptr<CFtpConnection> connection = context.site->m_pConnection;
            if (connection)
                *renamed = RenameRemote(*connection, oldPath, newPath, nullptr);
        },
        [this, item, site, oldPath, newPath, newName, renamed](NetActionEnd end) {
            if (end == NetActionEnd::Busy)
                return;
            if (end != NetActionEnd::Done || *renamed != 1) {
                PostRenameDirFailed();
                return;
            }
            if (ItemStands(item, site, oldPath))
                ApplyRename(item, newPath, newName);
        });
}

void CTreeViewSite::ApplyRename(QTreeWidgetItem* item, const std::string& newPath, const QString& newName)
{
    CTreeItemInfo* record = Record(item);
    if (record == nullptr)
        return;
    record->m_strPath = newPath;
    item->setText(0, newName);
    const bool isDocItem = item == m_hDocItem || IsDescendantOf(m_hDocItem, item);
    // The subfolders' items hold paths under the old name: they are read again.
    if (item->childCount() > 0) {
        DeleteChildItems(item);
        AddDummyChild(item);
        item->setExpanded(false);
    }
    if (isDocItem) {
        m_hDocItem = item;
        if (currentItem() != item)
            SelectQuietly(item);
        m_doc.m_strCurrentFolder = newPath;
        SetCaption(newPath);
        m_frame.ShowPlaceInTitle(m_doc.m_byCurrentLocation, m_doc.m_strCurrentFolder, m_doc.m_pCurrentSite);
    }
    m_hub.UpdateAllViews(this, HINT_NONE);
}
