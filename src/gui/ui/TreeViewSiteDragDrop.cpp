// Drag and drop in the folder tree.
#include "ui/TreeViewSite.h"

#include "app/VamloDoc.h"
#include "ui/DragData.h"
#include "ui/MainFrame.h"
#include "ui/PaneDrop.h"

#include <QDropEvent>

namespace {

bool IsFolderType(int32_t type) { return type == TREE_LOCAL_FOLDER || type == TREE_REMOTE_FOLDER; }

} // namespace

QMimeData* CTreeViewSite::DragData(QTreeWidgetItem* item) const
{
    const CTreeItemInfo* record = Record(item);
    if (record == nullptr || !IsFolderType(record->m_nItemType))
        return nullptr;
    CFileInfoList entries;
    auto entry = std::make_unique<CVaFileInfo>();
    entry->m_strPath = record->m_strPath;
    entry->m_bIsFolder = 1;
    entry->m_byLocation = record->m_byLocation;
    entries.push_back(std::move(entry));
    return CreateDragData(entries, record->m_byLocation == LOCATION_REMOTE ? record->m_pSiteInfo : nullptr);
}

CClipboardCommands::PastePlace CTreeViewSite::DropPlaceAt(const QPoint& pos) const
{
    const CTreeItemInfo* record = Record(itemAt(pos));
    if (record == nullptr)
        return {};
    switch (record->m_nItemType) {
    case TREE_DRIVE:
    case TREE_LOCAL_FOLDER:
    case TREE_FTP_SITE:
    case TREE_REMOTE_FOLDER:
        return {record->m_byLocation, record->m_strPath, record->m_pSiteInfo};
    default:
        return {};
    }
}

void CTreeViewSite::startDrag(Qt::DropActions /*supportedActions*/)
{
    QTreeWidgetItem* item = currentItem();
    if (QMimeData* data = DragData(item))
        CPaneDrop::StartDrag(this, data, Record(item)->m_byLocation == LOCATION_LOCAL);
}

void CTreeViewSite::dragEnterEvent(QDragEnterEvent* event)
{
    if (CPaneDrop::AnswerDragEnter(event, m_frame.m_siteList))
        setState(DraggingState);
}

void CTreeViewSite::dragMoveEvent(QDragMoveEvent* event)
{
    QTreeWidget::dragMoveEvent(event);   // scrolls near the edges, opens a folder held over
    CPaneDrop::AnswerDragOver(event, m_frame.m_siteList, DropPlaceAt(event->position().toPoint()));
}

void CTreeViewSite::dropEvent(QDropEvent* event)
{
    stopAutoScroll();
    setState(NoState);
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    CPaneDrop::TakeDrop(event, m_frame.m_siteList, DropPlaceAt(event->position().toPoint()), this,
                        [this, item](CPaneDrop::Source source, const CPaneDrop::Place& place) {
                            m_hDropItem = ItemIsInTree(item) ? item : nullptr;
                            m_clipboard.Drop(std::move(source), place,
                                             {NOTIFY_TREE, this, [this] { RefreshAfterPaste(); }});
                        });
}
