#pragma once

#include "net/NetFlags.h"
#include "remote/RemoteFinder.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

class CFtpConnection;

// Searches a folder or finds one entry on an FTP connection. The whole result
// is read when the search starts. One search may be open per connection.
class CFtpFileFind final : public IRemoteFinder {
public:
    explicit CFtpFileFind(CFtpConnection* connection, uint32_t context = 1);
    ~CFtpFileFind() override;
    CFtpFileFind(const CFtpFileFind&) = delete;
    CFtpFileFind& operator=(const CFtpFileFind&) = delete;

    // "folder/*" (or "*") lists a folder (flags: FIND_FLAG_LONG_LIST); any other path finds that one
    // entry by its literal name (for a folder: the folder itself).
    // True when at least one entry exists; an empty folder gives false with
    // ERROR_NO_MORE_FILES. Another open search on the connection gives false
    // with ERROR_FTP_TRANSFER_IN_PROGRESS.
    bool FindFile(const std::string& name = "*", uint32_t flags = INTERNET_FLAG_RELOAD) override;
    // Moves to the next entry (call once before reading the first); true
    // while more entries follow. The last entry stays readable afterwards.
    bool FindNextFile() override;
    void Close() override;

    std::string GetFileName() const override;
    // The searched folder + "/" + name (no doubled "/").
    std::string GetFilePath() const override;
    // "ftp://" (or "ftpes://" when encrypted) + server + path.
    std::string GetFileURL() const override;
    uint64_t GetLength() const override;
    // Whether the server gave the size of the current entry's data: never
    // for a link, whose listed size is that of the link itself.
    bool HasLength() const override;
    bool GetLastWriteTime(std::time_t& time) const override;
    bool IsDots() const override;
    bool IsDirectory() const override;
    // The nine mode letters the listing gave, else empty.
    std::string GetPermissions() const override;
    // Marked as a symbolic link by the listing.
    bool IsLink() const override;
    // A link, or listed in a form that cannot tell (see FtpListEntry).
    bool MayBeLink() const override;

    // Entries left out of the last search because their names were unsafe.
    size_t GetBadNameCount() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
