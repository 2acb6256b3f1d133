#pragma once

#include "transfer/TransferDriver.h"
#include "transfer/TransferTree.h"

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class CLocalFile;

// Upload: local files and folders into the remote folder of the target site.
class CPutDriver : public CTransferDriver {
public:
    using CTransferDriver::CTransferDriver;

    void PutEntries(const CFileInfoList& entries, int32_t tempFlag);
    void PutItem(const CVaFileInfo& entry, int32_t tempFlag);
    // The local folder's tree (see LocalTree.h).
    void BuildLocalTree(CTransferTreeItem& item, const std::string& itemPath);
    // The names a remote folder holds, as listed once; none when it could
    // not be listed, and then each name is looked up on its own.
    using FolderNames = std::optional<std::set<std::string>>;
    // tempFlag names the local temp directory in the lines of every file.
    // held: what remoteFolder holds.
    void PutFolderContents(const CTransferTreeItem& item, const std::string& localFolder,
                           const std::string& remoteFolder, const FolderNames& held, int32_t tempFlag);
    // targetExists: the folder's listing holds remoteName (the replace question).
    int PutFile(const std::string& localName, const std::string& localShown, const std::string& remoteName,
                const std::string& remoteShown, bool targetExists,
                const std::shared_ptr<IRemoteConnection>& connection, int32_t tempFlag);
    int64_t CountLocalFiles(const CFileInfoList& entries);

protected:
    CVamloSiteInfo* ActionSite() const override { return m_job.m_pTargetSite; }
    FrameTexts Texts() const override;
    int64_t CountFiles(const CFileInfoList& entries) override;
    void TransferItem(const CVaFileInfo& entry, int32_t tempFlag) override { PutItem(entry, tempFlag); }
    int64_t CountedActionBytes() const override { return m_nCountedBytes; }
    std::unique_ptr<CTransferDriver> NewLaneDriver() override { return std::make_unique<CPutDriver>(m_doc, m_job); }

private:
    // One upload of the open source under name, with its progress; a
    // failure has been logged (and shown) when it returns false. What a
    // failed upload to a temporary name left is removed.
    // A connection that breaks on the way is offered back, and the upload
    // goes on from what the server holds on the new one (in folder).
    bool SendFile(std::shared_ptr<IRemoteConnection>& connection, CLocalFile& source, uint64_t size,
                  const std::string& name, bool temporary, const std::string& folder, const std::string& localShown,
                  const std::string& remoteShown);
    // The sent file takes the local file's time where the server can set it.
    static void KeepLocalTime(IRemoteConnection& connection, const std::string& name, const CLocalFile& source);
    // The uploaded temporary file takes the target's place. Some servers
    // refuse to rename onto an existing file: the target moves aside first,
    // and goes only once the new file holds its name (back on failure).
    // Refused: the server renames nothing here; Failed: the old file stays.
    enum class Placed { Done, Refused, Failed };
    Placed RenameOver(IRemoteConnection& connection, const std::string& from, const std::string& to, bool targetExists);
    // One file into remoteFolder, on whichever connection is free; a file
    // named at the top of the Put is noted as transferred once sent.
    void SendFileOf(const std::string& remoteFolder, const std::string& name, const std::string& local, bool exists,
                    int32_t tempFlag, bool topLevel);
    // A hidden file of ours that the server will not delete is named in the log.
    void RemoveHidden(IRemoteConnection& connection, const std::string& name);
    // A file has been sent: the counter and the success lines. Returns 1.
    int Done(const std::string& address, int32_t tempFlag);
    // The connection's current directory becomes folder; when it cannot,
    // the file named by the two paths is logged as not sent.
    bool EnterRemoteFolder(IRemoteConnection& connection, const std::string& folder, const std::string& localShown,
                           const std::string& remoteShown);
    bool CreateRemoteFolder(IRemoteConnection& connection, const std::string& path);
    bool RemoteExists(IRemoteConnection& connection, const std::string& path);
    FolderNames ListNames(IRemoteConnection& connection, const std::string& folder);
    bool Exists(const FolderNames& names, IRemoteConnection& connection, const std::string& folder,
                const std::string& name);

    // The target folder's names, listed at the first entry.
    FolderNames m_targetNames;
    bool m_bTargetListed = false;
    // The last SendFile went on from the middle of the file on a new connection.
    bool m_bLastFileResumed = false;
    // The bytes of the files counted, or -1 when one could not be sized.
    int64_t m_nCountedBytes = -1;
};
