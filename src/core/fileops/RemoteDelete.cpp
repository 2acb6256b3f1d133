#include "fileops/RemoteDelete.h"

#include "app/Prompts.h"
#include "fileops/FileOpTexts.h"
#include "ftp/FtpConnection.h"
#include "ftp/FtpErrors.h"
#include "ftp/FtpFileFind.h"
#include "model/SiteInfo.h"
#include "transfer/TransferDriver.h"

#include <memory>

namespace {

constexpr uint32_t kFreshFindFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;

struct Listed {
    std::string name;
    bool isFolder = false;
};

} // namespace

CRemoteDelete::CRemoteDelete(CVamloSiteInfo* site, IPrompts& prompts, std::function<bool()> canceled)
    : m_pSite(site), m_prompts(prompts), m_canceled(std::move(canceled))
{
}

void CRemoteDelete::Removed()
{
    ++m_nRemoved;
    m_prompts.SetStatusText("Deleting: " + std::to_string(m_nRemoved) + " entries removed");
}

int CRemoteDelete::DeleteRemoteFolder(const std::string& path)
{
    if (m_pSite == nullptr) {
        m_prompts.MessageBox("Failed to delete directory \"" + path + "\".");
        return 0;
    }
    const std::shared_ptr<CFtpConnection> connection = m_pSite->m_pConnection;
    if (!connection) {
        m_prompts.MessageBox("Failed to delete directory \"" + path +
                             "\". \nCause: The connection to the ftp server is broken.");
        return 0;
    }
    std::vector<Listed> entries;
    {
        CFtpFileFind find(connection.get());
        bool more = find.FindFile(JoinRemotePath(path, "*"), kFreshFindFlags);
        while (more) {
            more = find.FindNextFile();
            if (find.IsDots())
                continue;
            entries.push_back({LastPathComponent(find.GetFileName()), find.IsDirectory()});
        }
        find.Close();
    }
    if (Canceled())
        return 0;
    for (const Listed& entry : entries) {
        if (entry.isFolder)
            continue;
        if (connection->Remove(JoinRemotePath(path, entry.name)) != 1) {
            if (Canceled())
                return 0;
            m_prompts.MessageBox("Failed to delete directory \"" + path + "\" since its file \"" + entry.name +
                                 "\" can not be deleted." + ShortCause(GetLastFtpErrorCode()));
            return 0;
        }
        Removed();
    }
    for (const Listed& entry : entries) {
        if (entry.isFolder && DeleteRemoteFolder(JoinRemotePath(path, entry.name)) == 0)
            return 0;
    }
    if (Canceled())
        return 0;
    if (connection->RemoveDirectory(path) != 1) {
        if (Canceled())
            return 0;
        m_prompts.MessageBox("Failed to delete directory \"" + path + "\"." + ShortCause(GetLastFtpErrorCode()));
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
        const std::string path = folder + "//" + row.name;
        if (row.isFolder) {
            if (DeleteRemoteFolder(path) == 0)
                return false;
            continue;
        }
        const std::shared_ptr<CFtpConnection> connection = m_pSite ? m_pSite->m_pConnection : nullptr;
        if (!connection || connection->Remove(path) != 1) {
            if (Canceled())
                return false;
            m_prompts.MessageBox("Failed to delete file " + path +
                                 ShortCause(connection ? GetLastFtpErrorCode() : ERROR_INTERNET_CONNECTION_ABORTED));
            return false;
        }
        Removed();
    }
    return true;
}
