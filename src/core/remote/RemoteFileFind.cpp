#include "remote/RemoteFileFind.h"

#include "net/NetErrors.h"
#include "remote/RemoteConnection.h"

namespace {

// What a search without a connection finds: nothing, as a closed handle.
class CNoFinder final : public IRemoteFinder {
public:
    bool FindFile(const std::string&, uint32_t) override
    {
        SetLastNetError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        return false;
    }
    bool FindNextFile() override { return false; }
    void Close() override {}
    std::string GetFileName() const override { return {}; }
    std::string GetFilePath() const override { return {}; }
    std::string GetFileURL() const override { return {}; }
    uint64_t GetLength() const override { return 0; }
    bool HasLength() const override { return false; }
    bool GetLastWriteTime(std::time_t&) const override { return false; }
    bool IsDots() const override { return false; }
    bool IsDirectory() const override { return false; }
    std::string GetPermissions() const override { return {}; }
    bool IsLink() const override { return false; }
    bool MayBeLink() const override { return false; }
    size_t GetBadNameCount() const override { return 0; }
};

}  // namespace

CRemoteFileFind::CRemoteFileFind(IRemoteConnection* connection)
    : m_pFinder(connection ? connection->NewFinder() : std::make_unique<CNoFinder>())
{
}

CRemoteFileFind::~CRemoteFileFind() = default;

bool CRemoteFileFind::FindFile(const std::string& name, uint32_t flags) { return m_pFinder->FindFile(name, flags); }

std::string RemoteWalkLimit(const std::string& path, int depth)
{
    if (depth > kMaxRemoteDepth)
        return "it lies more than " + std::to_string(kMaxRemoteDepth) + " folders deep";
    if (path.size() > kMaxRemotePathBytes)
        return "its path is longer than " + std::to_string(kMaxRemotePathBytes) + " bytes";
    return {};
}
