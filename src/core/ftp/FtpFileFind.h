#pragma once

#include "ftp/FtpFlags.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

class CFtpConnection;

// Searches a folder or finds one entry on an FTP connection. The whole result
// is read when the search starts. One search may be open per connection.
class CFtpFileFind {
public:
    explicit CFtpFileFind(CFtpConnection* connection, uint32_t context = 1);
    ~CFtpFileFind();
    CFtpFileFind(const CFtpFileFind&) = delete;
    CFtpFileFind& operator=(const CFtpFileFind&) = delete;

    // "folder/*" (or "*") lists a folder; any other path finds that one
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

    // Entries left out of the last search because their names were unsafe.
    size_t GetBadNameCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
