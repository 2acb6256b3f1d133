#include "fileops/LocalDelete.h"

#include "fileops/FolderNames.h"

#include "app/Prompts.h"
#include "app/VamloDoc.h"
#include "fileops/FileOpTexts.h"
#include "path/Paths.h"
#include "transfer/LocalFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr const char* kReadOnlyFileQuestion = "Are you sure you want to delete the read-only file?";
constexpr const char* kReadOnlyDirQuestion = "Are you sure you want to delete the read-only directory?";

bool IsReadOnlyMode(mode_t mode) { return !S_ISLNK(mode) && (mode & S_IWUSR) == 0; }

class CFd {
public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

CLocalDelete::CLocalDelete(CVamloDoc& doc, IPrompts& prompts, std::function<bool()> canceled)
    : m_doc(doc), m_prompts(prompts), m_canceled(std::move(canceled))
{
}

void CLocalDelete::Removed()
{
    ++m_nRemoved;
    if (m_nRemoved % 200 == 0)
        m_prompts.SetStatusText("Deleting: " + std::to_string(m_nRemoved) + " entries removed");
}

int CLocalDelete::DeleteLocalFolder(const std::string& path)
{
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        // A link to a folder goes as a link: what it points to stays.
        if (unlink(path.c_str()) != 0) {
            m_nLastError = errno;
            m_prompts.MessageBox("Failed to delete the directory (" + path + "\"." + CodedCause(m_nLastError));
            return 0;
        }
        Removed();
        return 1;
    }
    return DeleteFolderAt(AT_FDCWD, path, path);
}

int CLocalDelete::DeleteFolderAt(int parentFd, const std::string& name, const std::string& path)
{
    CFd fd(openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (fd.Get() < 0 || fstat(fd.Get(), &info) != 0) {
        // Nothing to walk: the removal below says why.
        const int removed = unlinkat(parentFd, name.c_str(), AT_REMOVEDIR);
        if (removed != 0) {
            m_nLastError = errno;
            m_prompts.MessageBox("Failed to delete the directory (" + path + "\"." + CodedCause(m_nLastError));
            return 0;
        }
        Removed();
        return 1;
    }
    const mode_t mode = info.st_mode;
    // Here a folder without the write bit cannot lose its entries; its own
    // read-only question comes after them, as for any folder, so the bit is
    // lent for the walk and given back unless the folder goes.
    const bool lent = IsReadOnlyMode(mode) && fchmod(fd.Get(), (mode | S_IWUSR) & 07777) == 0;
    for (const std::string& entry : FolderNames(fd.Get())) {
        if (Canceled()) {
            if (lent)
                fchmod(fd.Get(), mode & 07777);
            return 0;
        }
        struct stat child {};
        if (fstatat(fd.Get(), entry.c_str(), &child, AT_SYMLINK_NOFOLLOW) != 0)
            continue;   // gone meanwhile
        const std::string full = JoinLocalPath(path, entry);
        const int goOn = S_ISDIR(child.st_mode) ? DeleteFolderAt(fd.Get(), entry, full)
                                                : DeleteEntryAt(fd.Get(), entry, full, child.st_mode);
        if (goOn == 0) {
            if (lent)
                fchmod(fd.Get(), mode & 07777);
            return 0;
        }
    }
    if (Canceled()) {
        if (lent)
            fchmod(fd.Get(), mode & 07777);
        return 0;
    }
    const int removed = RemoveFolderItself(parentFd, name, path, fd.Get(), mode);
    if (removed != 1 && lent)
        fchmod(fd.Get(), mode & 07777);
    return removed;
}

int CLocalDelete::DeleteEntryAt(int dirFd, const std::string& name, const std::string& full, mode_t mode)
{
    const auto unlinkOrSay = [&]() {
        if (unlinkat(dirFd, name.c_str(), 0) == 0) {
            Removed();
            return true;
        }
        m_nLastError = errno;
        m_prompts.MessageBox("Failed to delete the file \"" + full + "\"." + CodedCause(m_nLastError));
        return false;
    };
    if (!IsReadOnlyMode(mode))
        return unlinkOrSay() ? 1 : 0;

    struct stat info {};
    if (m_doc.m_bDeleteYesToAll == 1) {
        if (fstatat(dirFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            m_nLastError = errno;
            m_prompts.MessageBox("Vamlo failed to delete the file " + full +
                                 " because it can not remove the read-only attribute.\nPlease remove the read-only "
                                 "attribute of the file before trying to delete the file.");
            return 0;
        }
        if (fchmodat(dirFd, name.c_str(), (info.st_mode | S_IWUSR) & 07777, AT_SYMLINK_NOFOLLOW) != 0) {
            m_nLastError = errno;
            m_prompts.MessageBox("Failed to remove the read-only attribute of the file \"" + full +
                                 "\".\nCause: (Code: " + std::to_string(m_nLastError) + ")" +
                                 CVamloDoc::GetSystemErrorText(m_nLastError));
            return 0;
        }
        return unlinkOrSay() ? 1 : 0;
    }

    const ReplaceAnswer answer = m_prompts.AskReplace("The file " + full + " is read-only.", kReadOnlyFileQuestion);
    if (answer.result != DialogResult::Ok)
        return 1;
    if (answer.choice == REPLACE_YES_TO_ALL) {
        m_doc.m_bDeleteYesToAll = 1;
    } else {
        m_doc.m_bDeleteYesToAll = 0;
        if (answer.choice != REPLACE_YES)
            return 1;   // No: the file stays
    }
    if (fstatat(dirFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        m_nLastError = errno;
        m_prompts.MessageBox("Failed to get the attributes of the file " + full +
                             ".\nPlease make sure you have the right to access the file attributes.");
        return 1;
    }
    // The entry may have become a link while the question was up: its
    // target is not ours to change.
    if (fchmodat(dirFd, name.c_str(), (info.st_mode | S_IWUSR) & 07777, AT_SYMLINK_NOFOLLOW) != 0) {
        m_nLastError = errno;
        m_prompts.MessageBox("Failed to set the attributes of the file " + full +
                             ".\nPlease make sure you have the right to change the file attributes.");
        return 1;
    }
    unlinkOrSay();
    return 1;
}

int CLocalDelete::RemoveFolderItself(int parentFd, const std::string& name, const std::string& path, int fd,
                                     mode_t mode)
{
    const auto removeOrSay = [&]() {
        if (unlinkat(parentFd, name.c_str(), AT_REMOVEDIR) == 0) {
            Removed();
            return 1;
        }
        m_nLastError = errno;
        m_prompts.MessageBox("Failed to delete the directory (" + path + "\"." + CodedCause(m_nLastError));
        return 0;
    };
    if (!IsReadOnlyMode(mode))
        return removeOrSay();

    struct stat info {};
    if (m_doc.m_bDeleteYesToAll == 1) {
        if (fstat(fd, &info) != 0) {
            m_nLastError = errno;
            m_prompts.MessageBox("Vamlo failed to delete the directory " + path +
                                 " because it can not remove the read-only attribute.\nPlease remove the read-only "
                                 "attribute of the file before trying to delete the directory.");
            return 0;
        }
        fchmod(fd, (info.st_mode | S_IWUSR) & 07777);
        return removeOrSay();
    }

    const ReplaceAnswer answer = m_prompts.AskReplace("The directory " + path + " is read-only.", kReadOnlyDirQuestion);
    if (answer.result != DialogResult::Ok)
        return 0;
    if (answer.choice == REPLACE_YES_TO_ALL) {
        m_doc.m_bDeleteYesToAll = 1;
    } else {
        m_doc.m_bDeleteYesToAll = 0;
        if (answer.choice != REPLACE_YES)
            return 0;   // the folder stays: not deleted
    }
    if (fstat(fd, &info) != 0) {
        m_nLastError = errno;
        m_prompts.MessageBox("Failed to get the attributes of the directory " + path +
                             ".\nPlease make sure you have the right to access the directory attributes.");
        return 0;
    }
    if (fchmod(fd, (info.st_mode | S_IWUSR) & 07777) != 0) {
        m_nLastError = errno;
        m_prompts.MessageBox("Failed to set the attributes of the directory " + path +
                             ".\nPlease make sure you have the right to change the directory attributes.");
        return 0;
    }
    return removeOrSay();
}

bool CLocalDelete::DeleteRows(const std::string& folder, const std::vector<DeleteRow>& rows)
{
    for (const DeleteRow& row : rows) {
        if (Canceled())
            return true;   // what is left stays; the views show it
        const std::string path = JoinLocalPath(folder, row.name);
        if (row.isFolder) {
            m_nLastError = 0;
            if (DeleteLocalFolder(path) == 0 && !Canceled())
                m_prompts.MessageBox("Failed to delete directory " + path + ShortCause(m_nLastError));
            continue;
        }
        if (!DeleteFileRow(folder, row.name))
            return false;
    }
    return true;
}

bool CLocalDelete::DeleteFileRow(const std::string& folder, const std::string& name)
{
    const std::string path = JoinLocalPath(folder, name);
    // Every step names the entry within its folder and follows no link: an
    // entry swapped for a link during the question cannot pass its mode
    // change on to what the link points to.
    CFd dir(open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat info {};
    if (dir.Get() < 0 || fstatat(dir.Get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return true;   // gone meanwhile: passed over
    const auto unlinkOrSay = [&](const char* lead) {
        if (unlinkat(dir.Get(), name.c_str(), 0) == 0) {
            Removed();
            return;
        }
        m_nLastError = errno;
        m_prompts.MessageBox(lead + path + ShortCause(m_nLastError));
    };
    if (!IsReadOnlyMode(info.st_mode)) {
        unlinkOrSay("Failed to delete file ");
        return true;
    }
    const auto clearReadOnly = [&](bool yesToAllTexts) {
        struct stat now {};
        if (fstatat(dir.Get(), name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) {
            m_nLastError = errno;
            m_prompts.MessageBox("Failed to change the read-only attribute of the file " + path +
                                 ShortCause(m_nLastError));
            return false;
        }
        if (fchmodat(dir.Get(), name.c_str(), (now.st_mode | S_IWUSR) & 07777, AT_SYMLINK_NOFOLLOW) != 0) {
            m_nLastError = errno;
            if (yesToAllTexts)
                m_prompts.MessageBox("Failed to change the read-only attribute of the file " + path +
                                     ShortCause(m_nLastError));
            else
                m_prompts.MessageBox("Failed to set the attributes of the file " + path +
                                     ".\nPlease make sure you have the right to change the file attributes.");
            return false;
        }
        return true;
    };
    if (m_doc.m_bDeleteYesToAll == 1) {
        // Under Yes to All an attribute that cannot be changed ends the command.
        if (!clearReadOnly(true))
            return false;
        unlinkOrSay("Failed to delete file ");
        return true;
    }
    const ReplaceAnswer answer = m_prompts.AskReplace("The file " + path + " is read-only.", kReadOnlyFileQuestion);
    if (answer.result != DialogResult::Ok || (answer.choice != REPLACE_YES && answer.choice != REPLACE_YES_TO_ALL))
        return true;
    const bool all = answer.choice == REPLACE_YES_TO_ALL;
    m_doc.m_bDeleteYesToAll = all ? 1 : 0;
    if (clearReadOnly(all))
        unlinkOrSay(all ? "Failed to delete file " : "Failed to delete the file ");
    return true;
}
