#include "log/SaveStatusLog.h"

#include "app/Prompts.h"
#include "log/AutoSaveFile.h"
#include "log/RichEditViewActionLog.h"
#include "services/SaveFileDialog.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kNotARegularFile = "It is not a regular file.";

struct OpenedLogFile {
    int fd = -1;
    std::string cause;   // why it could not be opened
};

// Only a regular file, or a new one, takes the log: a pipe would hold the
// window until someone reads it, and a device is no place for a saved log.
OpenedLogFile OpenRegularFileForLog(const std::string& path)
{
    OpenedLogFile result;
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        result.cause = kNotARegularFile;
        return result;
    }
    // Without waiting even if a pipe took the name since the check; what was
    // opened is looked at again below. Not truncated on open: the lock
    // decides first whether we may write.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0) {
        result.cause = FileErrorText(errno);
        return result;
    }
    if (fstat(fd, &info) != 0)
        result.cause = FileErrorText(errno);
    else if (!S_ISREG(info.st_mode))
        result.cause = kNotARegularFile;
    // Locked before it is emptied: a file that someone else is writing keeps
    // its contents.
    else if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ftruncate(fd, 0) != 0 ||
             fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        result.cause = FileErrorText(errno);
    if (!result.cause.empty()) {
        close(fd);
        return result;
    }
    result.fd = fd;
    return result;
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
    const OpenedLogFile opened = OpenRegularFileForLog(path);
    if (opened.fd < 0) {
        prompts.MessageBox("Failed to save the Ftp action status logn\nSince the log file (" + path +
                           ") could not be created. \nCause: " + opened.cause);
        return false;
    }
    const int fd = opened.fd;
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
