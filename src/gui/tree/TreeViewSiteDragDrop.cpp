// Drag and drop in the folder tree.
#include "tree/TreeViewSite.h"

#include "app/VamloDoc.h"
#include "panes/DragData.h"
#include "panes/PaneDrop.h"
#include "panes/PaneHost.h"

#include <QApplication>
#include <QDropEvent>
#include <QMouseEvent>

#include <utility>

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

void CTreeViewSite::StartFolderDrag(QTreeWidgetItem* item)
{
    if (QMimeData* data = DragData(item))
        CPaneDrop::StartDrag(this, data, Record(item)->m_byLocation == LOCATION_LOCAL);
}

void CTreeViewSite::startDrag(Qt::DropActions /*supportedActions*/) { StartFolderDrag(currentItem()); }

void CTreeViewSite::dragEnterEvent(QDragEnterEvent* event)
{
    if (CPaneDrop::AnswerDragEnter(event, m_frame.SiteOwner().m_siteList))
        setState(DraggingState);
}

void CTreeViewSite::dragMoveEvent(QDragMoveEvent* event)
{
    QTreeWidget::dragMoveEvent(event);   // scrolls near the edges, opens a folder held over
    CPaneDrop::AnswerDragOver(event, m_frame.SiteOwner().m_siteList, DropPlaceAt(event->position().toPoint()));
}

void CTreeViewSite::dropEvent(QDropEvent* event)
{
    stopAutoScroll();
    setState(NoState);
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    CPaneDrop::TakeDrop(event, m_frame.SiteOwner().m_siteList, DropPlaceAt(event->position().toPoint()), this,
                        [this, item](CPaneDrop::Source source, const CPaneDrop::Place& place) {
                            m_hDropItem = ItemIsInTree(item) ? item : nullptr;
                            m_clipboard.Drop(std::move(source), place,
                                             {NOTIFY_TREE, this, [this] { RefreshAfterPaste(); }});
                        });
}

bool CTreeViewSite::HoldPressForDrag(QMouseEvent* event)
{
    // A press on another folder may begin a drag of it onto the list, which
    // must go on showing the folder the drop lands in: the folder is picked
    // when the button comes up without a drag.
    const QPoint pos = event->position().toPoint();
    QTreeWidgetItem* hit = itemAt(pos);
    const CTreeItemInfo* record = Record(hit);
    m_hPressItem = nullptr;
    if (event->button() != Qt::LeftButton || event->modifiers() != Qt::NoModifier || record == nullptr ||
        !IsFolderType(record->m_nItemType) || hit == currentItem() || !visualItemRect(hit).contains(pos))
        return false;
    m_hPressItem = hit;
    m_pressPos = pos;
    event->accept();
    return true;
}

void CTreeViewSite::mouseMoveEvent(QMouseEvent* event)
{
    if (m_hPressItem == nullptr) {
        QTreeWidget::mouseMoveEvent(event);
        return;
    }
    event->accept();
    if (!(event->buttons() & Qt::LeftButton) ||
        (event->position().toPoint() - m_pressPos).manhattanLength() < QApplication::startDragDistance())
        return;
    StartFolderDrag(std::exchange(m_hPressItem, nullptr));
}

void CTreeViewSite::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeWidgetItem* pressed = std::exchange(m_hPressItem, nullptr);
    if (pressed == nullptr || event->button() != Qt::LeftButton) {
        QTreeWidget::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    setCurrentItem(pressed);
}
