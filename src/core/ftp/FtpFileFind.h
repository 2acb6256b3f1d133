#pragma once

#include "net/NetFlags.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

class CFtpConnection;

// Every walk over a server's folders stops at these bounds, so that a
// server that always lists one more folder (or a link loop) ends the walk
// with a failure instead of exhausting the stack or the command line.
inline constexpr int kMaxRemoteDepth = 100;
inline constexpr size_t kMaxRemotePathBytes = 4096;
// Empty while the folder at path, depth levels below the walk's start, may
// be listed; else why not ("it lies more than 100 folders deep").
std::string RemoteWalkLimit(const std::string& path, int depth);

// Searches a folder or finds one entry on an FTP connection. The whole result
// is read when the search starts. One search may be open per connection.
class CFtpFileFind {
public:
    explicit CFtpFileFind(CFtpConnection* connection, uint32_t context = 1);
    ~CFtpFileFind();
    CFtpFileFind(const CFtpFileFind&) = delete;
    CFtpFileFind& operator=(const CFtpFileFind&) = delete;

    // "folder/*" (or "*") lists a folder (flags: FIND_FLAG_LONG_LIST); any other path finds that one
    // entry by its literal name (for a folder: the folder itself).
    // True when at least one entry exists; an empty folder gives false with
    // ERROR_NO_MORE_FILES. Another open search on the connection gives false
    // with ERROR_FTP_TRANSFER_IN_PROGRESS.
    bool FindFile(const std::string& name = "*", uint32_t flags = INTERNET_FLAG_RELOAD);
    // Moves to the next entry (call once before reading the first); true
    // while more entries follow. The last entry stays readable afterwards.
    bool FindNextFile();
    void Close();

    std::string GetFileName() const;
    // The searched folder + "/" + name (no doubled "/").
    std::string GetFilePath() const;
    // "ftp://" (or "ftpes://" when encrypted) + server + path.
    std::string GetFileURL() const;
    uint64_t GetLength() const;
    // Whether the server gave the size of the current entry's data: never
    // for a link, whose listed size is that of the link itself.
    bool HasLength() const;
    bool GetLastWriteTime(std::time_t& time) const;
    bool IsDots() const;
    bool IsDirectory() const;
    // The nine mode letters the listing gave, else empty.
    std::string GetPermissions() const;
    // Marked as a symbolic link by the listing.
    bool IsLink() const;
    // A link, or listed in a form that cannot tell (see FtpListEntry).
    bool MayBeLink() const;

    // Entries left out of the last search because their names were unsafe.
    size_t GetBadNameCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
