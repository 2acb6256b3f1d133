#pragma once

#include "ftp/FtpEngine.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace ftptest {

// FNV-1a, 64 bits: enough to tell two large streams apart.
class Fnv1a {
public:
    void Add(const void* data, size_t size)
    {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) {
            m_hash ^= bytes[i];
            m_hash *= 0x100000001b3ULL;
        }
    }
    uint64_t Value() const { return m_hash; }

private:
    uint64_t m_hash = 0xcbf29ce484222325ULL;
};

// Reproducible bytes that are not all alike (xorshift64*), in blocks.
class ByteStream {
public:
    explicit ByteStream(uint64_t seed) : m_state(seed | 1) {}
    void Fill(char* buffer, size_t size)
    {
        size_t i = 0;
        while (i < size) {
            m_state ^= m_state >> 12;
            m_state ^= m_state << 25;
            m_state ^= m_state >> 27;
            uint64_t word = m_state * 0x2545F4914F6CDD1DULL;
            for (int b = 0; b < 8 && i < size; ++b, ++i, word >>= 8)
                buffer[i] = static_cast<char>(word & 0xFF);
        }
    }

private:
    uint64_t m_state;
};

// Writes size reproducible bytes to path and returns their hash.
inline uint64_t WriteGeneratedFile(const std::string& path, uint64_t size, uint64_t seed)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    ByteStream stream(seed);
    Fnv1a hash;
    std::vector<char> block(1 << 20);
    for (uint64_t done = 0; done < size; done += block.size()) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(block.size(), size - done));
        stream.Fill(block.data(), n);
        hash.Add(block.data(), n);
        out.write(block.data(), static_cast<std::streamsize>(n));
    }
    return hash.Value();
}

inline uint64_t HashFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    Fnv1a hash;
    std::vector<char> block(1 << 20);
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        hash.Add(block.data(), static_cast<size_t>(in.gcount()));
    }
    return hash.Value();
}

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

inline const FoundEntry* Named(const std::vector<FoundEntry>& entries, const std::string& name)
{
    for (const FoundEntry& entry : entries)
        if (entry.name == name)
            return &entry;
    return nullptr;
}

} // namespace ftptest
