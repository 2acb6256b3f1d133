#include "log/SaveStatusLog.h"

#include "app/Prompts.h"
#include "app/SaveFileDialog.h"
#include "log/AutoSaveFile.h"
#include "log/RichEditViewActionLog.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Fails with errno set.
bool LockAndEmpty(int fd)
{
    // Locked before it is emptied: a file that someone else is writing keeps
    // its contents.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        return false;
    // Only a regular file has a length to cut; a device or a pipe is written
    // as it is.
    struct stat info {};
    if (fstat(fd, &info) != 0)
        return false;
    return !S_ISREG(info.st_mode) || ftruncate(fd, 0) == 0;
}

bool WriteAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void TellWriteFailed(IPrompts& prompts, const std::string& path, int error)
{
    prompts.MessageBox("Failed to save the Ftp action status log into the file (" + path + ").\nCause: " +
                       FileErrorText(error));
}

} // namespace

QString AskStatusLogSavePath(QWidget* parent)
{
    return AskSaveFilePath(parent, QStringLiteral("Save FTP Action Status Log As"), QStringLiteral("txt"));
}

bool WriteStatusLogFile(const std::string& path, const std::string& bytes, IPrompts& prompts)
{
    // Not truncated on open: the lock decides first whether we may write.
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0 && !LockAndEmpty(fd)) {
        const int error = errno;
        close(fd);
        fd = -1;
        errno = error;
    }
    if (fd < 0) {
        prompts.MessageBox("Failed to save the Ftp action status logn\nSince the log file (" + path +
                           ") could not be created. \nCause: " + FileErrorText(errno));
        return false;
    }
    if (!WriteAll(fd, bytes)) {
        const int error = errno;
        close(fd);
        TellWriteFailed(prompts, path, error);
        return false;
    }
    // A full disk on a network file system may only show here.
    if (close(fd) != 0) {
        TellWriteFailed(prompts, path, errno);
        return false;
    }
    return true;
}

bool SaveStatusLogAs(QWidget* parent, const CRichEditViewActionLog& view, IPrompts& prompts,
                     const StatusLogPathChooser& choosePath)
{
    const QString path = choosePath ? choosePath(parent) : QString();
    if (path.isEmpty())
        return false;
    return WriteStatusLogFile(path.toStdString(), view.LogText().toStdString(), prompts);
}
