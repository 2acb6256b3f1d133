#include "fileops/RemotePermissions.h"

#include "app/VamloDoc.h"
#include "fileops/RemoteDelete.h"
#include "remote/RemoteConnection.h"
#include "net/NetErrors.h"
#include "remote/RemoteFileFind.h"
#include "path/Paths.h"

bool CRemotePermissionPlace::List(const std::string& folder, std::vector<Entry>& entries, std::string& cause)
{
    std::vector<remotewalk::Listed> listed;
    if (!remotewalk::ListEntries(m_connection, folder, 0, listed)) {
        cause = CVamloDoc::GetSystemErrorText(GetLastNetErrorCode());
        return false;
    }
    // An entry that stays unsure counts as a link: it is skipped, not walked.
    remotewalk::SettleUnsure(m_connection, folder, listed);
    for (remotewalk::Listed& entry : listed) {
        const Kind kind = entry.kind == remotewalk::Kind::File     ? Kind::File
                          : entry.kind == remotewalk::Kind::Folder ? Kind::Folder
                                                                   : Kind::Link;
        entries.push_back({std::move(entry.name), kind});
    }
    return true;
}

IPermissionPlace::Result CRemotePermissionPlace::Change(const std::string& path, unsigned mode, std::string& cause)
{
    const int result = m_connection.SetPermissions(path, mode);
    if (result == 1)
        return Result::Done;
    cause = CVamloDoc::GetSystemErrorText(GetLastNetErrorCode());
    return result < 0 ? Result::Unsupported : Result::Failed;
}

std::string CRemotePermissionPlace::Join(const std::string& folder, const std::string& name) const
{
    return JoinRemotePath(folder, name);
}

std::string CRemotePermissionPlace::WalkLimit(const std::string& folder, int depth) const
{
    return RemoteWalkLimit(folder, depth);
}
