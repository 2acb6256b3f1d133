#include "tree/TreeItemInfo.h"

CTreeItem::CTreeItem(std::unique_ptr<CTreeItemInfo> info) : QTreeWidgetItem(kType), m_pInfo(std::move(info))
{
    m_pInfo->m_hItem = this;
}

CTreeItemInfo* CTreeItem::InfoOf(const QTreeWidgetItem* item)
{
    if (item == nullptr || item->type() != kType)
        return nullptr;
    return static_cast<const CTreeItem*>(item)->Info();
}

bool CTreeItem::operator<(const QTreeWidgetItem& other) const
{
    const CTreeItemInfo* theirs = InfoOf(&other);
    if (theirs == nullptr)
        return QTreeWidgetItem::operator<(other);
    return CompareTreeItemRecords(m_pInfo.get(), theirs) < 0;
}

int CompareTreeItemRecords(const CTreeItemInfo* a, const CTreeItemInfo* b)
{
    if (a->m_nItemType == TREE_MY_COMPUTER && b->m_nItemType == TREE_FTP_SITE)
        return -1;
    if (a->m_nItemType == TREE_FTP_SITE && b->m_nItemType == TREE_MY_COMPUTER)
        return 1;
    const QString textA = a->m_hItem != nullptr ? a->m_hItem->text(0) : QString();
    const QString textB = b->m_hItem != nullptr ? b->m_hItem->text(0) : QString();
    return QString::compare(textA, textB, Qt::CaseInsensitive);
}
