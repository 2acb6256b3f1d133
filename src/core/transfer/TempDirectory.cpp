#include "transfer/TempDirectory.h"

#include "app/AppCore.h"
#include "app/Prompts.h"
#include "app/VamloDoc.h"
#include "fileops/FileOpTexts.h"
#include "fileops/FolderNames.h"
#include "net/NetErrors.h"
#include "path/Paths.h"
#include "transfer/LocalFile.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

long long FreeBytesAt(const std::string& path)
{
    struct statvfs info {};
    if (statvfs(path.c_str(), &info) != 0)
        return -1;
    return static_cast<long long>(info.f_bavail) * static_cast<long long>(info.f_frsize);
}

CTempDirectory::CTempDirectory(CVamloDoc& doc, IPrompts& prompts)
    : m_doc(doc), m_prompts(prompts), m_strPath(doc.App().m_strTempDirPath)
{
}

int CTempDirectory::PrepareTempDirectory()
{
    struct stat info {};
    if (lstat(m_strPath.c_str(), &info) != 0) {
        if (mkdir(m_strPath.c_str(), 0700) == 0)
            return 1;
        m_prompts.MessageBox("Failed to create the temporary directory \"" + m_strPath + "\"." + ShortCause(errno) +
                             "\nThe temp directory is used to hold all the files and folders temporarily in the "
                             "process of remote to remote file transfer.\nPlease make sure this directory is "
                             "created before trying to do remote to remote file transfer.");
        return 0;
    }
    // A link or a file in its place would send the received files elsewhere.
    if (!S_ISDIR(info.st_mode) || EmptyTempDirectory() == 0) {
        m_prompts.MessageBox("Failed to clean up the temporary directory \"" + m_strPath +
                             "\".\nThis directory is used to hold all the files and folders temporarily in the "
                             "process of remote to remote file transfer.\nPlease make sure this directory does not "
                             "contain any files or folders before trying to do remote to remote file transfer.");
        return 0;
    }
    return 1;
}

int CTempDirectory::EmptyTempDirectory()
{
    m_doc.m_bDeleteYesToAll = 1;
    for (const std::string& name : FolderNames(m_strPath)) {
        const std::string path = JoinLocalPath(m_strPath, name);
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0)
            continue;   // gone meanwhile
        if (S_ISDIR(info.st_mode)) {
            if (m_doc.DeleteLocalFolder(path) == 0)
                return 0;
        } else if (DeleteFile(path, !S_ISLNK(info.st_mode) && (info.st_mode & S_IWUSR) == 0) == 0) {
            return 0;
        }
    }
    return FolderNames(m_strPath).empty() ? 1 : 0;
}

int CTempDirectory::DeleteFile(const std::string& path, bool readOnly)
{
    if (readOnly) {
        struct stat info {};
        if (stat(path.c_str(), &info) != 0) {
            m_prompts.MessageBox("Vamlo failed to delete the file " + path +
                                 " because it can not remove the read-only attribute.\nPlease remove the read-only "
                                 "attribute of the file before trying to delete the file.");
            return 0;
        }
        if (chmod(path.c_str(), (info.st_mode | S_IWUSR) & 07777) != 0) {
            const int code = errno;
            m_prompts.MessageBox("Failed to remove the read-only attribute of the file \"" + path +
                                 "\".\nCause: (Code: " + std::to_string(code) + ")" + GetSystemErrorText(code));
            return 0;
        }
    }
    if (unlink(path.c_str()) != 0) {
        m_prompts.MessageBox("Failed to delete the file \"" + path + "\"." + CodedCause(errno));
        return 0;
    }
    return 1;
}
