// Sites in the tree: showing, removing, and the commands of a site's and a
// drive's context menu.
#include "tree/TreeViewSite.h"

#include "app/AppCore.h"
#include "app/Prompts.h"
#include "app/VamloDoc.h"
#include "remote/RemoteEngine.h"
#include "connect/UrlParser.h"
#include "model/SiteInfo.h"
#include "net/NetActions.h"
#include "panes/PaneHost.h"
#include "panes/ViewHub.h"
#include "sites/SiteDialogValues.h"
#include "sites/SiteInfoDlg.h"
#include "volumes/DrivePropertiesDlg.h"

#include <QSignalBlocker>

#include <algorithm>
#include <mutex>

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// An SFTP site is captioned as an FTP site; its image and tooltip tell it
// apart. SSH is always encrypted, so it never gets the TLS padlock.
bool IsSftp(const ParsedUrl& url) { return url.scheme == "sftp"; }

// The caption names the host alone; two sites on one host differ in what
// the tooltip adds: scheme, port and user.
QString SiteToolTip(const ParsedUrl& url, const std::string& user, bool encrypted)
{
    const std::string host = url.host.find(':') != std::string::npos ? "[" + url.host + "]" : url.host;
    const std::string login = user.empty() ? std::string() : user + "@";
    const char* kind = IsSftp(url) ? "\nSFTP" : encrypted ? "\nEncrypted (TLS)" : "";
    return Q(url.scheme + "://" + login + host + ":" + std::to_string(url.port) + kind);
}

int SiteImage(const ParsedUrl& url, bool encrypted)
{
    return IsSftp(url) ? IMAGE_SFTP_SITE : encrypted ? IMAGE_ENCRYPTED_FTP_SITE : IMAGE_FTP_SITE;
}

} // namespace

void CTreeViewSite::AddSiteItem(CVamloSiteInfo* site, const std::vector<std::string>& folders)
{
    if (site == nullptr || m_hInternetItem == nullptr)
        return;
    if (QTreeWidgetItem* shown = FindSiteItem(site)) {
        // One item per site: a second would be left behind by Disconnect.
        setCurrentItem(shown);
        if (!folders.empty())
            PopulateChildren(shown, [this, shown, site, folders] { OpenFolderPath(shown, site, folders, 0); });
        return;
    }
    // The record is not touched while a transfer or another action uses it.
    if (Actions().IsSiteBusy(site)) {
        Actions().ShowBusyMessage(site);
        return;
    }
    CWaitCursor wait(m_app.Prompts());
    SetStatusText("Parsing ftp site address: " + site->m_strAddress);
    std::optional<ParsedUrl> url = ParseUrl(site->m_strAddress);
    if (!url) {
        const std::string prefixed = "ftp://" + site->m_strAddress;
        SetStatusText("Parsing ftp site address: " + prefixed);
        url = ParseUrl(prefixed);
        if (!url) {
            m_app.Prompts().MessageBox("The ftp site address \"" + prefixed +
                                           "\" is invalid.\nPlease enter the ftp site address again!",
                                       MsgButtons::Ok, MsgIcon::Error);
            return;
        }
        site->m_strAddress = prefixed;
    }

    struct Result {
        bool shown = false;
        bool encrypted = false;
        std::string directory;
    };
    auto result = std::make_shared<Result>();
    Actions().Start(
        site, QStringLiteral("Connecting to ftp site: %1").arg(Q(site->m_strAddress)),
        [result](NetActionContext& context) {
            CVamloSiteInfo* record = context.site;
            if (!record->m_pConnection) {
                context.prompts.SetStatusText("Connecting to ftp site: " + record->m_strAddress);
                if (record->Connect(context.connect) != 1) {
                    context.prompts.SetStatusText("Failed to connect to ftp site: " + record->m_strAddress);
                    return;
                }
                context.prompts.SetStatusText("Successfully connected to ftp site: " + record->m_strAddress);
            }
            if (record->m_pConnection->GetCurrentDirectory(result->directory) != 1)
                return;
            result->shown = true;
            result->encrypted = record->m_pConnection->IsEncrypted();
        },
        [this, site, address = *url, result, folders](NetActionEnd end) {
            if (end != NetActionEnd::Done || !result->shown || m_hInternetItem == nullptr)
                return;
            if (FindSiteItem(site) != nullptr) {
                AddSiteItem(site, folders);
                return;
            }
            const std::string text = result->directory == "/" ? "Ftp: " + address.host
                                                              : "Ftp: " + site->m_strUserName + "@" + address.host;
            SetStatusText("Creating ftp site tree item " + text);
            QTreeWidgetItem* item =
                AddRecordItem(m_hInternetItem, Q(text), SiteImage(address, result->encrypted), TREE_FTP_SITE, 2,
                              result->directory, site);
            item->setToolTip(0, SiteToolTip(address, site->m_strUserName, result->encrypted));
            site->m_hTreeItem = reinterpret_cast<std::uintptr_t>(item);
            SortSiteItems();
            SetStatusText("Ready");
            // Just connected: the selection needs no connection check.
            SelectQuietly(item);
            // The site is there once logged on; its folders come in a read
            // of their own, which a slow one holds up alone and Cancel ends.
            AddDummyChild(item);
            if (folders.empty())
                PopulateChildren(item);
            else
                PopulateChildren(item, [this, item, site, folders] { OpenFolderPath(item, site, folders, 0); });
        });
}

void CTreeViewSite::OpenFolderPath(QTreeWidgetItem* item, CVamloSiteInfo* site, std::vector<std::string> folders,
                                   size_t next)
{
    // A link may name the login folder itself first: ftp://host/home/user/docs.
    if (next == 0) {
        const std::vector<std::string> login = LinkFolderNames(Record(item)->m_strPath);
        if (login.size() <= folders.size() && std::equal(login.begin(), login.end(), folders.begin()))
            next = login.size();
    }
    QTreeWidgetItem* child = nullptr;
    for (int i = 0; next < folders.size() && child == nullptr && i < item->childCount(); ++i)
        if (item->child(i)->text(0) == Q(folders[next]) && Record(item->child(i)) != nullptr)
            child = item->child(i);
    if (child != nullptr && next + 1 < folders.size()) {
        PopulateChildren(child, [this, child, site, folders = std::move(folders), next]() mutable {
            OpenFolderPath(child, site, std::move(folders), next + 1);
        });
        return;
    }
    QTreeWidgetItem* target = child != nullptr ? child : item;
    {
        // Read already on the way down: expanding must not read them again.
        const QSignalBlocker quiet(this);
        for (QTreeWidgetItem* up = target->parent(); up != nullptr; up = up->parent())
            up->setExpanded(true);
    }
    scrollToItem(target);
    setCurrentItem(target);
    if (child == nullptr && next < folders.size())
        SetStatusText("The folder \"" + folders[next] + "\" was not found on ftp site: " + site->m_strAddress);
}

void CTreeViewSite::ShowSiteConnection(CVamloSiteInfo* site)
{
    QTreeWidgetItem* item = FindSiteItem(site);
    if (item == nullptr)
        return;
    // Only looked at while nobody uses the site: its connection is theirs.
    // While an action of ours runs on it, even a moment's hold here would
    // make that worker find the site taken and report it busy.
    if (Actions().HasActionOn(site))
        return;
    std::unique_lock<std::mutex> inUse(site->m_mutexInUse, std::try_to_lock);
    if (!inUse.owns_lock())
        return;
    const bool connected = site->m_pConnection && site->m_pConnection->IsOpen();
    if (item->data(0, kDisconnectedRole).toBool() == !connected)
        return;
    item->setData(0, kDisconnectedRole, !connected);
    const QIcon icon = ImageIcon(item->data(0, kImageRole).toInt());
    item->setIcon(0, connected ? icon : QIcon(icon.pixmap(iconSize(), QIcon::Disabled)));
    item->setForeground(0, connected ? palette().brush(QPalette::Text)
                                     : palette().brush(QPalette::Disabled, QPalette::Text));
    const QString tip = item->toolTip(0).section(QStringLiteral("\nDisconnected"), 0, 0);
    item->setToolTip(0, connected ? tip : tip + QStringLiteral("\nDisconnected"));
}

bool CTreeViewSite::RemoveSiteItem(CVamloSiteInfo* site)
{
    if (site == nullptr)
        return true;
    if (Actions().IsSiteBusy(site)) {
        Actions().ShowBusyMessage(site);
        return false;
    }
    if (QTreeWidgetItem* item = FindSiteItem(site))
        RemoveSiteTreeItem(item, site);
    site->m_hTreeItem = 0;
    site->DisconnectWithoutWaiting();
    return true;
}

void CTreeViewSite::RemoveSiteTreeItem(QTreeWidgetItem* item, CVamloSiteInfo* site)
{
    QTreeWidgetItem* previous = itemAbove(item);
    if (previous == nullptr && item->parent() != nullptr) {
        const int index = item->parent()->indexOfChild(item);
        previous = index > 0 ? item->parent()->child(index - 1) : nullptr;
    }
    // Selected before the item goes, so that the tree never picks a
    // neighbour of its own in between.
    bool selectedInside = false;
    for (const QTreeWidgetItem* up = currentItem(); up != nullptr; up = up->parent())
        selectedInside = selectedInside || up == item;
    if (previous != nullptr && selectedInside)
        setCurrentItem(previous);
    site->m_hTreeItem = 0;
    DeleteItem(item);
    if (previous != nullptr && currentItem() != previous)
        setCurrentItem(previous);
    // The panes never go on showing a folder of a site that is gone.
    if (m_doc.m_pCurrentSite == site) {
        m_hDocItem = nullptr;
        m_doc.m_strCurrentFolder.clear();
        m_doc.m_byCurrentLocation = 0;
        m_doc.m_pCurrentSite = nullptr;
        m_hub.UpdateAllViews(this, HINT_FOLDER_CHANGED);
        SetCaption(m_doc.m_strCurrentFolder);
        m_frame.ShowPlaceInTitle(0, {}, nullptr);
        RestoreDocumentSelection();
    }
}

void CTreeViewSite::OnReconnect()
{
    CTreeItemInfo* record = Record(currentItem());
    if (record == nullptr || record->m_pSiteInfo == nullptr)
        return;
    CVamloSiteInfo* site = record->m_pSiteInfo;
    Actions().Start(
        site, QStringLiteral("Connecting to ftp site: %1").arg(Q(site->m_strAddress)),
        [](NetActionContext& context) {
            CVamloSiteInfo* record = context.site;
            context.prompts.SetStatusText("Connecting to ftp site: " + record->m_strAddress);
            if (record->Reconnect(context.connect) == 1)
                context.prompts.SetStatusText("Successfully reconnected to ftp site: " + record->m_strAddress);
            else
                context.prompts.SetStatusText("Failed to connect to ftp site: " + record->m_strAddress);
        },
        {});
}

void CTreeViewSite::OnDisconnect()
{
    QTreeWidgetItem* item = currentItem();
    CTreeItemInfo* record = Record(item);
    if (record == nullptr || record->m_pSiteInfo == nullptr)
        return;
    CVamloSiteInfo* site = record->m_pSiteInfo;
    if (Actions().IsSiteBusy(site)) {
        Actions().ShowBusyMessage(site);
        return;
    }
    // The command comes from the site's menu; a folder's record leads to its site.
    if (QTreeWidgetItem* siteItem = FindSiteItem(site))
        RemoveSiteTreeItem(siteItem, site);
    site->m_hTreeItem = 0;
    site->DisconnectWithoutWaiting();
}

void CTreeViewSite::OnSiteProperties()
{
    CTreeItemInfo* record = Record(currentItem());
    if (record == nullptr || record->m_pSiteInfo == nullptr)
        return;
    CVamloSiteInfo* site = record->m_pSiteInfo;
    CSitePropertiesDlg dialog(this);
    FillSiteDialog(dialog, *site);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (TakeSiteDialog(dialog, *site) && m_frame.SiteOwner().m_bSiteListModified != 1)
        m_frame.SiteOwner().m_bSiteListModified = 1;
    m_frame.UpdateCommandStates();
}

void CTreeViewSite::OnDriveProperties()
{
    CTreeItemInfo* record = Record(currentItem());
    if (record == nullptr || record->m_nItemType != TREE_DRIVE)
        return;
    CDrivePropertiesDlg dialog(this);
    dialog.SetDrive(record->m_strPath);
    dialog.exec();
}
