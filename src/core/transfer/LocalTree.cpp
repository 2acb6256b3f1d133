#include "transfer/LocalTree.h"

#include "path/Paths.h"
#include "transfer/LocalFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace {

void BuildLevel(CTransferTreeItem& item, const std::string& path, std::vector<std::string>& realAncestors,
                const std::string& realRoot)
{
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(path.c_str()), &closedir);
    if (!dir) {
        item.MarkUnlisted(path, LocalErrorText(errno));
        return;
    }
    for (;;) {
        errno = 0;
        const dirent* found = readdir(dir.get());
        if (found == nullptr) {
            if (errno != 0)
                item.MarkUnlisted(path, LocalErrorText(errno));
            break;
        }
        const std::string name = found->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string childPath = JoinLocalPath(path, name);
        struct stat info {};
        if (stat(childPath.c_str(), &info) != 0)
            continue;
        // Pipes, sockets and devices are no files to send or copy: reading
        // a pipe waits for a writer that may never come.
        if (S_ISREG(info.st_mode)) {
            item.AddChild(name, TREE_ITEM_FILE);
            continue;
        }
        if (!S_ISDIR(info.st_mode))
            continue;
        const std::string realChild = RealLocalPath(childPath);
        struct stat linkInfo {};
        if (lstat(childPath.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
            const bool loops =
                std::find(realAncestors.begin(), realAncestors.end(), realChild) != realAncestors.end();
            if (realChild.empty() || !IsPathInside(realChild, realRoot) || loops)
                continue;
        }
        CTransferTreeItem& child = item.AddChild(name, TREE_ITEM_FOLDER);
        realAncestors.push_back(realChild);
        BuildLevel(child, childPath, realAncestors, realRoot);
        realAncestors.pop_back();
    }
}

} // namespace

std::string RealLocalPath(const std::string& path)
{
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) != nullptr ? std::string(buffer) : std::string();
}

bool IsPathInside(const std::string& path, const std::string& folder)
{
    if (folder.empty())
        return false;
    return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                              (folder.back() == '/' || path[folder.size()] == '/'));
}

void BuildLocalTree(CTransferTreeItem& root, const std::string& rootPath)
{
    const std::string realRoot = RealLocalPath(rootPath);
    if (realRoot.empty()) {
        root.MarkUnlisted(rootPath, LocalErrorText(errno));
        return;
    }
    std::vector<std::string> realAncestors{realRoot};
    BuildLevel(root, rootPath, realAncestors, realRoot);
}

int64_t CountTreeFiles(const CTransferTreeItem& item)
{
    int64_t count = 0;
    for (const auto& child : item.m_children)
        count += child->m_nData == TREE_ITEM_FILE ? 1 : CountTreeFiles(*child);
    return count;
}

void AddLocalFileBytes(const std::string& path, int64_t& bytes)
{
    struct stat info {};
    if (bytes < 0 || stat(path.c_str(), &info) != 0) {
        bytes = -1;
        return;
    }
    bytes += static_cast<int64_t>(info.st_size);
}

void AddTreeFileBytes(const CTransferTreeItem& item, const std::string& path, int64_t& bytes)
{
    for (const auto& child : item.m_children) {
        const std::string childPath = JoinLocalPath(path, child->m_strText);
        if (child->m_nData == TREE_ITEM_FILE)
            AddLocalFileBytes(childPath, bytes);
        else
            AddTreeFileBytes(*child, childPath, bytes);
    }
}
