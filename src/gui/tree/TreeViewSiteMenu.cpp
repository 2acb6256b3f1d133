#include "tree/TreeViewSite.h"

#include "app/AppCore.h"
#include "commands/Commands.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>

#include <utility>

// The tree's context menu: which commands each kind of item offers, and the
// right button that opens it.

void CTreeViewSite::mousePressEvent(QMouseEvent* event)
{
    // The right button acts on release, through the context menu.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    if (HoldPressForDrag(event))
        return;
    QTreeWidget::mousePressEvent(event);
}

void CTreeViewSite::contextMenuEvent(QContextMenuEvent* event)
{
    ShowContextMenu(event->pos());   // in viewport coordinates, as the scroll area passes it on
    event->accept();
}

QMenu* CTreeViewSite::ShowContextMenu(const QPoint& viewportPos)
{
    m_hPrevSelItem = currentItem();
    QTreeWidgetItem* hit = itemAt(viewportPos);
    if (hit == nullptr)
        return nullptr;
    m_hContextItem = hit;
    m_bContextSelect = 1;
    setCurrentItem(hit);
    const CTreeItemInfo* record = Record(hit);
    delete m_pPopupMenu;
    m_pPopupMenu = nullptr;
    if (record == nullptr)
        return nullptr;
    m_pPopupMenu = BuildContextMenu(record->m_nItemType);
    if (m_pPopupMenu != nullptr)
        m_pPopupMenu->popup(viewport()->mapToGlobal(viewportPos));
    return m_pPopupMenu;
}

QAction* CTreeViewSite::AddMenuCommand(QMenu* menu, int id, const QString& text)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QStringLiteral("ID_%1").arg(id));
    if (const QString prompt = ContextCommandPrompt(id); !prompt.isEmpty())
        action->setStatusTip(prompt.section(QLatin1Char('\n'), 0, 0));
    return action;
}

void CTreeViewSite::SetFolderCommandHandler(int id, std::function<void()> handler)
{
    m_folderHandlers.insert(id, std::move(handler));
}

QMenu* CTreeViewSite::BuildContextMenu(int32_t type)
{
    auto* menu = new QMenu(this);
    switch (type) {
    case TREE_LOCAL_FOLDER:
    case TREE_REMOTE_FOLDER: {
        const struct {
            int id;
            const char* text;
        } entries[] = {{ID_EDIT_COPY, "Copy"}, {ID_EDIT_PASTE, "Paste"}, {ID_EDIT_DELETE, "&Delete"},
                       {ID_TREE_RENAME, "&Rename..."}};
        for (const auto& entry : entries) {
            QAction* action = AddMenuCommand(menu, entry.id, QString::fromLatin1(entry.text));
            const auto handler = m_folderHandlers.constFind(entry.id);
            bool enabled = handler != m_folderHandlers.constEnd() && *handler;
            if (entry.id == ID_EDIT_PASTE && m_app.HasClipboardFileList() != 1)
                enabled = false;
            action->setEnabled(enabled);
            if (enabled)
                connect(action, &QAction::triggered, this, [this, id = entry.id] {
                    if (auto found = m_folderHandlers.constFind(id); found != m_folderHandlers.constEnd() && *found)
                        (*found)();
                });
        }
        menu->addSeparator();
        // R belongs to Rename in this menu.
        connect(AddMenuCommand(menu, ID_VIEW_REFRESH, QStringLiteral("Re&fresh")), &QAction::triggered, this,
                &CTreeViewSite::OnRefresh);
        break;
    }
    case TREE_DRIVE:
        connect(AddMenuCommand(menu, ID_TREE_DRIVE_PROPERTIES, QStringLiteral("Properties...")), &QAction::triggered,
                this, &CTreeViewSite::OnDriveProperties);
        break;
    case TREE_FTP_SITE:
        connect(AddMenuCommand(menu, ID_TREE_RECONNECT, QStringLiteral("Reconnect")), &QAction::triggered, this,
                &CTreeViewSite::OnReconnect);
        connect(AddMenuCommand(menu, ID_TREE_DISCONNECT, QStringLiteral("Disconnect")), &QAction::triggered, this,
                &CTreeViewSite::OnDisconnect);
        connect(AddMenuCommand(menu, ID_TREE_SITE_PROPERTIES, QStringLiteral("Properties...")), &QAction::triggered,
                this, &CTreeViewSite::OnSiteProperties);
        menu->addSeparator();
        connect(AddMenuCommand(menu, ID_VIEW_REFRESH, QStringLiteral("&Refresh")), &QAction::triggered, this,
                &CTreeViewSite::OnRefresh);
        break;
    default:
        delete menu;
        return nullptr;
    }
    return menu;
}
