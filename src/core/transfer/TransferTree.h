#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The listed contents of one top-level folder of a transfer: names in the
// order the walk will visit them, each a file or a folder.
enum : int32_t { TREE_ITEM_FILE = 1, TREE_ITEM_FOLDER = 2 };

struct CTransferTreeItem {
    std::string m_strText;
    int32_t m_nData = TREE_ITEM_FOLDER;
    std::vector<std::unique_ptr<CTransferTreeItem>> m_children;
    // Set when the folder could not be listed: the cause for the log. Such a
    // folder is a failure, never an empty folder.
    std::string m_strListError;

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
