#include "fileops/LocalCopy.h"

#include "app/Prompts.h"
#include "app/VamloDoc.h"
#include "path/Paths.h"
#include "transfer/LocalFile.h"
#include "transfer/LocalTree.h"
#include "transfer/TransferDriver.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// "\nCause: (Code: E)" + the system's text, or nothing when it has none.
std::string CopyCause(int code)
{
    const std::string text = CVamloDoc::GetSystemErrorText(code);
    return text.empty() ? std::string() : "\nCause: (Code: " + std::to_string(code) + ")" + text;
}

// Copies the bytes; false with errno set.
bool CopyBytes(CLocalFile& from, CLocalFile& to, int& error)
{
    std::vector<char> buffer(256 * 1024);
    std::string text;
    for (;;) {
        const int64_t n = from.Read(buffer.data(), buffer.size(), text);
        if (n < 0) {
            error = errno;
            return false;
        }
        if (n == 0)
            return true;
        if (!to.Write(buffer.data(), static_cast<size_t>(n), text)) {
            error = errno;
            return false;
        }
    }
}

} // namespace

CLocalCopier::CLocalCopier(CVamloDoc& doc, IPrompts& prompts) : CLocalCopier(doc, prompts, doc.m_strCurrentFolder) {}

CLocalCopier::CLocalCopier(CVamloDoc& doc, IPrompts& prompts, std::string targetFolder)
    : m_doc(doc), m_prompts(prompts), m_strTargetFolder(std::move(targetFolder))
{
}

int CLocalCopier::NotCopied()
{
    ++m_nNotCopied;
    return 0;
}

void CLocalCopier::CopyEntriesLocally(CFileInfoList& entries)
{
    m_doc.ClearTransferredNames();
    for (const auto& entry : entries)
        CopyEntryLocally(*entry);
    entries.clear();
}

void CLocalCopier::CopyEntryLocally(const CVaFileInfo& entry)
{
    // A folder keeps its whole name, dots included.
    const std::string name = LastPathComponent(entry.m_strPath);
    const std::string target = JoinLocalPath(m_strTargetFolder, name);
    if (entry.m_bIsFolder != 1) {
        if (CopyLocalFile(entry.m_strPath, target) == 1)
            m_doc.AddTransferredName(name);
        return;
    }
    // Copying a folder into itself or below itself would never end.
    const std::string realSource = RealLocalPath(entry.m_strPath);
    const std::string realTarget = RealLocalPath(m_strTargetFolder);
    if (!realSource.empty() && IsPathInside(realTarget, realSource)) {
        NotCopied();
        m_prompts.MessageBox("Cannot copy the folder \"" + entry.m_strPath + "\" into itself or one of its own "
                             "subfolders.");
        return;
    }
    CTransferTreeItem root;
    root.m_strText = name;
    BuildLocalTree(root, entry.m_strPath);
    if (!LocalPathExists(target) && mkdir(target.c_str(), 0777) != 0) {
        NotCopied();
        const int code = errno;
        const std::string text = CVamloDoc::GetSystemErrorText(code);
        m_prompts.MessageBox("Failed to create directory " + target + "." +
                             (text.empty() ? std::string() : "\nCause: " + text));
        return;
    }
    if (!root.m_strListError.empty())
        NotCopied();
    CopyFolderContents(root, entry.m_strPath, target);
    m_doc.AddTransferredName(name);
}

void CLocalCopier::CopyFolderContents(const CTransferTreeItem& item, const std::string& sourceFolder,
                                      const std::string& targetFolder)
{
    for (const auto& child : item.m_children) {
        const std::string source = JoinLocalPath(sourceFolder, child->m_strText);
        const std::string target = JoinLocalPath(targetFolder, child->m_strText);
        if (child->m_nData == TREE_ITEM_FOLDER) {
            // Below the top, an existing folder is left out whole.
            if (LocalPathExists(target)) {
                NotCopied();
                continue;
            }
            if (mkdir(target.c_str(), 0777) != 0 || !child->m_strListError.empty())
                NotCopied();
            CopyFolderContents(*child, source, target);
        } else {
            CopyLocalFile(source, target);
        }
    }
}

bool CLocalCopier::ConfirmReplace(const std::string& target)
{
    const auto refuseReadOnly = [&] {
        m_prompts.MessageBox("File " + target + " is read-only.\nYou can not replace the read-only file.");
        return false;
    };
    if (m_doc.m_bYesToAll == 1)
        return IsLocalReadOnly(target) ? refuseReadOnly() : true;
    const ReplaceAnswer answer =
        m_prompts.AskReplace("The file " + target + " already exists.", "Are you sure you want to replace this file?");
    if (answer.result == DialogResult::Ok && answer.choice != REPLACE_NO) {
        m_doc.m_bYesToAll = answer.choice == REPLACE_YES_TO_ALL ? 1 : 0;
        return IsLocalReadOnly(target) ? refuseReadOnly() : true;
    }
    m_doc.m_bYesToAll = 0;
    return false;
}

int CLocalCopier::CopyLocalFile(const std::string& source, const std::string& target)
{
    if (LocalPathExists(target) && !ConfirmReplace(target))
        return NotCopied();
    const auto fail = [&](int code) {
        m_prompts.MessageBox("Failed to copy file \"" + source + "\" to \"" + target + "\"." + CopyCause(code));
        return NotCopied();
    };
    std::string error;
    CLocalFile from;
    if (!from.OpenRead(source, error))
        return fail(errno);
    CLocalFile partial;
    if (!partial.CreatePartial(target, error))
        return fail(errno);
    int code = 0;
    if (!CopyBytes(from, partial, code)) {
        partial.Close(error);
        unlink(partial.Path().c_str());
        return fail(code);
    }
    partial.CopyModeFrom(source);
    if (!partial.Close(error) || rename(partial.Path().c_str(), target.c_str()) != 0) {
        code = errno;
        unlink(partial.Path().c_str());
        return fail(code);
    }
    return 1;
}
