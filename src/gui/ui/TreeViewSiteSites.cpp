// Sites in the tree: showing, removing, and the commands of a site's and a
// drive's context menu.
#include "ui/TreeViewSite.h"

#include "app/AppCore.h"
#include "app/Prompts.h"
#include "ftp/FtpEngine.h"
#include "ftp/UrlParser.h"
#include "model/SiteInfo.h"
#include "sites/SiteDialogValues.h"
#include "sites/SiteInfoDlg.h"
#include "ui/DrivePropertiesDlg.h"
#include "ui/MainFrame.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

} // namespace

void CTreeViewSite::AddSiteItem(CVamloSiteInfo* site)
{
    if (site == nullptr || m_hInternetItem == nullptr)
        return;
    if (QTreeWidgetItem* shown = FindSiteItem(site)) {
        // One item per site: a second would be left behind by Disconnect.
        setCurrentItem(shown);
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

    std::string directory;
    {
        SiteUse use(*this, site);
        if (!use.Acquired())
            return;
        if (!site->m_pConnection) {
            SetStatusText("Connecting to ftp site: " + site->m_strAddress);
            if (site->Connect(m_app) != 1) {
                SetStatusText("Failed to connect to ftp site: " + site->m_strAddress);
                return;
            }
            SetStatusText("Successfully connected to ftp site: " + site->m_strAddress);
        }
        if (site->m_pConnection->GetCurrentDirectory(directory) != 1)
            return;
    }

    const std::string text = directory == "/" ? "Ftp: " + url->host : "Ftp: " + site->m_strUserName + "@" + url->host;
    SetStatusText("Creating ftp site tree item " + text);
    QTreeWidgetItem* item =
        AddRecordItem(m_hInternetItem, Q(text), IMAGE_FTP_SITE, TREE_FTP_SITE, 2, directory, site);
    site->m_hTreeItem = reinterpret_cast<std::uintptr_t>(item);
    PopulateChildren(item);
    SortSiteItems();
    setCurrentItem(item);
}

bool CTreeViewSite::RemoveSiteItem(CVamloSiteInfo* site)
{
    if (site == nullptr)
        return true;
    SiteUse use(*this, site);
    if (!use.Acquired())
        return false;
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
}

void CTreeViewSite::OnReconnect()
{
    CTreeItemInfo* record = Record(currentItem());
    if (record == nullptr || record->m_pSiteInfo == nullptr)
        return;
    CVamloSiteInfo* site = record->m_pSiteInfo;
    SiteUse use(*this, site);
    if (!use.Acquired())
        return;
    CWaitCursor wait(m_app.Prompts());
    SetStatusText("Connecting to ftp site: " + site->m_strAddress);
    if (site->Reconnect(m_app) == 1)
        SetStatusText("Successfully reconnected to ftp site: " + site->m_strAddress);
    else
        SetStatusText("Failed to connect to ftp site: " + site->m_strAddress);
}

void CTreeViewSite::OnDisconnect()
{
    QTreeWidgetItem* item = currentItem();
    CTreeItemInfo* record = Record(item);
    if (record == nullptr || record->m_pSiteInfo == nullptr)
        return;
    CVamloSiteInfo* site = record->m_pSiteInfo;
    SiteUse use(*this, site);
    if (!use.Acquired())
        return;
    // The command comes from the site's menu; a folder's record leads to its site.
    QTreeWidgetItem* siteItem = FindSiteItem(site);
    site->DisconnectWithoutWaiting();
    if (siteItem != nullptr)
        RemoveSiteTreeItem(siteItem, site);
    site->m_hTreeItem = 0;
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
    if (TakeSiteDialog(dialog, *site) && m_frame.m_bSiteListModified != 1)
        m_frame.m_bSiteListModified = 1;
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
