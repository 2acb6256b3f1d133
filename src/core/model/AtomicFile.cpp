#include "model/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

std::string WriteError(const std::string& path, int code)
{
    return "Cannot write " + Quoted(path) + ": " + std::strerror(code);
}

std::string ReadError(const std::string& path, int code)
{
    return "Cannot read " + Quoted(path) + ": " + std::strerror(code);
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

bool WriteAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Makes the rename itself durable. The new file is already in place when
// this runs, so a folder that cannot be flushed (some file systems refuse)
// does not turn the save into a failure.
void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    std::string temporary = path + ".tmp-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        error = WriteError(path, errno);
        return false;
    }

    int failure = 0;
    if (!WriteAll(fd, bytes.data(), bytes.size()) || ::fsync(fd) != 0)
        failure = errno;
    if (::close(fd) != 0 && failure == 0)
        failure = errno;
    if (failure == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
        failure = errno;
    if (failure != 0) {
        ::unlink(temporary.c_str());
        error = WriteError(path, failure);
        return false;
    }
    SyncFolder(FolderOf(path));
    return true;
}

bool ReadFileBounded(const std::string& path, size_t maxBytes, std::vector<uint8_t>& bytes, std::string& error)
{
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = ReadError(path, errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        error = ReadError(path, errno);
        ::close(fd);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = "Cannot read " + Quoted(path) + ": not a regular file";
        ::close(fd);
        return false;
    }
    if (static_cast<uintmax_t>(info.st_size) > maxBytes) {
        error = "Cannot read " + Quoted(path) + ": the file is larger than "
            + std::to_string(maxBytes) + " bytes";
        ::close(fd);
        return false;
    }

    // The file may grow while we read it: the bound holds for what we read,
    // not only for what fstat said.
    std::vector<uint8_t> content(static_cast<size_t>(info.st_size) + 1);
    size_t filled = 0;
    for (;;) {
        if (filled == content.size()) {
            if (content.size() > maxBytes) {
                error = "Cannot read " + Quoted(path) + ": the file is larger than "
                    + std::to_string(maxBytes) + " bytes";
                ::close(fd);
                return false;
            }
            content.resize(std::min(content.size() * 2, maxBytes + 1));
        }
        const ssize_t got = ::read(fd, content.data() + filled, content.size() - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            error = ReadError(path, errno);
            ::close(fd);
            return false;
        }
        if (got == 0)
            break;
        filled += static_cast<size_t>(got);
    }
    ::close(fd);
    content.resize(filled);
    bytes = std::move(content);
    return true;
}
