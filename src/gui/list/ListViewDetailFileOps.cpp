// Delete, Rename and New Directory in the file list.
#include "list/ListViewDetail.h"

#include "app/AppCore.h"
#include "app/VamloDoc.h"
#include "fileops/FileOpTexts.h"
#include "fileops/LocalDelete.h"
#include "fileops/RemoteDelete.h"
#include "fileops/RenameOps.h"
#include "net/NetCancel.h"
#include "list/ListItemInfo.h"
#include "list/ListViewDetailModel.h"
#include "model/SiteInfo.h"
#include "net/NetActions.h"
#include "panes/LocalProgress.h"
#include "panes/NewDirDlg.h"
#include "panes/PaneHost.h"
#include "panes/ViewHub.h"
#include "path/Paths.h"
#include "transfer/LocalFile.h"

#include <QLineEdit>

#include <cerrno>
#include <tuple>
#include <utility>

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

} // namespace

bool CListViewDetail::OnUpdateEditDelete() const { return !SelectedRows().empty(); }

void CListViewDetail::OnEditDelete()
{
    m_doc.m_bDeleteYesToAll = 0;
    const std::vector<int> selected = SelectedRows();
    if (selected.empty())
        return;
    IPrompts& prompts = m_app.Prompts();
    std::string question;
    if (selected.size() == 1) {
        const CListItemInfo* item = Record(selected.front());
        if (item == nullptr || (item->m_nKind != LIST_KIND_FILE && item->m_nKind != LIST_KIND_FOLDER))
            return;
        question = std::string("Are you sure you want to delete the ") +
                   (item->IsFolder() ? "folder \"" : "file \"") + item->m_strName + "\"?";
    } else {
        question = "Are you sure you want to delete the selected " + std::to_string(selected.size()) + " items?";
    }
    if (prompts.MessageBox(question, MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return;

    std::vector<DeleteRow> rows;
    for (const int row : selected)
        if (const CListItemInfo* item = Record(row);
            item != nullptr && (item->m_nKind == LIST_KIND_FILE || item->m_nKind == LIST_KIND_FOLDER))
            rows.push_back({item->m_strName, item->IsFolder()});
    const std::string folder = m_doc.m_strCurrentFolder;

    if (m_doc.m_byCurrentLocation == 1) {
        CWaitCursor wait(prompts);
        CLocalProgress progress(window(), QStringLiteral("Deleting in %1").arg(Q(folder)));
        if (CLocalDelete(m_doc, prompts, [&progress] { return progress.Canceled(); }).DeleteRows(folder, rows))
            m_hub.UpdateAllViews(nullptr, HINT_DELETED);
        return;
    }
    if (m_doc.m_byCurrentLocation != 2)
        return;
    CVamloSiteInfo* site = m_doc.m_pCurrentSite;
    if (site == nullptr || !site->m_pConnection || m_frame.NetActions() == nullptr) {
        prompts.MessageBox("No connection to the ftp site.\nFailed to delete the file or directory");
        return;
    }
    auto done = std::make_shared<bool>(false);
    const QString doing = rows.size() == 1 ? QStringLiteral("Deleting %1//%2").arg(Q(folder), Q(rows.front().name))
                                           : QStringLiteral("Deleting %1 items in %2").arg(rows.size()).arg(Q(folder));
    m_frame.NetActions()->Start(
        site, doing,
        [rows, folder, done](NetActionContext& context) {
            CNetCancel& cancel = context.cancel;
            *done = CRemoteDelete(context.site, context.prompts, [&cancel] { return cancel.IsCanceled(); })
                        .DeleteRows(folder, rows);
        },
        [this, done](NetActionEnd end) {
            // A cancel leaves what was not reached yet: the views show what is left.
            if ((end == NetActionEnd::Done && *done) || end == NetActionEnd::Canceled)
                m_hub.UpdateAllViews(nullptr, HINT_DELETED);
        });
}

void CListViewDetail::OnRename()
{
    CWaitCursor wait(m_app.Prompts());
    if (m_nContextItem >= 0)
        EditRowName(m_nContextItem);
}

void CListViewDetail::EditRowName(int row)
{
    const CListItemInfo* item = Record(row);
    if (item == nullptr)
        return;
    m_strOldLabel = item->m_strName;
    m_bEditingLabel = 1;
    m_nEditRow = row;
    m_editPlace = {m_doc.m_byCurrentLocation, m_doc.m_pCurrentSite, m_doc.m_strCurrentFolder};
    const QModelIndex index = m_pModel->index(row, CListViewDetailModel::COL_NAME);
    setCurrentIndex(index);
    edit(index);
}

void CListViewDetail::commitData(QWidget* editor)
{
    // Only the first commit of an edit counts (the editor losing the focus
    // commits again). The rename and its messages come once the view is done
    // with the editor: a message box's loop run from here would let the
    // editor be deleted under the view's hands.
    const int row = std::exchange(m_nEditRow, -1);
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (row < 0 || line == nullptr)
        return;
    QMetaObject::invokeMethod(
        this,
        [this, row, name = line->text()] {
            // Should the panes have moved to another folder since the edit
            // began, the name renames nothing there.
            if (std::tie(m_doc.m_byCurrentLocation, m_doc.m_pCurrentSite, m_doc.m_strCurrentFolder) == m_editPlace)
                OnEndLabelEdit(row, name);
            else
                m_bEditingLabel = 0;
        },
        Qt::QueuedConnection);
}

void CListViewDetail::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    // Escape closes the editor without a commit: nothing is renamed.
    QTreeView::closeEditor(editor, hint);
    m_nEditRow = -1;
    m_bEditingLabel = 0;
}

void CListViewDetail::OnEndLabelEdit(int row, const QString& newName)
{
    CWaitCursor wait(m_app.Prompts());
    IPrompts& prompts = m_app.Prompts();
    const std::string name = newName.toStdString();
    const std::string oldName = m_strOldLabel;
    m_bEditingLabel = 0;
    if (name == oldName)
        return;   // nothing to rename
    const bool valid = IsValidEntryName(name);
    const std::string folder = m_doc.m_strCurrentFolder;

    if (m_doc.m_byCurrentLocation == 1) {
        const int error = valid ? RenameLocalNoReplace(JoinLocalPath(folder, oldName), JoinLocalPath(folder, name))
                                : EINVAL;
        if (error != 0) {
            prompts.MessageBox(LocalRenameFailureText(error));
            return;
        }
        m_pModel->SetName(row, name);
        m_hub.UpdateAllViews(this, HINT_RENAMED);
        return;
    }
    if (m_doc.m_byCurrentLocation != 2)
        return;
    CVamloSiteInfo* site = m_doc.m_pCurrentSite;
    if (site == nullptr) {
        prompts.MessageBox("Failed to rename the file or directory");
        return;
    }
    if (!site->m_pConnection || m_frame.NetActions() == nullptr) {
        prompts.MessageBox("No connection to the ftp site.\nFailed to rename the file or directory");
        return;
    }
    if (!valid) {
        prompts.MessageBox("Failed to rename the directory." + ShortCause(EINVAL));
        return;
    }
    const std::string from = JoinRemoteEntry(folder, oldName);
    const std::string to = JoinRemoteEntry(folder, name);
    auto renamed = std::make_shared<int>(0);
    auto cause = std::make_shared<std::string>();
    m_frame.NetActions()->Start(
        site, QStringLiteral("Renaming %1").arg(Q(from)),
        [from, to, renamed, cause](NetActionContext& context) {
            const std::shared_ptr<CFtpConnection> connection = context.site->m_pConnection;
            if (connection)
                *renamed = RenameRemote(*connection, from, to, cause.get());
        },
        [this, site, folder, oldName, name, renamed, cause](NetActionEnd end) {
            if (end == NetActionEnd::Busy)
                return;
            if (*renamed != 1) {
                m_app.Prompts().MessageBox("Failed to rename the directory." + *cause);
                return;
            }
            // The list may have been read again meanwhile: the row is found by its name.
            if (m_doc.m_pCurrentSite == site && m_doc.m_strCurrentFolder == folder)
                m_pModel->SetName(m_pModel->FindName(oldName), name);
            m_hub.UpdateAllViews(this, HINT_RENAMED);
        });
}

void CListViewDetail::OnNewDirectory()
{
    CNewDirDlg dialog(this);
    const bool accepted = m_fnRunNewDirDlg ? m_fnRunNewDirDlg(dialog) : dialog.exec() == QDialog::Accepted;
    if (!accepted || dialog.m_strDirName.empty())
        return;
    IPrompts& prompts = m_app.Prompts();
    const std::string name = dialog.m_strDirName;
    const std::string folder = m_doc.m_strCurrentFolder;

    if (m_doc.m_byCurrentLocation == 1) {
        const std::string path = JoinLocalPath(folder, name);
        if (!IsValidEntryName(name)) {
            prompts.MessageBox("Failed to create new directory " + path + ShortCause(EINVAL));
            return;
        }
        CWaitCursor wait(prompts);
        if (CreateLocalDirectory(prompts, path) == 1)
            m_hub.UpdateAllViews(nullptr, HINT_NEW_DIRECTORY);
        return;
    }
    if (m_doc.m_byCurrentLocation != 2) {
        m_hub.UpdateAllViews(nullptr, HINT_NEW_DIRECTORY);
        return;
    }
    const std::string path = JoinRemoteEntry(folder, name);
    CVamloSiteInfo* site = m_doc.m_pCurrentSite;
    if (site == nullptr) {
        prompts.MessageBox("No connection to the ftp site,\nFailed to create new directory " + path);
        return;
    }
    if (!site->m_pConnection || m_frame.NetActions() == nullptr) {
        prompts.MessageBox("No connection to the ftp site.\nFailed to create new directory " + path);
        return;
    }
    if (!IsValidEntryName(name)) {
        prompts.MessageBox("Failed to create new directory " + path + ShortCause(EINVAL));
        return;
    }
    auto created = std::make_shared<int>(0);
    m_frame.NetActions()->Start(
        site, QStringLiteral("Creating %1").arg(Q(path)),
        [path, created](NetActionContext& context) {
            const std::shared_ptr<CFtpConnection> connection = context.site->m_pConnection;
            if (connection)
                *created = CreateRemoteDirectory(context.prompts, *connection, path);
            else
                context.prompts.MessageBox("No connection to the ftp site.\nFailed to create new directory " + path);
        },
        [this, created](NetActionEnd end) {
            if (end == NetActionEnd::Done && *created == 1)
                m_hub.UpdateAllViews(nullptr, HINT_NEW_DIRECTORY);
        });
}
