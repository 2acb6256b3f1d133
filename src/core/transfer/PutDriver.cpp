#include "transfer/PutDriver.h"

#include "app/AppCore.h"
#include "app/Prompts.h"
#include "app/VamloDoc.h"
#include "remote/RemoteEngine.h"
#include "model/SiteInfo.h"
#include "path/Paths.h"
#include "transfer/LocalFile.h"
#include "transfer/LocalTree.h"

#include <algorithm>
#include <ctime>
#include <random>
#include <set>
#include <sys/stat.h>

namespace {

// What the server holds now, never a listing kept from before.
constexpr uint32_t kFreshListing = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;

std::string ParentFolder(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

CTransferDriver::FrameTexts CPutDriver::Texts() const
{
    return {"Sending data to the remote site, please wait...",
            "Vamlo is trying to find out the number of files it needs to put into the remote ftp site.",
            CActionLog::m_strPutCanceled};
}

void CPutDriver::PutEntries(const CFileInfoList& entries, int32_t tempFlag)
{
    if (ActionSite() != nullptr)
        m_doc.ClearTransferredNames();
    RunEntries(entries, tempFlag);
}

int64_t CPutDriver::CountFiles(const CFileInfoList& entries)
{
    const int64_t count = CountLocalFiles(entries);
    m_doc.m_nFilesSent = 0;
    return count;
}

int64_t CPutDriver::CountLocalFiles(const CFileInfoList& entries)
{
    m_doc.m_nLocalFileCount = 0;
    m_nCountedBytes = 0;
    for (const auto& entry : entries) {
        if (entry->m_bIsFolder != 1) {
            ++m_doc.m_nLocalFileCount;
            AddLocalFileBytes(entry->m_strPath, m_nCountedBytes);
            continue;
        }
        // The same walk as the transfer, so the count matches what is sent.
        CTransferTreeItem root;
        BuildLocalTree(root, entry->m_strPath);
        m_doc.m_nLocalFileCount += CountTreeFiles(root);
        AddTreeFileBytes(root, entry->m_strPath, m_nCountedBytes);
    }
    m_doc.m_strFileCount = CountText(m_doc.m_nLocalFileCount);
    return m_doc.m_nLocalFileCount;
}

void CPutDriver::BuildLocalTree(CTransferTreeItem& item, const std::string& itemPath)
{
    ::BuildLocalTree(item, itemPath);
}

bool CPutDriver::RemoteExists(IRemoteConnection& connection, const std::string& path)
{
    CRemoteFileFind finder(&connection);
    return finder.FindFile(path, kFreshListing);
}

CPutDriver::FolderNames CPutDriver::ListNames(IRemoteConnection& connection, const std::string& folder)
{
    FolderNames names;
    names.emplace();
    CRemoteFileFind finder(&connection);
    bool more = finder.FindFile(JoinRemoteEntry(folder, "*"), kFreshListing);
    // Unlisted: each name is looked up on its own, as before a listing.
    if (!more && GetLastNetErrorCode() != ERROR_NO_MORE_FILES)
        return std::nullopt;
    while (more) {
        more = finder.FindNextFile();
        if (!finder.IsDots())
            names->insert(finder.GetFileName());
    }
    // A name the listing left out as unusable may still be there.
    if (finder.GetBadNameCount() > 0)
        return std::nullopt;
    return names;
}

bool CPutDriver::Exists(const FolderNames& names, IRemoteConnection& connection, const std::string& folder,
                        const std::string& name)
{
    return names ? names->count(name) != 0
                 : RemoteExists(connection, JoinRemoteEntry(folder, name));
}

bool CPutDriver::EnterRemoteFolder(IRemoteConnection& connection, const std::string& folder,
                                   const std::string& localShown, const std::string& remoteShown)
{
    if (connection.SetCurrentDirectory(folder))
        return true;
    // A file that is not sent is a failure the log must show, even when its
    // folder went away on the server.
    const std::string cause = LastNetErrorMessage();
    m_doc.AppendLog(std::string(CActionLog::m_strPuttingFile) + "\n     Source:  " + localShown +
                    "\nDestination:  " + remoteShown);
    LogFailure("The remote folder " + folder + " cannot be entered: " + cause);
    return false;
}

bool CPutDriver::CreateRemoteFolder(IRemoteConnection& connection, const std::string& path)
{
    m_doc.AppendLog(std::string(CActionLog::m_strCreatingDirectory) + "\nTarget Directory: " + path);
    if (connection.CreateDirectory(path)) {
        m_doc.AppendLog(CActionLog::m_strSuccess);
        return true;
    }
    LogFailure(CodeCause(GetLastNetErrorCode()));
    return false;
}

void CPutDriver::PutItem(const CVaFileInfo& entry, int32_t tempFlag)
{
    CVamloSiteInfo* site = m_job.m_pTargetSite;
    if (!Continuing() || site == nullptr)
        return;
    std::string local = entry.m_strPath;
    const std::string& remoteFolder = m_job.m_strTargetFolder;
    SetMessages("Vamlo is trying to put the following file:", local);
    StepFile();
    if (Cancelled()) {
        CloseStatusDialog();
        return;
    }
    // A folder keeps its whole name, dots included.
    const std::string name = LastPathComponent(local);
    std::string localFolder = ParentFolder(local);
    if (tempFlag == 1) {
        localFolder = m_doc.App().m_strTempDirPath;
        local = JoinLocalPath(localFolder, name);
    }
    if (!IsLocalDirectory(localFolder))
        return;
    if (!CheckConnection(site, true))
        return;
    std::shared_ptr<IRemoteConnection> connection = site->m_pConnection;
    if (!connection)
        return;
    // What the target folder holds is listed once for all of the action's
    // entries (the driver's caller makes the folder be asked for again).
    if (!m_bTargetListed) {
        m_targetNames = ListNames(*connection, remoteFolder);
        m_bTargetListed = true;
    }

    if (entry.m_bIsFolder != 1) {
        SendFileOf(remoteFolder, name, local, Exists(m_targetNames, *connection, remoteFolder, name), tempFlag, true);
        return;
    }

    SetMessages("Vamlo is parsing the following folder:", local);
    StepFile();
    if (Cancelled()) {
        CloseStatusDialog();
        return;
    }
    CTransferTreeItem root;
    root.m_strText = name;
    BuildLocalTree(root, local);
    if (!root.m_strListError.empty()) {
        LogFailure(root.m_strListError);
        return;
    }
    const std::string remote = JoinRemoteEntry(remoteFolder, name);
    // Into an existing folder the files go beside what it holds; a new one
    // holds nothing.
    FolderNames held;
    if (Exists(m_targetNames, *connection, remoteFolder, name)) {
        held = ListNames(*connection, remote);
    } else {
        if (!CreateRemoteFolder(*connection, remote))
            return;
        held.emplace();
        if (m_targetNames)
            m_targetNames->insert(name);
    }
    PutFolderContents(root, local, remote, held, tempFlag);
    m_doc.AddTransferredName(name);
}

void CPutDriver::PutFolderContents(const CTransferTreeItem& item, const std::string& localFolder,
                                   const std::string& remoteFolder, const FolderNames& held, int32_t tempFlag)
{
    if (!Continuing())
        return;
    for (const auto& child : item.m_children) {
        if (Cancelled()) {
            CloseStatusDialog();
            return;
        }
        if (!Continuing())
            return;
        // A lost connection is offered back before the folder change, which
        // would otherwise fail and pass over every file that is left.
        if (!CheckConnection(m_job.m_pTargetSite, true))
            return;
        // A reconnect during the walk replaces the site's connection.
        std::shared_ptr<IRemoteConnection> current = m_job.m_pTargetSite->m_pConnection;
        if (!current)
            return;
        const std::string& name = child->m_strText;
        const std::string localChild = JoinLocalPath(localFolder, name);
        const std::string remoteChild = JoinRemoteEntry(remoteFolder, name);
        const bool exists = Exists(held, *current, remoteFolder, name);
        if (child->m_nData == TREE_ITEM_FOLDER) {
            // An existing folder is passed over with everything in it.
            if (exists)
                continue;
            if (!child->m_strListError.empty())
                LogFailure(child->m_strListError);
            else if (CreateRemoteFolder(*current, remoteChild))
                PutFolderContents(*child, localChild, remoteChild, FolderNames(std::in_place), tempFlag);
        } else if (IsLocalDirectory(localFolder)) {
            SendFileOf(remoteFolder, name, localChild, exists, tempFlag, false);
        }
    }
}

void CPutDriver::SendFileOf(const std::string& remoteFolder, const std::string& name, const std::string& local,
                            bool exists, int32_t tempFlag, bool topLevel)
{
    SendOrRun([=](CTransferDriver& driver) {
        auto& put = static_cast<CPutDriver&>(driver);
        // Each connection enters the folder once, before its first file there.
        const std::shared_ptr<IRemoteConnection> connection = put.FileSite()->m_pConnection;
        const std::string remote = JoinRemoteEntry(remoteFolder, name);
        if (!connection || !put.EnterRemoteFolder(*connection, remoteFolder, local, remote))
            return;
        if (put.PutFile(name, local, name, remote, exists, connection, tempFlag) == 1 && topLevel)
            put.m_doc.AddTransferredName(name);
    });
}

int CPutDriver::PutFile(const std::string& localName, const std::string& localShown, const std::string& remoteName,
                        const std::string& remoteShown, bool targetExists,
                        const std::shared_ptr<IRemoteConnection>& connection, int32_t tempFlag)
{
    CVamloSiteInfo* site = FileSite();
    if (!Continuing() || site == nullptr)
        return 0;
    const std::string address = site->m_strAddress;
    if (!CheckConnection(site, true))
        return 0;
    std::shared_ptr<IRemoteConnection> current = site->m_pConnection;
    // A new connection starts in the login folder: the bare name must be
    // resolved in the folder the caller chose.
    const std::string suffix = "//" + remoteName;
    const std::string folder = remoteShown.size() > suffix.size() &&
                                       remoteShown.compare(remoteShown.size() - suffix.size(), suffix.size(),
                                                           suffix) == 0
                                   ? remoteShown.substr(0, remoteShown.size() - suffix.size())
                                   : std::string();
    if (current != connection && !folder.empty() && !current->SetCurrentDirectory(folder))
        return 0;
    (void)localName;

    m_doc.AppendLog(std::string(CActionLog::m_strPuttingFile) + "\n     Source:  " + localShown +
                    "\nDestination:  " + remoteShown);
    SetMessages("Vamlo is searching the following file:", remoteShown);
    StepFile();
    if (Cancelled()) {
        CloseStatusDialog();
        return 0;
    }
    if (targetExists && !ConfirmReplace(remoteName, false, "User selected to cancel the Put action."))
        return 0;

    // The local file is opened first: a source that cannot be read must not
    // leave the remote file it would have replaced truncated.
    CLocalFile source;
    std::string error;
    uint64_t size = 0;
    if (!source.OpenRead(localShown, error) || !source.Size(size, error)) {
        LogFailure(error);
        return 0;
    }
    std::set<std::string>& noRenames = site->m_noRenameFolders;
    if (noRenames.count(folder) != 0) {
        if (!SendFile(current, source, size, remoteName, false, folder, localShown, remoteShown))
            return 0;
        KeepLocalTime(*current, remoteName, source);
        return Done(address, tempFlag);
    }

    // The data goes to a temporary name beside the target, which it replaces
    // only once the server holds all of it: a broken upload never takes the
    // place of the file it was to replace.
    const std::string partial = PartialFileName(remoteName, static_cast<uint32_t>(std::random_device{}()));
    if (!SendFile(current, source, size, partial, true, folder, localShown, remoteShown))
        return 0;
    uint64_t held = 0;
    if (current->GetFileSize(partial, held) == 1 && held != size) {
        LogFailure("The server holds " + std::to_string(held) + " of the " + std::to_string(size) + " bytes sent");
        current->Remove(partial);
        return 0;
    }
    if (m_bLastFileResumed && !SplicedCopyAgrees(*current, partial, localShown)) {
        current->Remove(partial);
        return 0;
    }
    const Placed placed = RenameOver(*current, partial, remoteName, targetExists);
    if (placed == Placed::Done) {
        KeepLocalTime(*current, remoteName, source);
        return Done(address, tempFlag);
    }
    if (!current->IsOpen() || placed == Placed::Failed) {
        const std::string cause = LastNetErrorMessage();
        if (current->IsOpen())
            RemoveHidden(*current, partial);
        LogFailure(cause);
        return 0;
    }
    // A folder that takes uploads but no renames: the file goes straight to
    // its name, for this one and every later one in this folder.
    RemoveHidden(*current, partial);
    noRenames.insert(folder);
    m_doc.AppendLog("===== The server does not rename files here: they are sent straight to their own names =====");
    if (!source.Rewind(error)) {
        LogFailure(error);
        return 0;
    }
    if (!SendFile(current, source, size, remoteName, false, folder, localShown, remoteShown))
        return 0;
    KeepLocalTime(*current, remoteName, source);
    return Done(address, tempFlag);
}

void CPutDriver::KeepLocalTime(IRemoteConnection& connection, const std::string& name, const CLocalFile& source)
{
    // A server without MFMT keeps its own time: that is no failure.
    std::time_t modified = 0;
    if (source.ModifiedTime(modified))
        connection.SetModifiedTime(name, modified);
}

int CPutDriver::Done(const std::string& address, int32_t tempFlag)
{
    ReportFileDone(m_doc.m_nFilesSent, address, tempFlag,
                   {" files have been sent to the remote site ", "sent", " files to the remote site ",
                    " files from the local temp directory to the remote site "});
    return 1;
}

bool CPutDriver::SendFile(std::shared_ptr<IRemoteConnection>& connection, CLocalFile& source, uint64_t size,
                          const std::string& name, bool temporary, const std::string& folder,
                          const std::string& localShown, const std::string& remoteShown)
{
    m_bLastFileResumed = false;
    std::unique_ptr<IRemoteFile> remote = connection->OpenFile(name, GENERIC_WRITE, OpenFlags(), 1);
    // Nothing asks the server between files: a connection it dropped shows here.
    if (!remote) {
        const Dropped dropped = ReconnectAfterRefusal(FileSite(), connection);
        if (dropped == Dropped::Ended)
            return false;
        if (dropped == Dropped::Reconnected && (folder.empty() || connection->SetCurrentDirectory(folder)))
            remote = connection->OpenFile(name, GENERIC_WRITE, OpenFlags(), 1);
    }
    if (!remote) {
        ReportFileError("Failed to open the file ", remoteShown, LastNetErrorMessage());
        return false;
    }
    const auto removeIncomplete = [&] {
        if (!connection->Remove(name)) {
            m_doc.AppendLog("\n***** Failed to remove the incomplete file \"" + name + "\".\nCause: " +
                            CodeCause(GetLastNetErrorCode()));
        }
    };
    // A temporary file is nobody's: what is left of it goes, quietly.
    const auto dropTemporary = [&] {
        if (temporary && connection->IsOpen())
            connection->Remove(name);
        return false;
    };

    std::string total = BeginFileProgress(size);
    if (Cancelled()) {
        CloseStatusDialog();
        remote->Abort();
        removeIncomplete();
        return false;
    }
    const CopyTexts texts{"Putting file: " + remoteShown, "Sent ", localShown, remoteShown};
    CopyState copy;
    copy.connectionLost = [&] { return !connection->IsOpen(); };
    for (int resumes = 0;; ++resumes) {
        CopyResult result = CopyBlocks(
            total, texts,
            [&](char* buffer, size_t count, std::string& readError) { return source.Read(buffer, count, readError); },
            [&](const char* buffer, size_t count, std::string& writeError) {
                if (remote->Write(buffer, count))
                    return true;
                writeError = LastNetErrorMessage();
                return false;
            },
            copy);
        // The server's final reply decides: a refused or cut-off upload is no success.
        if (result == CopyResult::Complete) {
            if (remote->Close())
                return true;
            copy.brokenCause = LastNetErrorMessage();
            if (connection->IsOpen() || resumes >= kMaxResumes) {
                ReportCloseError(remoteShown, copy.brokenCause);
                return dropTemporary();
            }
            result = CopyResult::Broken;
        }
        if (result == CopyResult::Failed) {
            remote->Abort();
            return dropTemporary();
        }
        if (result == CopyResult::Cancelled) {
            LogFailure("Put action was cancelled");
            CloseStatusDialog();
            remote->Abort();
            removeIncomplete();
            return false;
        }
        // The connection went away mid-file: with the user's consent the
        // upload goes on, on a new connection, from the bytes the server
        // kept (which may be fewer than were sent).
        remote.reset();
        if (resumes >= kMaxResumes) {
            LogFailure(copy.brokenCause);
            return false;
        }
        std::shared_ptr<IRemoteConnection> fresh = ReconnectAfterDrop(FileSite(), copy.brokenCause);
        if (!fresh)
            return false;
        connection = fresh;
        if (!folder.empty() && !connection->SetCurrentDirectory(folder)) {
            LogFailure(LastNetErrorMessage());
            return false;
        }
        uint64_t held = 0;
        copy.done = connection->GetFileSize(name, held) == 1 && held <= size ? held : 0;
        remote = ReopenAt(*connection, name, GENERIC_WRITE, copy.done);
        m_bLastFileResumed = copy.done > 0;
        std::string error;
        if (!remote) {
            ReportFileError("Failed to open the file ", remoteShown, LastNetErrorMessage());
            return dropTemporary();
        }
        if (!source.Seek(copy.done, error)) {
            LogFailure(error);
            remote->Abort();
            return dropTemporary();
        }
        if (copy.done == 0)
            total = BeginFileProgress(size, true, true);
    }
}

CPutDriver::Placed CPutDriver::RenameOver(IRemoteConnection& connection, const std::string& from, const std::string& to,
                                          bool targetExists)
{
    if (connection.Rename(from, to))
        return Placed::Done;
    if (!targetExists || !connection.IsOpen())
        return Placed::Refused;
    // The old file is only moved aside until the new one holds its name.
    const std::string aside = PartialFileName(to, static_cast<uint32_t>(std::random_device{}()));
    if (!connection.Rename(to, aside))
        return connection.IsOpen() ? Placed::Refused : Placed::Failed;
    if (connection.Rename(from, to)) {
        RemoveHidden(connection, aside);
        return Placed::Done;
    }
    // The caller reports why the new file could not take the name.
    const int code = GetLastNetErrorCode();
    const std::string response = GetLastNetResponse();
    if (!connection.Rename(aside, to))
        m_doc.AppendLog("\n***** The old file \"" + to + "\" could not be put back: it is kept as \"" + aside + "\".");
    SetLastNetError(code, response);
    return Placed::Failed;
}

void CPutDriver::RemoveHidden(IRemoteConnection& connection, const std::string& name)
{
    if (!connection.Remove(name))
        m_doc.AppendLog("\n***** The server keeps the hidden file \"" + name + "\", which it does not let Vamlo delete.");
}
