// Reading the folders under a tree item: local ones from the disk, in a
// bounded time, and remote ones from the FTP server.
#include "ui/TreeViewSite.h"

#include "app/AppCore.h"
#include "app/Prompts.h"
#include "app/VamloDoc.h"
#include "ftp/FtpEngine.h"
#include "model/SiteInfo.h"
#include "transfer/TransferDriver.h"
#include "ui/Volumes.h"
#include "transfer/LocalFile.h"

#include <vector>

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

constexpr uint32_t kFreshFindFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;

std::string SearchPattern(const std::string& folder)
{
    return folder == "/" ? std::string("/*") : folder + "/*";
}

} // namespace

void CTreeViewSite::PopulateChildren(QTreeWidgetItem* item)
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
        PopulateRemote(item, *record);
        break;
    default:
        SetStatusText("Ready");
        break;
    }
}

void CTreeViewSite::PopulateLocal(QTreeWidgetItem* item, CTreeItemInfo& record)
{
    const std::string folder = record.m_strPath;
    SetStatusText("Searching " + SearchPattern(folder));
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

bool CTreeViewSite::EnsureConnection(CVamloSiteInfo* site)
{
    int code = 0;
    std::string cause;
    if (CTransferDriver::IsConnectionAlive(site->m_pConnection.get(), code, cause) != 0)
        return true;
    IPrompts& prompts = m_app.Prompts();
    const MsgResult answer = prompts.MessageBox("The connection to ftp site \"" + site->m_strAddress +
                                                    "\" is broken.\nDo you want to reconnect to the ftp site?",
                                                MsgButtons::YesNo, MsgIcon::Question);
    if (answer == MsgResult::Yes) {
        SetStatusText("Connecting to ftp site: " + site->m_strAddress);
        // The broken connection goes first: a record connects from clean.
        if (site->Reconnect(m_app) == 1)
            return true;
        prompts.MessageBox("Failed to reconnect to ftp site \"" + site->m_strAddress +
                               "\".\nPlease try to reconnect to the ftp site later.",
                           MsgButtons::Ok);
        SetStatusText("Failed to connect to ftp site: " + site->m_strAddress);
    }
    site->Disconnect();
    return false;
}

void CTreeViewSite::PopulateRemote(QTreeWidgetItem* item, CTreeItemInfo& record)
{
    if (m_doc.m_bClosing == 1)
        return;
    CVamloSiteInfo* site = record.m_pSiteInfo;
    if (site == nullptr)
        return;
    // Moved before the site is held: selecting the item checks its connection.
    MoveSelectionOutOf(item);
    SiteUse use(*this, site);
    if (!use.Acquired() || !EnsureConnection(site) || !site->m_pConnection)
        return;

    const std::string folder = record.m_strPath;
    const std::string pattern = SearchPattern(folder);
    SetStatusText("Searching " + pattern);
    DeleteChildItems(item);

    bool sawDirectory = false;
    {
        CFtpFileFind finder(site->m_pConnection.get());
        bool more = finder.FindFile(pattern, kFreshFindFlags);
        while (more) {
            more = finder.FindNextFile();
            if (!finder.IsDirectory())
                continue;
            sawDirectory = true;
            if (finder.IsDots())
                continue;
            const std::string name = LastPathComponent(finder.GetFileName());
            const std::string path = folder + "/" + name;
            AddRecordItem(item, Q(name), IMAGE_CLOSED_FOLDER, TREE_REMOTE_FOLDER, 2, path, site);
            SetStatusText("Found: " + path);
        }
        finder.Close();
    }

    if (sawDirectory) {
        // One look into each child decides whether it gets an expand button.
        for (int i = 0; i < item->childCount(); ++i) {
            QTreeWidgetItem* child = item->child(i);
            const CTreeItemInfo* childRecord = Record(child);
            if (childRecord == nullptr)
                continue;
            SetStatusText("Searching the subfolders of folder: " + childRecord->m_strPath);
            if (!site->m_pConnection)
                return;
            CFtpFileFind probe(site->m_pConnection.get());
            bool more = probe.FindFile(childRecord->m_strPath + "/*", kFreshFindFlags);
            while (more) {
                more = probe.FindNextFile();
                if (probe.IsDirectory()) {
                    AddDummyChild(child);
                    break;
                }
            }
            probe.Close();
        }
    }
    SetStatusText("Ready");
}
