// Permissions... in the file list, and the header's menu for its column.
#include "list/ListViewDetail.h"

#include "app/AppCore.h"
#include "app/VamloDoc.h"
#include "fileops/RemotePermissions.h"
#include "net/NetCancel.h"
#include "list/ListItemInfo.h"
#include "list/ListViewDetailModel.h"
#include "list/PermissionsDlg.h"
#include "model/SiteInfo.h"
#include "net/NetActions.h"
#include "panes/LocalProgress.h"
#include "panes/PaneHost.h"
#include "panes/ViewHub.h"
#include "path/Paths.h"

#include <QHeaderView>
#include <QMenu>

#include <sys/stat.h>

void CListViewDetail::OnPermissions()
{
    const std::vector<int> selected = SelectedRows();
    const CListItemInfo* item = selected.size() == 1 ? Record(selected.front()) : nullptr;
    if (item == nullptr || (m_doc.m_byCurrentLocation != 1 && m_doc.m_byCurrentLocation != 2))
        return;
    const bool local = m_doc.m_byCurrentLocation == 1;
    const bool isFolder = item->IsFolder();
    const std::string folder = m_doc.m_strCurrentFolder;
    const std::string path = local ? JoinLocalPath(folder, item->m_strName) : JoinRemoteEntry(folder, item->m_strName);
    unsigned mode = isFolder ? 0755 : 0644;
    bool known = false;
    struct stat info {};
    if (local)
        known = stat(path.c_str(), &info) == 0;
    if (known)
        mode = info.st_mode & kPermissionBits;
    else if (!local)
        known = ParseModeLetters(item->m_strPermissions, mode);

    CPermissionsDlg dialog(QString::fromStdString(path), isFolder, mode, known, window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    const PermissionChange change = dialog.Change();
    IPrompts& prompts = m_app.Prompts();
    if (local) {
        CWaitCursor wait(prompts);
        CLocalProgress progress(window(), QStringLiteral("Changing permissions in %1").arg(QString::fromStdString(path)));
        CLocalPermissionPlace place;
        const CPermissionWalk::Outcome outcome =
            CPermissionWalk(place, m_doc, [&progress] { return progress.Canceled(); })
                .Apply("My Computer", path, isFolder, change);
        if (const std::string message = PermissionOutcomeMessage(path, outcome); !message.empty())
            prompts.MessageBox(message);
        m_hub.UpdateAllViews(nullptr, HINT_CONTENTS_CHANGED);
        return;
    }
    CVamloSiteInfo* site = m_doc.m_pCurrentSite;
    if (site == nullptr || !site->m_pConnection || m_frame.NetActions() == nullptr) {
        prompts.MessageBox("No connection to the ftp site.\nFailed to change the permissions of \"" + path + "\".");
        return;
    }
    m_frame.NetActions()->Start(
        site, QStringLiteral("Changing permissions of %1").arg(QString::fromStdString(path)),
        [&doc = m_doc, path, isFolder, change](NetActionContext& context) {
            const std::shared_ptr<IRemoteConnection> connection = context.site->m_pConnection;
            if (!connection)
                return;
            CNetCancel& cancel = context.cancel;
            CRemotePermissionPlace place(*connection);
            const CPermissionWalk::Outcome outcome = CPermissionWalk(place, doc, [&cancel] {
                                                         return cancel.IsCanceled();
                                                     }).Apply(context.site->m_strAddress, path, isFolder, change);
            if (const std::string message = PermissionOutcomeMessage(path, outcome); !message.empty())
                context.prompts.MessageBox(message);
        },
        [this](NetActionEnd end) {
            if (end != NetActionEnd::Busy)
                m_hub.UpdateAllViews(nullptr, HINT_CONTENTS_CHANGED);
        });
}

void CListViewDetail::ShowHeaderMenu(const QPoint& pos)
{
    QMenu menu(this);
    QAction* column = menu.addAction(QStringLiteral("&Permissions"));
    column->setObjectName(QStringLiteral("PermissionsColumn"));
    column->setCheckable(true);
    QHeaderView* head = header();
    column->setChecked(!head->isSectionHidden(CListViewDetailModel::COL_PERMISSIONS));
    connect(column, &QAction::toggled, this, [head](bool on) {
        head->setSectionHidden(CListViewDetailModel::COL_PERMISSIONS, !on);
        if (on)
            head->resizeSection(CListViewDetailModel::COL_PERMISSIONS,
                                CListViewDetailModel::ColumnWidth(CListViewDetailModel::COL_PERMISSIONS));
    });
    menu.exec(head->viewport()->mapToGlobal(pos));
}
