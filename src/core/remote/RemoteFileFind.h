#pragma once

#include "remote/RemoteFinder.h"

#include <memory>

class IRemoteConnection;

// A search on whatever protocol the connection speaks, kept as a value so
// that a walk reads like a plain loop (see IRemoteFinder for each call).
class CRemoteFileFind {
public:
    explicit CRemoteFileFind(IRemoteConnection* connection);
    ~CRemoteFileFind();
    CRemoteFileFind(const CRemoteFileFind&) = delete;
    CRemoteFileFind& operator=(const CRemoteFileFind&) = delete;

    bool FindFile(const std::string& name = "*", uint32_t flags = INTERNET_FLAG_RELOAD);
    bool FindNextFile() { return m_pFinder->FindNextFile(); }
    void Close() { m_pFinder->Close(); }
    std::string GetFileName() const { return m_pFinder->GetFileName(); }
    std::string GetFilePath() const { return m_pFinder->GetFilePath(); }
    std::string GetFileURL() const { return m_pFinder->GetFileURL(); }
    uint64_t GetLength() const { return m_pFinder->GetLength(); }
    bool HasLength() const { return m_pFinder->HasLength(); }
    bool GetLastWriteTime(std::time_t& time) const { return m_pFinder->GetLastWriteTime(time); }
    bool IsDots() const { return m_pFinder->IsDots(); }
    bool IsDirectory() const { return m_pFinder->IsDirectory(); }
    std::string GetPermissions() const { return m_pFinder->GetPermissions(); }
    bool IsLink() const { return m_pFinder->IsLink(); }
    bool MayBeLink() const { return m_pFinder->MayBeLink(); }
    size_t GetBadNameCount() const { return m_pFinder->GetBadNameCount(); }

private:
    // Never null: a missing connection gets a finder that finds nothing.
    std::unique_ptr<IRemoteFinder> m_pFinder;
};
