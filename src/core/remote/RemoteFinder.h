#pragma once

#include "net/NetFlags.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

// Every walk over a server's folders stops at these bounds, so that a
// server that always lists one more folder (or a link loop) ends the walk
// with a failure instead of exhausting the stack or the command line.
inline constexpr int kMaxRemoteDepth = 100;
inline constexpr size_t kMaxRemotePathBytes = 4096;

// Empty while the folder at path, depth levels below the walk's start, may
// be listed; else why not ("it lies more than 100 folders deep").
std::string RemoteWalkLimit(const std::string& path, int depth);

// One search of a folder, or the look-up of one entry, on a connection. The
// whole result is read when the search starts; one search may be open per
// connection.
class IRemoteFinder {
public:
    virtual ~IRemoteFinder() = default;

    // "folder/*" (or "*") lists a folder (flags: FIND_FLAG_LONG_LIST); any
    // other path finds that one entry by its literal name (for a folder: the
    // folder itself). True when at least one entry exists; an empty folder
    // gives false with ERROR_NO_MORE_FILES. Another open search on the
    // connection gives false with ERROR_FTP_TRANSFER_IN_PROGRESS.
    virtual bool FindFile(const std::string& name, uint32_t flags) = 0;
    // Moves to the next entry (call once before reading the first); true
    // while more entries follow. The last entry stays readable afterwards.
    virtual bool FindNextFile() = 0;
    virtual void Close() = 0;
    virtual std::string GetFileName() const = 0;
    // The searched folder + "/" + name (no doubled "/").
    virtual std::string GetFilePath() const = 0;
    // The scheme ("ftp://", "ftpes://", ...) + server + path.
    virtual std::string GetFileURL() const = 0;
    virtual uint64_t GetLength() const = 0;
    // Whether the server gave the size of the current entry's data: never
    // for a link, whose listed size is that of the link itself.
    virtual bool HasLength() const = 0;
    virtual bool GetLastWriteTime(std::time_t& time) const = 0;
    virtual bool IsDots() const = 0;
    virtual bool IsDirectory() const = 0;
    // The nine mode letters ("rwxr-xr-x") the listing gave, else empty.
    virtual std::string GetPermissions() const = 0;
    // Marked as a symbolic link by the listing.
    virtual bool IsLink() const = 0;
    // A link, or listed in a form that cannot tell.
    virtual bool MayBeLink() const = 0;
    // Entries left out of the last search because their names were unsafe.
    virtual size_t GetBadNameCount() const = 0;
};
