#pragma once

#include "ftp/FtpEngine.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace ftptest {

inline std::string AllByteValues()
{
    std::string bytes;
    for (int round = 0; round < 4; ++round)
        for (int value = 0; value < 256; ++value)
            bytes.push_back(static_cast<char>(round % 2 ? 255 - value : value));
    bytes += "\r\n\n\r\r\n\xff\xff\xff\xf4";   // line ends and Telnet-looking bytes too
    return bytes;
}

// Reads a remote file to its end in blocks of blockSize; false on failure.
inline bool DownloadAll(CFtpConnection& connection, const std::string& name, std::string& content,
    uint32_t type = FTP_TRANSFER_TYPE_BINARY, size_t blockSize = 1024)
{
    auto file = connection.OpenFile(name, GENERIC_READ, INTERNET_FLAG_RELOAD | type);
    if (!file)
        return false;
    content.clear();
    std::vector<char> buffer(blockSize);
    for (int guard = 0; guard < 100000000; ++guard) {
        const int64_t n = file->Read(buffer.data(), buffer.size());
        if (n < 0)
            return false;
        if (n == 0)
            break;
        content.append(buffer.data(), static_cast<size_t>(n));
    }
    return file->Close();
}

inline bool UploadAll(CFtpConnection& connection, const std::string& name, const std::string& content,
    uint32_t type = FTP_TRANSFER_TYPE_BINARY, size_t blockSize = 1024)
{
    auto file = connection.OpenFile(name, GENERIC_WRITE, INTERNET_FLAG_RELOAD | type);
    if (!file)
        return false;
    for (size_t done = 0; done < content.size(); done += blockSize) {
        const size_t n = std::min(blockSize, content.size() - done);
        if (!file->Write(content.data() + done, n))
            return false;
    }
    return file->Close();
}

struct FoundEntry {
    std::string name;
    std::string path;
    bool bDirectory = false;
    bool bDots = false;
    uint64_t size = 0;
    bool bHasTime = false;
    std::time_t time = 0;
};

// Every entry a search finds, stepping the MFC way; empty when nothing is found.
inline std::vector<FoundEntry> FindAll(CFtpConnection& connection, const std::string& pattern)
{
    std::vector<FoundEntry> found;
    CFtpFileFind finder(&connection);
    bool more = finder.FindFile(pattern, INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE);
    for (int guard = 0; more && guard < 1000000; ++guard) {
        more = finder.FindNextFile();
        FoundEntry entry;
        entry.name = finder.GetFileName();
        entry.path = finder.GetFilePath();
        entry.bDirectory = finder.IsDirectory();
        entry.bDots = finder.IsDots();
        entry.size = finder.GetLength();
        entry.bHasTime = finder.GetLastWriteTime(entry.time);
        found.push_back(entry);
    }
    finder.Close();
    return found;
}

// The entry of that name; value() throws (a test failure) when there is none.
inline std::optional<FoundEntry> Named(const std::vector<FoundEntry>& entries, const std::string& name)
{
    for (const FoundEntry& entry : entries)
        if (entry.name == name)
            return entry;
    return std::nullopt;
}

} // namespace ftptest
