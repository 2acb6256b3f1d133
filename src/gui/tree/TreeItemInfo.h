#pragma once

#include <QTreeWidgetItem>

#include <cstdint>
#include <memory>
#include <string>

class CVamloSiteInfo;

// The kinds of folder tree items.
enum TreeItemType : int32_t {
    TREE_INTERNET = 1,
    TREE_MY_COMPUTER = 2,
    TREE_DRIVE = 3,
    TREE_LOCAL_FOLDER = 4,
    TREE_FTP_SITE = 5,
    TREE_REMOTE_FOLDER = 6,
};

// The record of one folder tree item: what it stands for and where.
class CTreeItemInfo {
public:
    CTreeItemInfo() = default;
    virtual ~CTreeItemInfo() = default;
    CTreeItemInfo(const CTreeItemInfo&) = delete;
    CTreeItemInfo& operator=(const CTreeItemInfo&) = delete;

    QTreeWidgetItem* m_hParentItem = nullptr;   // none for "Internet"
    QTreeWidgetItem* m_hItem = nullptr;
    uint8_t m_byLocation = 0;                   // 0 none, 1 local file system, 2 FTP site
    std::string m_strPath;
    int32_t m_nItemType = 0;                    // TreeItemType
    CVamloSiteInfo* m_pSiteInfo = nullptr;      // not owned; sites and remote folders only
};

// A tree item that owns its record, so that the record goes wherever and
// whenever the item goes. "Dummy" placeholders are plain items without one.
class CTreeItem : public QTreeWidgetItem {
public:
    static constexpr int kType = QTreeWidgetItem::UserType + 1;

    explicit CTreeItem(std::unique_ptr<CTreeItemInfo> info);

    CTreeItemInfo* Info() const { return m_pInfo.get(); }
    // The record of any item; null for a placeholder or no item.
    static CTreeItemInfo* InfoOf(const QTreeWidgetItem* item);

    // Sorting the children of "Internet" uses the tree's order of records.
    bool operator<(const QTreeWidgetItem& other) const override;

private:
    std::unique_ptr<CTreeItemInfo> m_pInfo;
};

// "My Computer" first, then the FTP sites; any other pair by text without
// regard to case. Negative when a goes first, positive when b does.
int CompareTreeItemRecords(const CTreeItemInfo* a, const CTreeItemInfo* b);
