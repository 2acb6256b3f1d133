#pragma once

#include <cstdint>
#include <ctime>
#include <string>

class CVamloDoc;

enum : int32_t { LIST_KIND_NONE = -1, LIST_KIND_FILE = 1, LIST_KIND_FOLDER = 2 };

// The record behind one row of the file list.
class CListItemInfo {
public:
    CListItemInfo() = default;
    CListItemInfo(int32_t kind, std::string name, int64_t sizeKB, std::time_t modified)
        : m_nKind(kind), m_strName(std::move(name)), m_nSizeKB(sizeKB), m_timeModified(modified)
    {
    }
    virtual ~CListItemInfo() = default;

    bool IsFolder() const { return m_nKind == LIST_KIND_FOLDER; }

    int32_t m_nKind = LIST_KIND_NONE;
    std::string m_strName;
    // 64-bit: a 32-bit count would wrap for files above 4 GiB.
    int64_t m_nSizeKB = 0;
    std::time_t m_timeModified = 0;
    // The nine mode letters the listing gave; empty when it gave none.
    std::string m_strPermissions;
    // A server's symbolic link, shown as one: its listed size is the link's
    // own, not its target's.
    bool m_bLink = false;
};

// Kilobytes as the Size column shows them: any started kilobyte counts.
int64_t SizeInKB(uint64_t bytes);
// "%d KB" for a file, empty for a folder.
std::string SizeText(const CListItemInfo& item);
// "%m/%d/%Y %I:%M %p" in local time, with "AM"/"PM" whatever the locale.
std::string ModifiedText(std::time_t time);

// Case-insensitive comparison of two UTF-8 names by folded code points;
// negative, 0 or positive.
int CompareNamesNoCase(const std::string& a, const std::string& b);

// The list's sort order under the document's m_nSortColumn and
// m_bSortForward: negative when a goes first, positive when b does.
int CompareListItems(const CListItemInfo& a, const CListItemInfo& b, int32_t sortColumn, int32_t sortForward);
int CompareListItems(const CListItemInfo& a, const CListItemInfo& b, const CVamloDoc& doc);
