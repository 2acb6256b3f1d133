// Copy and Paste in the folder tree.
#include "tree/TreeViewSite.h"

#include "app/VamloDoc.h"
#include "panes/PaneHost.h"

#include <QFocusEvent>
#include <QKeyEvent>

bool CTreeViewSite::OnUpdateEditCopy() const
{
    const CTreeItemInfo* record = Record(currentItem());
    return record != nullptr && (record->m_nItemType == TREE_LOCAL_FOLDER || record->m_nItemType == TREE_REMOTE_FOLDER);
}

bool CTreeViewSite::OnUpdateEditPaste() const { return m_clipboard.CanPaste(); }

void CTreeViewSite::OnEditCopy()
{
    // The highlighted folder is copied: it is what the user sees picked,
    // even while the document has not followed it yet.
    CFileInfoList entries;
    const CTreeItemInfo* record = Record(currentItem());
    const bool folder = record != nullptr && (record->m_nItemType == TREE_LOCAL_FOLDER ||
                                              record->m_nItemType == TREE_REMOTE_FOLDER);
    if (folder) {
        auto entry = std::make_unique<CVaFileInfo>();
        entry->m_strPath = record->m_strPath;
        entry->m_bIsFolder = 1;
        entry->m_byLocation = record->m_byLocation;
        entries.push_back(std::move(entry));
        m_clipboard.CopyEntries(entries, record->m_byLocation, record->m_pSiteInfo);
    } else {
        m_clipboard.CopyEntries(entries, m_doc.m_byCurrentLocation, m_doc.m_pCurrentSite);
    }
    // A Copy from the context menu puts the earlier selection back.
    if (!entries.empty() && m_bContextSelect == 1) {
        if (m_hPrevSelItem != nullptr)
            setCurrentItem(m_hPrevSelItem);
        m_hPrevSelItem = nullptr;
        m_bContextSelect = 0;
    }
}

void CTreeViewSite::OnEditPaste()
{
    m_clipboard.Paste({NOTIFY_TREE, this, [this] { RefreshAfterPaste(); }});
}

void CTreeViewSite::focusInEvent(QFocusEvent* event)
{
    QTreeWidget::focusInEvent(event);
    m_frame.SetActiveEditTarget(this);
}

void CTreeViewSite::keyPressEvent(QKeyEvent* event)
{
    if (!HandleEditKey(*this, event))
        QTreeWidget::keyPressEvent(event);
}
