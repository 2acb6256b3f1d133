#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

// The listed contents of one top-level folder of a transfer: names in the
// order the walk will visit them, each a file or a folder.
enum : int32_t { TREE_ITEM_FILE = 1, TREE_ITEM_FOLDER = 2 };

// A remote file's size and time as listed (or MDTM), to tell whether a
// broken transfer may go on with the same file, or an edited file changed
// on the server.
struct CRemoteStamp {
    uint64_t size = 0;
    bool sizeKnown = false;
    std::time_t modified = 0;
    bool timeKnown = false;
    // Both sizes and times known and equal.
    bool SameFileAs(const CRemoteStamp& other) const
    {
        return sizeKnown && timeKnown && other.sizeKnown && other.timeKnown && size == other.size &&
               modified == other.modified;
    }
};

struct CTransferTreeItem {
    std::string m_strText;
    int32_t m_nData = TREE_ITEM_FOLDER;
    std::vector<std::unique_ptr<CTransferTreeItem>> m_children;
    // Set when the folder could not be listed: the cause for the log. Such a
    // folder is a failure, never an empty folder.
    std::string m_strListError;
    // A remote file's size and time from the listing that found it, so the
    // transfer need not ask the server again.
    CRemoteStamp m_stamp;

    void MarkUnlisted(const std::string& path, const std::string& reason)
    {
        m_strListError = "The folder " + path + " cannot be listed: " + reason;
    }

    CTransferTreeItem& AddChild(std::string text, int32_t data)
    {
        auto child = std::make_unique<CTransferTreeItem>();
        child->m_strText = std::move(text);
        child->m_nData = data;
        m_children.push_back(std::move(child));
        return *m_children.back();
    }
};
