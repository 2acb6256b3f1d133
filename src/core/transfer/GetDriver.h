#pragma once

#include "transfer/TransferDriver.h"
#include "transfer/TransferTree.h"

#include <ctime>
#include <memory>

class CRemoteFileFind;

// Download: remote files and folders of the source site into a local folder.
class CGetDriver : public CTransferDriver {
public:
    using CTransferDriver::CTransferDriver;

    void GetEntries(const CFileInfoList& entries, int32_t tempFlag) { RunEntries(entries, tempFlag); }
    void GetItem(const CVaFileInfo& entry, int32_t tempFlag);
    void BuildRemoteTree(CTransferTreeItem& item, const std::string& itemPath,
                         const std::shared_ptr<IRemoteConnection>& connection);
    // tempFlag names the local temp directory in the lines of every file.
    void GetTreeLevel(const CTransferTreeItem& item, const std::string& remotePath, const std::string& localFolder,
                      const std::shared_ptr<IRemoteConnection>& connection, int32_t tempFlag);
    // listed: the file's size and time from the folder's listing; without
    // it they are asked for.
    int GetFile(const std::string& localName, const std::string& localShown, const std::string& remotePath,
                const CRemoteStamp* listed, int32_t tempFlag);
    int64_t CountRemoteFiles(const CFileInfoList& entries);
    // When set before CountRemoteFiles, the count also adds up the bytes of
    // the files (one more request per entry that is a file). Without it only
    // folders' listings give bytes, and the total is known only when every
    // entry is a folder.
    bool m_bMeasureBytes = false;
    // The bytes counted, or -1 when a size was not known.
    int64_t CountedBytes() const { return m_bBytesKnown ? m_nCountedBytes : -1; }

    using RemoteStamp = CRemoteStamp;
    // False (the engine's error set) when the file is not found.
    static bool ReadRemoteStamp(IRemoteConnection& connection, const std::string& remotePath, RemoteStamp& stamp);
    // The stamp of a listed file: a listing's time is exact only in a
    // machine listing, else it is asked for (MDTM).
    static RemoteStamp ListedStamp(IRemoteConnection& connection, const CRemoteFileFind& finder);

protected:
    CVamloSiteInfo* ActionSite() const override { return m_job.m_pSourceSite; }
    FrameTexts Texts() const override;
    int64_t CountFiles(const CFileInfoList& entries) override;
    void TransferItem(const CVaFileInfo& entry, int32_t tempFlag) override { GetItem(entry, tempFlag); }
    int64_t CountedActionBytes() const override { return CountedBytes(); }
    std::unique_ptr<CTransferDriver> NewLaneDriver() override { return std::make_unique<CGetDriver>(m_doc, m_job); }

private:
    // Counts the files under one remote folder, one open search at a time.
    void CountRemoteFolder(IRemoteConnection& connection, const std::string& folder, int depth);
    void BuildRemoteLevel(CTransferTreeItem& item, const std::string& itemPath,
                          const std::shared_ptr<IRemoteConnection>& connection, int depth);
    bool CreateLocalFolder(const std::string& path);
    std::string TargetFolder(int32_t tempFlag) const;
    void AddCountedBytes(const CRemoteFileFind& finder);

    int64_t m_nCountedBytes = 0;
    bool m_bBytesKnown = true;
};
