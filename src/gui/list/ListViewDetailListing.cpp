// Filling the file list from the local disk or from an FTP site.
#include "list/ListViewDetail.h"

#include "app/AppCore.h"
#include "app/VamloDoc.h"
#include "fileops/Permissions.h"
#include "list/ListItemInfo.h"
#include "model/SiteInfo.h"
#include "net/NetActions.h"
#include "net/RemoteFolders.h"
#include "panes/PaneHost.h"
#include "panes/ViewHub.h"
#include "volumes/Volumes.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

std::unique_ptr<CListItemInfo> MakeRecord(bool folder, std::string name, uint64_t bytes, std::time_t modified,
                                          std::string permissions)
{
    auto record = std::make_unique<CListItemInfo>(folder ? LIST_KIND_FOLDER : LIST_KIND_FILE, std::move(name),
                                                  folder ? 0 : SizeInKB(bytes), modified);
    record->m_strPermissions = std::move(permissions);
    return record;
}

// One level of a local folder, without "." and "..". A folder that cannot
// be read gives what was read so far (usually nothing).
std::vector<std::unique_ptr<CListItemInfo>> ReadLocalFolder(const std::string& folder)
{
    std::vector<std::unique_ptr<CListItemInfo>> rows;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return rows;
    const int fd = dirfd(dir);
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat info {};
        // A link shows what it points to; a dangling one shows itself.
        if (fstatat(fd, entry->d_name, &info, 0) != 0 && fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        rows.push_back(MakeRecord(S_ISDIR(info.st_mode), name, static_cast<uint64_t>(info.st_size), info.st_mtime,
                                  PermissionsText(info.st_mode)));
    }
    closedir(dir);
    return rows;
}

} // namespace

void CListViewDetail::ListLocalFolder(int hint)
{
    CWaitCursor wait(m_app.Prompts());
    ClearList();
    // A dead mount must not hang the window: the same bound as the tree's.
    const std::string folder = m_doc.m_strCurrentFolder;
    std::optional<std::vector<std::unique_ptr<CListItemInfo>>> rows =
        RunBounded<std::vector<std::unique_ptr<CListItemInfo>>>(
            [read = m_fnReadLocalFolder ? m_fnReadLocalFolder : LocalFolderReader(ReadLocalFolder), folder] {
                return read(folder);
            },
            kVolumeAnswerLimit);
    if (!rows) {
        m_frame.SetStatusText(QStringLiteral("The folder %1 did not answer.").arg(QString::fromStdString(folder)));
        return;
    }
    ShowListing(std::move(*rows), 1);
    RestoreSelection();
    m_hub.UpdateAllViews(this, hint);
}

void CListViewDetail::ListRemoteFolder(int hint)
{
    ClearList();
    CVamloSiteInfo* site = m_doc.m_pCurrentSite;
    if (site == nullptr || m_frame.NetActions() == nullptr)
        return;
    const std::string folder = m_doc.m_strCurrentFolder;
    auto entries = std::make_shared<std::vector<RemoteEntry>>();
    auto listed = std::make_shared<bool>(false);
    // A site a transfer uses (it may be reconnecting it) is not waited for:
    // the list stays empty and says why. Another read or step of the window's
    // own is waited for.
    CNetActions& actions = *m_frame.NetActions();
    if (!actions.HasActionOn(site) && site->IsInUse()) {
        m_frame.SetStatusText(QStringLiteral("The ftp site \"%1\" is busy with a file transfer. "
                                             "Please try again when the transfer has finished.")
                                  .arg(QString::fromStdString(site->m_strAddress)));
        return;
    }
    actions.StartRead(
        site, QStringLiteral("Listing %1%2").arg(QString::fromStdString(site->m_strAddress), QString::fromStdString(folder)),
        [entries, listed, folder](NetActionContext& context) {
            *listed = ListRemoteEntries(context, folder, *entries);
        },
        [this, site, folder, entries, listed, hint](NetActionEnd end) {
            // The panes may have moved on while the server answered.
            if (end != NetActionEnd::Done || !*listed || m_doc.m_pCurrentSite != site ||
                m_doc.m_strCurrentFolder != folder || m_doc.m_byCurrentLocation != 2)
                return;
            std::vector<std::unique_ptr<CListItemInfo>> rows;
            rows.reserve(entries->size());
            for (RemoteEntry& entry : *entries) {
                rows.push_back(MakeRecord(entry.isFolder, std::move(entry.name), entry.size, entry.modified,
                                           std::move(entry.permissions)));
                rows.back()->m_bLink = entry.isLink;
            }
            ShowListing(std::move(rows), 2);
            SortItems();
            RestoreSelection();
            m_hub.UpdateAllViews(this, hint);
            m_frame.SetStatusText(QStringLiteral("Ready"));
        });
}
