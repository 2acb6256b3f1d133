#include "log/AutoSaveFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

std::string FileErrorText(int error)
{
    std::string text = std::strerror(error);
    if (text.size() > 255)
        text.resize(255);
    return text;
}

CAutoSaveFile::~CAutoSaveFile()
{
    if (m_fd >= 0)
        close(m_fd);
}

bool CAutoSaveFile::Open(const std::string& path, std::string& cause)
{
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        cause = FileErrorText(errno);
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        cause = FileErrorText(errno);
        close(fd);
        return false;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        cause = FileErrorText(errno);
        close(fd);
        return false;
    }
    m_fd = fd;
    m_openedSize = static_cast<uint64_t>(info.st_size);
    return true;
}

bool CAutoSaveFile::Append(const std::string& bytes, std::string& cause)
{
    if (m_fd < 0) {
        cause = FileErrorText(EBADF);
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            cause = FileErrorText(errno);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}
