// Drag and drop in the file list.
#include "list/ListViewDetail.h"

#include "app/VamloDoc.h"
#include "list/ListItemInfo.h"
#include "panes/DragData.h"
#include "panes/PaneDrop.h"
#include "panes/PaneHost.h"
#include "panes/ViewHub.h"
#include "path/Paths.h"
#include "transfer/LocalFile.h"

#include <QDropEvent>

QMimeData* CListViewDetail::DragData() const
{
    const CFileInfoList entries = SelectedEntries();
    if (entries.empty())
        return nullptr;
    return CreateDragData(entries, m_doc.m_byCurrentLocation == LOCATION_REMOTE ? m_doc.m_pCurrentSite : nullptr);
}

CClipboardCommands::PastePlace CListViewDetail::DropPlaceAt(const QPoint& pos) const
{
    CClipboardCommands::PastePlace place{m_doc.m_byCurrentLocation, m_doc.m_strCurrentFolder, m_doc.m_pCurrentSite};
    const QModelIndex index = indexAt(pos);
    const CListItemInfo* record = index.isValid() ? Record(index.row()) : nullptr;
    if (record == nullptr || !record->IsFolder())
        return place;
    // A folder row: its path as the tree would give it.
    place.folder = place.location == LOCATION_LOCAL ? JoinLocalPath(place.folder, record->m_strName)
                                                    : place.folder + "/" + record->m_strName;
    return place;
}

void CListViewDetail::startDrag(Qt::DropActions /*supportedActions*/)
{
    if (QMimeData* data = DragData())
        CPaneDrop::StartDrag(this, data, m_doc.m_byCurrentLocation == LOCATION_LOCAL);
}

void CListViewDetail::dragEnterEvent(QDragEnterEvent* event)
{
    if (CPaneDrop::AnswerDragEnter(event, m_frame.SiteOwner().m_siteList))
        setState(DraggingState);
}

void CListViewDetail::dragMoveEvent(QDragMoveEvent* event)
{
    QTreeView::dragMoveEvent(event);   // scrolls near the edges
    CPaneDrop::AnswerDragOver(event, m_frame.SiteOwner().m_siteList, DropPlaceAt(event->position().toPoint()));
}

void CListViewDetail::dropEvent(QDropEvent* event)
{
    stopAutoScroll();
    setState(NoState);
    CPaneDrop::TakeDrop(event, m_frame.SiteOwner().m_siteList, DropPlaceAt(event->position().toPoint()), this,
                        [this](CPaneDrop::Source source, const CPaneDrop::Place& place) {
                            m_clipboard.Drop(std::move(source), place,
                                             {NOTIFY_LIST, this, [this] { ListLocalFolder(HINT_CONTENTS_CHANGED); }});
                        });
}
