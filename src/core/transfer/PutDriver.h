#pragma once

#include "transfer/TransferDriver.h"
#include "transfer/TransferTree.h"

#include <memory>
#include <vector>

// Upload: local files and folders into the remote folder of the target site.
class CPutDriver : public CTransferDriver {
public:
    using CTransferDriver::CTransferDriver;

    void PutEntries(const CFileInfoList& entries, int32_t tempFlag);
    void PutItem(const CVaFileInfo& entry, int32_t tempFlag);
    // The local folder's tree (see LocalTree.h).
    void BuildLocalTree(CTransferTreeItem& item, const std::string& itemPath);
    void PutFolderContents(const CTransferTreeItem& item, const std::string& localFolder,
                           const std::string& remoteFolder, const std::shared_ptr<CFtpConnection>& connection);
    int PutFile(const std::string& localName, const std::string& localShown, const std::string& remoteName,
                const std::string& remoteShown, const std::shared_ptr<CFtpConnection>& connection, int32_t tempFlag);
    int64_t CountLocalFiles(const CFileInfoList& entries);

protected:
    CVamloSiteInfo* ActionSite() const override { return m_job.m_pTargetSite; }
    FrameTexts Texts() const override;
    int64_t CountFiles(const CFileInfoList& entries) override;
    void TransferItem(const CVaFileInfo& entry, int32_t tempFlag) override { PutItem(entry, tempFlag); }

private:
    bool CreateRemoteFolder(CFtpConnection& connection, const std::string& path);
    bool RemoteExists(CFtpConnection& connection, const std::string& path, uint32_t flags);
};
