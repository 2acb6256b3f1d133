// Copy and Paste in the file list.
#include "list/ListViewDetail.h"

#include "app/VamloDoc.h"
#include "list/ListItemInfo.h"
#include "panes/PaneHost.h"
#include "panes/ViewHub.h"
#include "path/Paths.h"
#include "transfer/LocalFile.h"

#include <QFocusEvent>

bool CListViewDetail::OnUpdateEditCopy() const { return !SelectedRows().empty(); }

bool CListViewDetail::OnUpdateEditPaste() const { return m_clipboard.CanPaste(); }

CFileInfoList CListViewDetail::SelectedEntries() const
{
    CFileInfoList entries;
    const uint8_t location = m_doc.m_byCurrentLocation;
    if (location != LOCATION_LOCAL && location != LOCATION_REMOTE)
        return entries;
    for (int row : SelectedRows()) {
        const CListItemInfo* record = Record(row);
        if (record == nullptr)
            continue;
        auto entry = std::make_unique<CVaFileInfo>();
        // Remote rows join folder and name with "//", which the paste
        // side relies on to find the parent.
        entry->m_strPath = location == LOCATION_LOCAL ? JoinLocalPath(m_doc.m_strCurrentFolder, record->m_strName)
                                                      : JoinRemoteEntry(m_doc.m_strCurrentFolder, record->m_strName);
        entry->m_byLocation = location;
        entry->m_bIsFolder = record->m_nKind == LIST_KIND_FILE ? 0 : 1;
        entries.push_back(std::move(entry));
    }
    return entries;
}

void CListViewDetail::OnEditCopy()
{
    m_clipboard.CopyEntries(SelectedEntries(), m_doc.m_byCurrentLocation, m_doc.m_pCurrentSite);
}

void CListViewDetail::OnEditPaste()
{
    m_clipboard.Paste({NOTIFY_LIST, this, [this] { ListLocalFolder(HINT_CONTENTS_CHANGED); }});
}

void CListViewDetail::focusInEvent(QFocusEvent* event)
{
    QTreeView::focusInEvent(event);
    m_frame.SetActiveEditTarget(this);
}
