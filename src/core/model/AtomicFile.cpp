#include "model/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <climits>
#include <fcntl.h>
#include <random>
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

// The temporary name is the target's name with a suffix; a long name is cut
// first, so that a target the folder can hold never fails for its temporary.
std::string TemporaryStem(const std::string& path)
{
    constexpr size_t kSuffixLength = 11;  // ".tmp-" and six letters
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (path.size() - nameStart + kSuffixLength <= NAME_MAX)
        return path;
    return path.substr(0, nameStart + NAME_MAX - kSuffixLength);
}

// Opens a new file beside path under a name no one else holds.
int CreateTemporaryBeside(const std::string& path, unsigned mode, std::string& temporary)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device random;
    const std::string stem = TemporaryStem(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = stem + ".tmp-";
        for (int i = 0; i < 6; ++i)
            temporary += kLetters[random() % (sizeof kLetters - 1)];
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// A device or a pipe at the target is written as it stands: there is no file
// to keep whole, and a rename would put a plain file in the device's place.
AtomicWriteResult WriteInPlace(const std::string& path, const uint8_t* data, size_t size)
{
    // Not blocked by a pipe that has no reader yet.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {AtomicWriteStep::Create, errno};
    AtomicWriteResult result;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 || !WriteAll(fd, data, size))
        result = {AtomicWriteStep::Write, errno};
    if (::close(fd) != 0 && result.Ok())
        result = {AtomicWriteStep::Close, errno};
    return result;
}

} // namespace

AtomicWriteResult ReplaceFileAtomically(const std::string& path, const uint8_t* data, size_t size, unsigned mode)
{
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode) && !S_ISDIR(existing.st_mode))
        return WriteInPlace(path, data, size);

    std::string temporary;
    const int fd = CreateTemporaryBeside(path, mode, temporary);
    if (fd < 0)
        return {AtomicWriteStep::Create, errno};

    AtomicWriteResult result;
    if (!WriteAll(fd, data, size) || ::fsync(fd) != 0)
        result = {AtomicWriteStep::Write, errno};
    if (::close(fd) != 0 && result.Ok())
        result = {AtomicWriteStep::Close, errno};
    if (result.Ok() && ::rename(temporary.c_str(), path.c_str()) != 0)
        result = {AtomicWriteStep::Rename, errno};
    if (!result.Ok()) {
        ::unlink(temporary.c_str());
        return result;
    }
    SyncFolder(FolderOf(path));
    return result;
}

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    // The site list holds passwords: only its owner reads it.
    const AtomicWriteResult result = ReplaceFileAtomically(path, bytes.data(), bytes.size(), 0600);
    if (!result.Ok())
        error = WriteError(path, result.code);
    return result.Ok();
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
