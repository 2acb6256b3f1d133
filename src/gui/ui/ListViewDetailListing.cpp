// Filling the file list from the local disk or from an FTP site.
#include "ui/ListViewDetail.h"

#include "app/AppCore.h"
#include "app/VamloDoc.h"
#include "ftp/FtpConnection.h"
#include "ftp/FtpFileFind.h"
#include "model/SiteInfo.h"
#include "ui/ListItemInfo.h"
#include "ui/MainFrame.h"
#include "ui/ViewHub.h"

#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>

namespace {

std::unique_ptr<CListItemInfo> MakeRecord(bool folder, std::string name, uint64_t bytes, std::time_t modified)
{
    return std::make_unique<CListItemInfo>(folder ? LIST_KIND_FOLDER : LIST_KIND_FILE, std::move(name),
                                           folder ? 0 : SizeInKB(bytes), modified);
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
        rows.push_back(MakeRecord(S_ISDIR(info.st_mode), name, static_cast<uint64_t>(info.st_size), info.st_mtime));
    }
    closedir(dir);
    return rows;
}

std::string LastPathPart(const std::string& name)
{
    const size_t slash = name.rfind('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

} // namespace

void CListViewDetail::ListLocalFolder(int hint)
{
    CWaitCursor wait(m_app.Prompts());
    ClearList();
    ShowListing(ReadLocalFolder(m_doc.m_strCurrentFolder), 1);
    RestoreSelection();
    m_hub.UpdateAllViews(this, hint);
}

void CListViewDetail::ListRemoteFolder(int hint)
{
    CWaitCursor wait(m_app.Prompts());
    ClearList();
    CVamloSiteInfo* site = m_doc.m_pCurrentSite;
    if (site == nullptr)
        return;
    // A transfer owns the site for its whole action (it may be reconnecting
    // it); waiting would freeze the window, so the list stays empty until it
    // ends, and nothing of the site is read meanwhile.
    std::unique_lock<std::mutex> inUse(site->m_mutexInUse, std::try_to_lock);
    if (!inUse.owns_lock()) {
        m_frame.SetStatusText(QStringLiteral("The ftp site \"%1\" is busy with a file transfer. "
                                             "Please try again when the transfer has finished.")
                                  .arg(QString::fromStdString(site->m_strAddress)));
        return;
    }
    const std::shared_ptr<CFtpConnection> connection = site->m_pConnection;
    if (!connection)
        return;

    std::vector<std::unique_ptr<CListItemInfo>> rows;
    {
        CFtpFileFind find(connection.get());
        bool working = find.FindFile(m_doc.m_strCurrentFolder + "/*", INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE);
        while (working) {
            working = find.FindNextFile();
            if (find.IsDots())
                continue;
            std::time_t modified = 0;
            find.GetLastWriteTime(modified);
            rows.push_back(MakeRecord(find.IsDirectory(), LastPathPart(find.GetFileName()), find.GetLength(), modified));
        }
        find.Close();
    }
    inUse.unlock();
    ShowListing(std::move(rows), 2);
    RestoreSelection();
    m_hub.UpdateAllViews(this, hint);
}
