#include "fileops/RenameOps.h"

#include "app/Prompts.h"
#include "fileops/FileOpTexts.h"
#include "ftp/FtpConnection.h"
#include "net/NetErrors.h"
#include "ftp/FtpFileFind.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uint32_t kFreshFindFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;

bool RemoteExists(CFtpConnection& connection, const std::string& path)
{
    CFtpFileFind find(&connection);
    const bool found = find.FindFile(path, kFreshFindFlags);
    find.Close();
    return found;
}

} // namespace

int RenameLocalNoReplace(const std::string& from, const std::string& to)
{
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    const int error = errno;
    struct stat info {};
    // File systems without the flag: a hard link cannot replace either, so
    // a file moves by link and unlink. Folders then give the flag's error.
    if ((error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) && lstat(from.c_str(), &info) == 0 &&
        !S_ISDIR(info.st_mode)) {
        if (link(from.c_str(), to.c_str()) != 0)
            return errno;
        if (unlink(from.c_str()) != 0) {
            const int unlinkError = errno;
            unlink(to.c_str());
            return unlinkError;
        }
        return 0;
    }
    return error;
}

std::string LocalRenameFailureText(int error)
{
    switch (error) {
    case EACCES:
        return "Permission denied";
    case ENOENT:
        return "No such file or directory";
    case EINVAL:
        return "Invalid argument";
    default:
        return "Could not rename the file or directory";
    }
}

int RenameRemote(CFtpConnection& connection, const std::string& from, const std::string& to, std::string* cause)
{
    if (RemoteExists(connection, to)) {
        if (cause != nullptr)
            *cause = ShortCause(EEXIST);
        return 0;
    }
    if (connection.Rename(from, to) == 1)
        return 1;
    if (cause != nullptr)
        *cause = ShortCause(GetLastNetErrorCode());
    return 0;
}

int CreateLocalDirectory(IPrompts& prompts, const std::string& path)
{
    if (mkdir(path.c_str(), 0777) == 0)
        return 1;
    const int error = errno;
    prompts.MessageBox("Failed to create new directory " + path + ShortCause(error));
    return 0;
}

int CreateRemoteDirectory(IPrompts& prompts, CFtpConnection& connection, const std::string& path)
{
    if (RemoteExists(connection, path)) {
        prompts.MessageBox("Failed to create new directory " + path +
                           "\nCause: Cannot create a new directory when the directory already exists");
        return 0;
    }
    if (connection.CreateDirectory(path) == 1)
        return 1;
    prompts.MessageBox("Failed to create new directory " + path + ShortCause(GetLastNetErrorCode()));
    return 0;
}
