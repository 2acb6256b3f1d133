#pragma once

#include "model/FileInfo.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

// Entries as the panes hand them to a copy or transfer: (path, is a folder)
// pairs, all at one location.
inline CFileInfoList EntryList(const std::vector<std::pair<std::string, bool>>& entries, uint8_t location)
{
    CFileInfoList list;
    for (const auto& [path, folder] : entries) {
        auto entry = std::make_unique<CVaFileInfo>();
        entry->m_strPath = path;
        entry->m_bIsFolder = folder ? 1 : 0;
        entry->m_byLocation = location;
        list.push_back(std::move(entry));
    }
    return list;
}
