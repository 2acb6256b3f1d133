#include "fileops/RemoteDelete.h"

#include "app/Prompts.h"
#include "fileops/FileOpTexts.h"
#include "remote/RemoteConnection.h"
#include "net/NetErrors.h"
#include "remote/RemoteFileFind.h"
#include "model/SiteInfo.h"
#include "path/Paths.h"
#include "transfer/TransferDriver.h"

#include <memory>

namespace remotewalk {

constexpr uint32_t kFreshFindFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;

Kind KindOf(const CRemoteFileFind& find)
{
    if (find.IsLink())
        return Kind::Link;
    if (!find.IsDirectory())
        return Kind::File;
    return find.MayBeLink() ? Kind::Unsure : Kind::Folder;
}

bool ListEntries(IRemoteConnection& connection, const std::string& path, uint32_t flags, std::vector<Listed>& entries)
{
    CRemoteFileFind find(&connection);
    bool more = find.FindFile(JoinRemotePath(path, "*"), kFreshFindFlags | flags);
    const bool listed = more || GetLastNetErrorCode() == ERROR_NO_MORE_FILES;
    while (more) {
        more = find.FindNextFile();
        if (!find.IsDots())
            entries.push_back({LastPathComponent(find.GetFileName()), KindOf(find)});
    }
    return listed;
}

std::string SettleUnsure(IRemoteConnection& connection, const std::string& path, std::vector<Listed>& entries)
{
    std::vector<Listed> marked;
    for (Listed& entry : entries) {
        if (entry.kind != Kind::Unsure)
            continue;
        if (marked.empty() && !ListEntries(connection, path, FIND_FLAG_LONG_LIST, marked))
            return entry.name;
        for (const Listed& line : marked) {
            if (line.name == entry.name && (line.kind == Kind::Folder || line.kind == Kind::Link))
                entry.kind = line.kind;
        }
        if (entry.kind == Kind::Unsure)
            return entry.name;
    }
    return {};
}

} // namespace remotewalk

using namespace remotewalk;

CRemoteDelete::CRemoteDelete(CVamloSiteInfo* site, IPrompts& prompts, std::function<bool()> canceled)
    : m_pSite(site), m_prompts(prompts), m_canceled(std::move(canceled))
{
}

void CRemoteDelete::Removed()
{
    ++m_nRemoved;
    m_prompts.SetStatusText("Deleting: " + std::to_string(m_nRemoved) + " entries removed");
}

int CRemoteDelete::DeleteRemoteFolder(const std::string& path) { return DeleteFolderAt(path, 0); }

int CRemoteDelete::DeleteFolderAt(const std::string& path, int depth)
{
    if (m_pSite == nullptr) {
        m_prompts.MessageBox("Failed to delete directory \"" + path + "\".");
        return 0;
    }
    const std::shared_ptr<IRemoteConnection> connection = m_pSite->m_pConnection;
    if (!connection) {
        m_prompts.MessageBox("Failed to delete directory \"" + path +
                             "\". \nCause: The connection to the ftp server is broken.");
        return 0;
    }
    if (const std::string limit = RemoteWalkLimit(path, depth); !limit.empty()) {
        m_prompts.MessageBox("Failed to delete directory \"" + path + "\" since " + limit + ".");
        return 0;
    }
    std::vector<Listed> entries;
    ListEntries(*connection, path, 0, entries);
    if (Canceled())
        return 0;
    // Nothing of this folder goes before every subfolder is known to be one.
    if (const std::string unsure = SettleUnsure(*connection, path, entries); !unsure.empty()) {
        if (!Canceled())
            m_prompts.MessageBox("Failed to delete directory \"" + path + "\" since the server does not tell whether \"" +
                                 unsure + "\" in it is a folder or a link to a folder elsewhere.");
        return 0;
    }
    for (const Listed& entry : entries) {
        if (entry.kind == Kind::Folder)
            continue;
        if (connection->Remove(JoinRemotePath(path, entry.name)) != 1) {
            if (Canceled())
                return 0;
            m_prompts.MessageBox("Failed to delete directory \"" + path + "\" since its file \"" + entry.name +
                                 "\" can not be deleted." + ShortCause(GetLastNetErrorCode()));
            return 0;
        }
        Removed();
    }
    for (const Listed& entry : entries) {
        if (entry.kind == Kind::Folder && DeleteFolderAt(JoinRemotePath(path, entry.name), depth + 1) == 0)
            return 0;
    }
    if (Canceled())
        return 0;
    if (connection->RemoveDirectory(path) != 1) {
        if (Canceled())
            return 0;
        m_prompts.MessageBox("Failed to delete directory \"" + path + "\"." + ShortCause(GetLastNetErrorCode()));
        return 0;
    }
    Removed();
    return 1;
}

bool CRemoteDelete::DeleteRows(const std::string& folder, const std::vector<DeleteRow>& rows)
{
    for (const DeleteRow& row : rows) {
        if (Canceled())
            return false;
        const std::string path = JoinRemoteEntry(folder, row.name);
        if (row.isFolder) {
            if (DeleteRemoteFolder(path) == 0)
                return false;
            continue;
        }
        const std::shared_ptr<IRemoteConnection> connection = m_pSite ? m_pSite->m_pConnection : nullptr;
        if (!connection || connection->Remove(path) != 1) {
            if (Canceled())
                return false;
            m_prompts.MessageBox("Failed to delete file " + path +
                                 ShortCause(connection ? GetLastNetErrorCode() : ERROR_INTERNET_CONNECTION_ABORTED));
            return false;
        }
        Removed();
    }
    return true;
}
