#include "transfer/LocalFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

std::string LocalErrorText(int error)
{
    std::string text = std::strerror(error);
    if (text.size() > 255)
        text.resize(255);
    return text;
}

bool LocalPathExists(const std::string& path)
{
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

bool IsLocalDirectory(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsLocalReadOnly(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && (info.st_mode & S_IWUSR) == 0;
}

CLocalFile::~CLocalFile()
{
    if (m_fd >= 0)
        close(m_fd);
}

CLocalFile::CLocalFile(CLocalFile&& other) noexcept : m_fd(other.m_fd), m_path(std::move(other.m_path))
{
    other.m_fd = -1;
}

CLocalFile& CLocalFile::operator=(CLocalFile&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = other.m_fd;
        m_path = std::move(other.m_path);
        other.m_fd = -1;
    }
    return *this;
}

bool CLocalFile::OpenRead(const std::string& path, std::string& error)
{
    // Non-blocking, so that a pipe cannot hold the open; only a regular
    // file is read.
    m_fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (m_fd < 0) {
        error = LocalErrorText(errno);
        return false;
    }
    struct stat info {};
    const bool known = fstat(m_fd, &info) == 0;
    if (!known || !S_ISREG(info.st_mode)) {
        const int code = known ? EINVAL : errno;
        close(m_fd);
        m_fd = -1;
        errno = code;
        error = known ? std::string("Not a regular file") : LocalErrorText(code);
        return false;
    }
    fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
    m_path = path;
    return true;
}

std::string PartialFileName(const std::string& name, uint32_t tag)
{
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".vamlo-part-%08x", static_cast<unsigned>(tag));
    const std::size_t room = NAME_MAX - 1 - std::strlen(suffix);
    return "." + name.substr(0, room) + suffix;
}

bool CLocalFile::Seek(uint64_t offset, std::string& error)
{
    if (lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset))
        return true;
    error = LocalErrorText(errno);
    return false;
}

bool CLocalFile::Truncate(std::string& error)
{
    if (ftruncate(m_fd, 0) == 0)
        return Seek(0, error);
    error = LocalErrorText(errno);
    return false;
}

bool CLocalFile::ModifiedTime(std::time_t& time) const
{
    struct stat info {};
    if (fstat(m_fd, &info) != 0)
        return false;
    time = info.st_mtime;
    return true;
}

bool CLocalFile::SetModifiedTime(std::time_t time)
{
    // The access time is left as it is.
    const timespec times[2] = {{0, UTIME_OMIT}, {time, 0}};
    return futimens(m_fd, times) == 0;
}

bool CLocalFile::CreatePartial(const std::string& target, std::string& error)
{
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = folder + PartialFileName(name, static_cast<uint32_t>(random()));
        // O_EXCL never takes over someone else's file; the umask applies as
        // for any new file.
        m_fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            m_path = path;
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    error = LocalErrorText(errno);
    return false;
}

int64_t CLocalFile::Read(void* buffer, size_t count, std::string& error)
{
    for (;;) {
        ssize_t n = read(m_fd, buffer, count);
        if (n >= 0)
            return n;
        if (errno != EINTR) {
            error = LocalErrorText(errno);
            return -1;
        }
    }
}

bool CLocalFile::Write(const void* buffer, size_t count, std::string& error)
{
    const char* bytes = static_cast<const char*>(buffer);
    while (count > 0) {
        ssize_t n = write(m_fd, bytes, count);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = LocalErrorText(errno);
            return false;
        }
        bytes += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

bool CLocalFile::Size(uint64_t& size, std::string& error) const
{
    struct stat info {};
    if (fstat(m_fd, &info) != 0) {
        error = LocalErrorText(errno);
        return false;
    }
    size = static_cast<uint64_t>(info.st_size);
    return true;
}

bool CLocalFile::Close(std::string& error)
{
    if (m_fd < 0)
        return true;
    const int result = close(m_fd);
    m_fd = -1;
    if (result != 0) {
        error = LocalErrorText(errno);
        return false;
    }
    return true;
}

void CLocalFile::CopyModeFrom(const std::string& path)
{
    struct stat info {};
    if (m_fd >= 0 && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        fchmod(m_fd, info.st_mode & 07777);
}
