#include "transfer/GetDriver.h"

#include "app/AppCore.h"
#include "app/Prompts.h"
#include "app/VamloDoc.h"
#include "remote/RemoteEngine.h"
#include "remote/EntryName.h"
#include "model/SiteInfo.h"
#include "path/Paths.h"
#include "transfer/LocalFile.h"

#include <cerrno>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint32_t kFindFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;

} // namespace

CTransferDriver::FrameTexts CGetDriver::Texts() const
{
    return {"Getting data from the remote site, please wait...",
            "Vamlo is trying to find out the number of files it needs to get from the remote ftp site.",
            CActionLog::m_strGetCanceled};
}

std::string CGetDriver::TargetFolder(int32_t tempFlag) const
{
    return tempFlag == 1 ? m_doc.App().m_strTempDirPath : m_job.m_strTargetFolder;
}

int64_t CGetDriver::CountFiles(const CFileInfoList& entries)
{
    const int64_t count = CountRemoteFiles(entries);
    m_doc.m_nFilesReceived = 0;
    return count;
}

int64_t CGetDriver::CountRemoteFiles(const CFileInfoList& entries)
{
    m_doc.m_nRemoteFileCount = 0;
    m_nCountedBytes = 0;
    m_bBytesKnown = true;
    for (const auto& entry : entries) {
        CVamloSiteInfo* site = m_job.m_pSourceSite;
        if (site == nullptr)
            break;
        if (entry->m_bIsFolder != 1) {
            ++m_doc.m_nRemoteFileCount;
            if (m_bMeasureBytes && site->m_pConnection) {
                CRemoteFileFind finder(site->m_pConnection.get());
                if (finder.FindFile(entry->m_strPath, kFindFlags)) {
                    finder.FindNextFile();
                    AddCountedBytes(finder);
                } else {
                    m_bBytesKnown = false;
                }
            } else {
                m_bBytesKnown = false;
            }
        } else if (std::shared_ptr<IRemoteConnection> connection = site->m_pConnection) {
            CountRemoteFolder(*connection, entry->m_strPath, 0);
        } else {
            m_prompts.MessageBox("The connection to the FTP server is broken");
        }
    }
    m_doc.m_strFileCount = CountText(m_doc.m_nRemoteFileCount);
    return m_doc.m_nRemoteFileCount;
}

void CGetDriver::CountRemoteFolder(IRemoteConnection& connection, const std::string& folder, int depth)
{
    // Cancel is heard during a long walk too. Past the walk's bounds the
    // count stops; the Get's own walk reports the folder.
    if (Cancelled() || !RemoteWalkLimit(folder, depth).empty())
        return;
    std::vector<std::string> pending;
    {
        CRemoteFileFind finder(&connection);
        bool more = finder.FindFile(folder + "/*", kFindFlags);
        while (more) {
            more = finder.FindNextFile();
            if (finder.IsDots())
                continue;
            if (finder.IsDirectory()) {
                pending.push_back(finder.GetFilePath());
            } else {
                ++m_doc.m_nRemoteFileCount;
                AddCountedBytes(finder);
            }
        }
    }
    // The connection has one open search at a time: subfolders only now.
    for (const std::string& subfolder : pending)
        CountRemoteFolder(connection, subfolder, depth + 1);
}

void CGetDriver::AddCountedBytes(const CRemoteFileFind& finder)
{
    if (finder.HasLength())
        m_nCountedBytes += static_cast<int64_t>(finder.GetLength());
    else
        m_bBytesKnown = false;
}

void CGetDriver::GetItem(const CVaFileInfo& entry, int32_t tempFlag)
{
    CVamloSiteInfo* site = m_job.m_pSourceSite;
    if (!Continuing() || site == nullptr)
        return;
    const std::string target = TargetFolder(tempFlag);
    const std::string& remote = entry.m_strPath;
    SetMessages("Vamlo is trying to get the following file:", remote);
    StepFile();
    if (Cancelled()) {
        CloseStatusDialog();
        return;
    }
    // A folder keeps its whole name, dots included.
    const std::string name = LastPathComponent(remote);
    if (!IsLocalDirectory(target))
        return;
    if (!CheckConnection(site, true))
        return;
    std::shared_ptr<IRemoteConnection> connection = site->m_pConnection;

    if (entry.m_bIsFolder != 1) {
        SendOrRun([name, local = JoinLocalPath(target, name), remote, tempFlag](CTransferDriver& driver) {
            auto& get = static_cast<CGetDriver&>(driver);
            if (get.GetFile(name, local, remote, nullptr, tempFlag) == 1 && tempFlag == 0)
                get.m_doc.AddTransferredName(name);
        });
        return;
    }

    SetMessages("Vamlo is parsing the following folder:", remote);
    StepFile();
    if (Cancelled()) {
        CloseStatusDialog();
        return;
    }
    if (!connection)
        return;
    if (!IsSafeEntryName(name)) {
        LogFailure("The folder name \"" + name + "\" cannot be used for a local folder");
        return;
    }
    CTransferTreeItem root;
    root.m_strText = name;
    BuildRemoteTree(root, remote, connection);
    if (Cancelled()) {
        CloseStatusDialog();
        return;
    }
    if (!root.m_strListError.empty()) {
        LogFailure(root.m_strListError);
        return;
    }
    const std::string folder = JoinLocalPath(target, name);
    if (!LocalPathExists(folder) && !CreateLocalFolder(folder))
        return;
    GetTreeLevel(root, remote, folder, connection, tempFlag);
    if (tempFlag == 0)
        m_doc.AddTransferredName(name);
}

void CGetDriver::BuildRemoteTree(CTransferTreeItem& item, const std::string& itemPath,
                                 const std::shared_ptr<IRemoteConnection>& connection)
{
    BuildRemoteLevel(item, itemPath, connection, 0);
}

void CGetDriver::BuildRemoteLevel(CTransferTreeItem& item, const std::string& itemPath,
                                  const std::shared_ptr<IRemoteConnection>& connection, int depth)
{
    if (Cancelled())
        return;
    if (const std::string limit = RemoteWalkLimit(itemPath, depth); !limit.empty()) {
        item.MarkUnlisted(itemPath, limit);
        return;
    }
    if (!connection) {
        m_prompts.MessageBox("The connection to the FTP server is broken");
        return;
    }
    // Files at once, folders after the search is closed: one open search
    // per connection.
    std::vector<std::string> pending;
    {
        CRemoteFileFind finder(connection.get());
        bool more = finder.FindFile(itemPath + "/*", kFindFlags);
        if (!more && GetLastNetErrorCode() != ERROR_NO_MORE_FILES) {
            item.MarkUnlisted(itemPath, LastNetErrorMessage());
            return;
        }
        while (more) {
            more = finder.FindNextFile();
            if (finder.IsDots())
                continue;
            if (finder.IsDirectory())
                pending.push_back(finder.GetFileName());
            else
                item.AddChild(finder.GetFileName(), TREE_ITEM_FILE).m_stamp = ListedStamp(*connection, finder);
        }
        if (const size_t bad = finder.GetBadNameCount(); bad > 0)
            LogFailure("Entries left out of the folder " + itemPath + " because their names cannot be used here: " +
                       std::to_string(bad));
    }
    for (const std::string& name : pending) {
        CTransferTreeItem& child = item.AddChild(name, TREE_ITEM_FOLDER);
        BuildRemoteLevel(child, itemPath + "/" + name, connection, depth + 1);
    }
}

void CGetDriver::GetTreeLevel(const CTransferTreeItem& item, const std::string& remotePath,
                              const std::string& localFolder, const std::shared_ptr<IRemoteConnection>& connection,
                              int32_t tempFlag)
{
    if (!Continuing())
        return;
    for (const auto& child : item.m_children) {
        if (Cancelled()) {
            CloseStatusDialog();
            return;
        }
        const std::string& name = child->m_strText;
        const std::string remoteChild = JoinRemoteEntry(remotePath, name);
        const std::string localChild = JoinLocalPath(localFolder, name);
        if (child->m_nData == TREE_ITEM_FOLDER) {
            if (!IsSafeEntryName(name)) {
                LogFailure("The folder name \"" + name + "\" from the server cannot be used for a local folder");
                continue;
            }
            // An existing folder is passed over with everything in it.
            if (LocalPathExists(localChild))
                continue;
            if (!child->m_strListError.empty())
                LogFailure(child->m_strListError);
            else if (CreateLocalFolder(localChild))
                GetTreeLevel(*child, remoteChild, localChild, connection, tempFlag);
        } else if (IsLocalDirectory(localFolder)) {
            SendOrRun([name, localChild, remoteChild, stamp = child->m_stamp, tempFlag](CTransferDriver& driver) {
                static_cast<CGetDriver&>(driver).GetFile(name, localChild, remoteChild, &stamp, tempFlag);
            });
        }
    }
}

CGetDriver::RemoteStamp CGetDriver::ListedStamp(IRemoteConnection& connection, const CRemoteFileFind& finder)
{
    RemoteStamp stamp;
    stamp.size = finder.GetLength();
    stamp.sizeKnown = finder.HasLength();
    stamp.timeKnown = connection.OffersMachineListings() && finder.GetLastWriteTime(stamp.modified);
    return stamp;
}

bool CGetDriver::ReadRemoteStamp(IRemoteConnection& connection, const std::string& remotePath, RemoteStamp& stamp)
{
    {
        CRemoteFileFind finder(&connection);
        if (!finder.FindFile(remotePath, kFindFlags))
            return false;
        finder.FindNextFile();
        stamp = ListedStamp(connection, finder);
    }
    if (!stamp.timeKnown)
        stamp.timeKnown = connection.GetModifiedTime(remotePath, stamp.modified) == 1;
    return true;
}

bool CGetDriver::CreateLocalFolder(const std::string& path)
{
    m_doc.AppendLog(std::string(CActionLog::m_strCreatingDirectory) + "\nTarget Directory: " + path);
    if (mkdir(path.c_str(), 0777) == 0) {
        m_doc.AppendLog(CActionLog::m_strSuccess);
        return true;
    }
    LogFailure(CodeCause(errno));
    return false;
}

int CGetDriver::GetFile(const std::string& localName, const std::string& localShown, const std::string& remotePath,
                        const CRemoteStamp* listed, int32_t tempFlag)
{
    CVamloSiteInfo* site = FileSite();
    if (!Continuing() || site == nullptr)
        return 0;
    const std::string address = site->m_strAddress;
    m_doc.AppendLog(std::string(CActionLog::m_strGettingFile) + "\n     Source:  " + remotePath +
                    "\nDestination:  " + localShown);
    SetMessages("Vamlo is trying to open the following file:", remotePath);
    StepFile();
    if (Cancelled()) {
        CloseStatusDialog();
        return 0;
    }
    if (!CheckConnection(site, true))
        return 0;
    // After a reconnect the site holds a new connection.
    std::shared_ptr<IRemoteConnection> connection = site->m_pConnection;
    if (!IsSafeEntryName(localName)) {
        LogFailure("The file name \"" + localName + "\" from the server cannot be used for a local file");
        return 0;
    }

    RemoteStamp started;
    if (listed != nullptr && listed->sizeKnown) {
        started = *listed;
        if (!started.timeKnown)
            started.timeKnown = connection->GetModifiedTime(remotePath, started.modified) == 1;
    } else if (!ReadRemoteStamp(*connection, remotePath, started)) {
        if (Cancelled())
            return 0;
        const int code = GetLastNetErrorCode();
        const std::string cause = "(" + std::to_string(code) + ")" + GetSystemErrorText(code);
        LogFailure(cause);
        m_prompts.MessageBox("Failed to find the file " + remotePath + "\nCause: " + cause);
        return 0;
    }
    uint64_t size = started.size;
    // Sizes count bytes as stored; an ASCII transfer changes line ends.
    const bool sizeKnown = started.sizeKnown && (OpenFlags() & FTP_TRANSFER_TYPE_ASCII) == 0;
    std::time_t modified = started.modified;
    bool timeKnown = started.timeKnown;

    if (LocalPathExists(localShown) &&
        !ConfirmReplace(localShown, IsLocalReadOnly(localShown), "User selected to cancel the Get action"))
        return 0;

    std::unique_ptr<IRemoteFile> remote = connection->OpenFile(remotePath, GENERIC_READ, OpenFlags(), 1);
    // Nothing asks the server between files: a connection it dropped shows here.
    if (!remote) {
        const Dropped dropped = ReconnectAfterRefusal(site, connection);
        if (dropped == Dropped::Ended)
            return 0;
        if (dropped == Dropped::Reconnected)
            remote = connection->OpenFile(remotePath, GENERIC_READ, OpenFlags(), 1);
    }
    if (!remote) {
        const std::string cause = LastNetErrorMessage();
        ReportFileError("Failed to open the file ", remotePath, cause);
        return 0;
    }
    // The data goes to a new file beside the target; the target is replaced
    // only when every byte has arrived.
    CLocalFile partial;
    std::string error;
    if (!partial.CreatePartial(localShown, error)) {
        LogFailure(error);
        remote->Abort();
        return 0;
    }
    const auto discard = [&] {
        if (remote)
            remote->Abort();
        std::string ignored;
        partial.Close(ignored);
        return unlink(partial.Path().c_str()) == 0 || errno == ENOENT ? 0 : errno;
    };

    std::string total = BeginFileProgress(size, sizeKnown);
    if (Cancelled()) {
        CloseStatusDialog();
        discard();
        return 0;
    }
    const CopyTexts texts{"Getting file: " + remotePath, "Received ", remotePath, localShown};
    CopyState copy;
    copy.connectionLost = [&] { return !connection->IsOpen(); };
    bool resumed = false;   // the file went on from the middle on a new connection
    for (int resumes = 0;; ++resumes) {
        CopyResult result = CopyBlocks(
            total, texts,
            [&](char* buffer, size_t count, std::string& readError) {
                const int64_t n = remote->Read(buffer, count);
                if (n < 0)
                    readError = LastNetErrorMessage();
                return n;
            },
            [&](const char* buffer, size_t count, std::string& writeError) {
                return partial.Write(buffer, count, writeError);
            },
            copy);
        // A transfer the server reports as failed is no file, even when the
        // data connection ended normally.
        if (result == CopyResult::Complete) {
            if (remote->Close())
                break;
            copy.brokenCause = LastNetErrorMessage();
            if (connection->IsOpen() || resumes >= kMaxResumes) {
                ReportCloseError(remotePath, copy.brokenCause);
                discard();
                return 0;
            }
            result = CopyResult::Broken;
        }
        if (result == CopyResult::Failed) {
            discard();
            return 0;
        }
        if (result == CopyResult::Cancelled) {
            LogFailure("Get action was cancelled");
            CloseStatusDialog();
            if (const int code = discard(); code != 0)
                m_doc.AppendLog("\n***** Failed to remove the incomplete file \"" + localName + "\".\nCause: " +
                                CodeCause(code));
            return 0;
        }
        // The connection went away mid-file: with the user's consent the
        // file goes on from its last byte on a new connection.
        remote.reset();
        if (resumes >= kMaxResumes) {
            LogFailure(copy.brokenCause);
            discard();
            return 0;
        }
        connection = ReconnectAfterDrop(site, copy.brokenCause);
        if (!connection) {
            discard();
            return 0;
        }
        // The file may have been replaced while the connection was down:
        // its rest would then be spliced onto another file's start.
        RemoteStamp now;
        if (copy.done > 0 && !(ReadRemoteStamp(*connection, remotePath, now) && now.SameFileAs(started))) {
            m_doc.AppendLog("===== The file on the server may have changed while the connection was down: its size "
                            "or time differs or cannot be had =====");
            copy.done = 0;
        }
        remote = ReopenAt(*connection, remotePath, GENERIC_READ, copy.done);
        resumed = copy.done > 0;
        if (!remote) {
            ReportFileError("Failed to open the file ", remotePath, LastNetErrorMessage());
            discard();
            return 0;
        }
        if (copy.done == 0) {
            if (!partial.Truncate(error)) {
                LogFailure(error);
                discard();
                return 0;
            }
            total = BeginFileProgress(size, sizeKnown, true);
        }
    }
    const uint64_t received = copy.done;

    // A server that ends early and still reports success must not replace
    // a good file with a short one. The size came from the listing, so a
    // file changed since then is asked about once more.
    if (sizeKnown && received != size && listed != nullptr && ReadRemoteStamp(*connection, remotePath, started) &&
        started.sizeKnown && started.size == received) {
        size = received;
        modified = started.modified;
        timeKnown = started.timeKnown;
    }
    if (sizeKnown && received != size) {
        LogFailure("The server sent " + std::to_string(received) + " of the " + std::to_string(size) +
                   " bytes of the file");
        discard();
        return 0;
    }
    partial.CopyModeFrom(localShown);
    // The file keeps the server's time; a server that gives none leaves the
    // time of arrival.
    if (timeKnown)
        partial.SetModifiedTime(modified);
    if (!partial.Close(error)) {
        ReportCloseError(localShown, error);
        discard();
        return 0;
    }
    if (resumed && !SplicedCopyAgrees(*connection, remotePath, partial.Path())) {
        discard();
        return 0;
    }
    if (rename(partial.Path().c_str(), localShown.c_str()) != 0) {
        const int code = errno;
        unlink(partial.Path().c_str());
        ReportFileError("Failed to write the file ", localShown, LocalErrorText(code));
        return 0;
    }

    ReportFileDone(m_doc.m_nFilesReceived, address, tempFlag,
                   {" files have been received from the remote site ", "received",
                    " files from the remote site ", " files into the local temp directory from the remote site "});
    return 1;
}
