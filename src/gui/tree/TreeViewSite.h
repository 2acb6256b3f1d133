#pragma once

#include "net/RemoteFolders.h"
#include "panes/ClipboardCommands.h"
#include "panes/EditTarget.h"
#include "transfer/TransferJob.h"
#include "tree/TreeItemInfo.h"
#include "volumes/Volumes.h"

#include <QAbstractItemDelegate>
#include <QHash>
#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <QTreeWidget>

#include <functional>
#include <string>
#include <vector>

class CAppCore;
class IPaneHost;
class CNetActions;
class CViewHub;
class CVamloDoc;
class CVamloSiteInfo;
class QMimeData;
class QMouseEvent;

// The images of the tree, by their places in the program's image list.
enum TreeImage : int {
    IMAGE_CLOSED_FOLDER = 0,
    IMAGE_OPEN_FOLDER = 1,
    IMAGE_HARD_DISK = 2,
    IMAGE_REMOVABLE_DISK = 3,
    IMAGE_CD_ROM = 4,
    IMAGE_COMPUTER = 5,
    IMAGE_NETWORK_DRIVE = 6,
    IMAGE_FTP_SITE = 7,
    IMAGE_INTERNET = 8,
    IMAGE_ENCRYPTED_FTP_SITE = 9,
    IMAGE_SFTP_SITE = 10,
};

// The context menu commands of the tree.
enum TreeCommandId : int {
    ID_TREE_RECONNECT = 32778,
    ID_TREE_DISCONNECT = 32779,
    ID_TREE_DRIVE_PROPERTIES = 32780,
    ID_TREE_SITE_PROPERTIES = 32781,
    ID_TREE_RENAME = 32775,
};

// The folder tree, the explorer window's left pane: "Internet" holds "My
// Computer" with the local volumes and their folders, and every connected FTP
// site with its remote folders. Folders are read when they are expanded (or
// collapsed); a "Dummy" child stands in for subfolders not read yet.
// Selecting an item makes its folder the document's current folder.
//
// Everything that touches a server runs as a short network action (the
// window keeps painting); its result is applied here on the GUI thread. A
// site that is in use is left alone (the user is told it is busy), and the
// highlighted item always goes back to the document's folder when the
// document does not follow a new selection.
class CTreeViewSite : public QTreeWidget, public ITransferDoneSink, public IEditTarget {
    Q_OBJECT

public:
    static constexpr int kImageRole = Qt::UserRole + 1;   // the item's TreeImage
    static constexpr const char* kDummyText = "Dummy";

    // Puts itself into the main frame's tree pane.
    CTreeViewSite(CVamloDoc& doc, CAppCore& app, IPaneHost& frame, CViewHub& hub, QWidget* parent = nullptr);
    ~CTreeViewSite() override;

    // Where "My Computer" takes its volumes from; empty: this machine's.
    std::function<std::vector<VolumeEntry>()> m_fnListVolumes;

    // Builds the tree once the site list has been read: the volumes, then
    // the available sites marked "Reconnect at logon", connected.
    void OnInitialUpdate();

    // Shows a site: parses its address, connects it when it is not, and
    // selects its new item. A site already shown is only selected.
    // folders: opened one below the other from the site's login folder, the
    // last one selected (a link's path); a name not found ends the walk.
    void AddSiteItem(CVamloSiteInfo* site, const std::vector<std::string>& folders = {});
    // Removes a shown site's item and disconnects the site. False, with
    // nothing changed, while a transfer is using the site.
    bool RemoveSiteItem(CVamloSiteInfo* site);
    // A shown site whose connection is gone (dropped by the server, or left
    // disconnected) is greyed, until a reconnect brings it back.
    void ShowSiteConnection(CVamloSiteInfo* site);
    static constexpr int kDisconnectedRole = Qt::UserRole + 2;
    // Selects the item of a shown site.
    void SelectSiteItem(CVamloSiteInfo* site);
    // Reads the subfolders of a drive, local folder, site or remote folder;
    // then runs once the children are there (a remote folder's listing ends
    // later, and may fail: then it is not run).
    void PopulateChildren(QTreeWidgetItem* item, std::function<void()> then = {});
    void DeleteChildItems(QTreeWidgetItem* item);
    void DeleteAllTreeItems();
    // 1 when the local folder has a subfolder (".." and "." aside), else 0.
    static int HasLocalSubfolder(const std::string& path);
    // "My Computer" first, then the sites by text without regard to case.
    void SortSiteItems();
    static int CompareTreeItems(const CTreeItemInfo* a, const CTreeItemInfo* b);
    // The document's "update all views" as it reaches the tree.
    void OnUpdate(QObject* sender, int hint, const QString& object);
    // After a paste into a tree folder: re-read it, put the selection back.
    void RefreshAfterPaste();
    // Reads the selected item's children again.
    void OnRefresh();
    // Selects the parent of the selected item.
    void OnUpOneLevel();
    bool CanGoUp() const;
    // The item whose folder the document shows.
    QTreeWidgetItem* DocumentItem() const { return m_hDocItem; }
    // ITransferDoneSink: a worker thread's notice, handled on the GUI thread.
    void PostTransferDone(int message) override;

    // Copy and Paste of a tree folder.
    bool OnUpdateEditCopy() const override;
    bool OnUpdateEditPaste() const override;
    void OnEditCopy() override;
    void OnEditPaste() override;

    // Delete of the selected folder, with the Del key and both menus.
    bool OnUpdateEditDelete() const override;
    void OnEditDelete() override;
    // Rename...: the folder's text is edited in place; the folder is renamed
    // when the edit ends (not after Escape), and the new text stays only
    // when that worked.
    void OnRename();
    void OnEndLabelEdit(QTreeWidgetItem* item, const QString& newName);
    // The text when the edit began.
    std::string m_strOldLabel;

    // The context menu commands, on the selected item.
    void OnReconnect();
    void OnDisconnect();
    void OnSiteProperties();
    void OnDriveProperties();

    // The handlers of the folder menu's Copy, Paste, Delete and Rename...
    // come with the file operations; an entry without one stays greyed.
    void SetFolderCommandHandler(int id, std::function<void()> handler);

    // The folder as a drag carries it; null for an item that is no folder.
    QMimeData* DragData(QTreeWidgetItem* item) const;
    void StartFolderDrag(QTreeWidgetItem* item);
    // Where entries dropped at a viewport point go: the drive, site or
    // folder there (location 0: nowhere).
    CClipboardCommands::PastePlace DropPlaceAt(const QPoint& pos) const;

    // The context menu for the item at a viewport point, as a right click
    // shows it: selects the item and pops the menu up (null: no menu).
    QMenu* ShowContextMenu(const QPoint& viewportPos);
    QMenu* PopupMenu() const { return m_pPopupMenu; }

    QTreeWidgetItem* InternetItem() const { return m_hInternetItem; }
    QTreeWidgetItem* MyComputerItem() const { return m_hMyComputerItem; }
    static CTreeItemInfo* Record(const QTreeWidgetItem* item) { return CTreeItem::InfoOf(item); }
    // The item of a shown site, or null.
    QTreeWidgetItem* FindSiteItem(const CVamloSiteInfo* site) const;
    // item lies somewhere below ancestor.
    static bool IsDescendantOf(const QTreeWidgetItem* item, const QTreeWidgetItem* ancestor);

    QTreeWidgetItem* m_hPrevSelItem = nullptr;
    int32_t m_bContextSelect = 0;
    QTreeWidgetItem* m_hContextItem = nullptr;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    QTreeWidgetItem* AddRecordItem(QTreeWidgetItem* parent, const QString& text, int image, int32_t type,
                                   uint8_t location, const std::string& path, CVamloSiteInfo* site);
    void AddDummyChild(QTreeWidgetItem* item);
    void SetItemImage(QTreeWidgetItem* item, int image);
    QIcon ImageIcon(int image);
    void AddVolumes();
    // Holds a press on a folder other than the current one until it turns
    // into a drag or a click; true when it did.
    bool HoldPressForDrag(QMouseEvent* event);
    void ConnectStartupSites();

    void PopulateLocal(QTreeWidgetItem* item, CTreeItemInfo& record);
    void PopulateRemote(QTreeWidgetItem* item, CTreeItemInfo& record, std::function<void()> then);
    // Puts a remote listing's subfolders under the item.
    void ApplyRemoteChildren(QTreeWidgetItem* item, const std::vector<RemoteSubfolder>& children);
    bool ItemIsInTree(const QTreeWidgetItem* item) const;
    // The item is still in the tree and still stands for the site's folder.
    bool ItemStands(QTreeWidgetItem* item, const CVamloSiteInfo* site, const std::string& path) const;
    // The document follows the item: current folder, hint 6, caption, title.
    void FollowSelection(QTreeWidgetItem* item);
    // Highlights the item without a connection check (it was just listed).
    void SelectQuietly(QTreeWidgetItem* item);
    // The highlight goes back to the document's item.
    void RestoreDocumentSelection();
    bool SelectChildNamed(QTreeWidgetItem* item, const QString& name);
    // The walk of AddSiteItem's folders, from item (just read) on.
    void OpenFolderPath(QTreeWidgetItem* item, CVamloSiteInfo* site, std::vector<std::string> folders, size_t next);
    CNetActions& Actions() const;
    void DeleteItem(QTreeWidgetItem* item);
    // Forgets the remembered items that lie in the subtree about to go.
    void ForgetItemsUnder(QTreeWidgetItem* item);
    // Selects the item itself when its selected descendant is about to go,
    // so that the document never keeps a folder whose item was deleted.
    void MoveSelectionOutOf(QTreeWidgetItem* item);
    // Removes a site's item (the selection moving to the item before it) and
    // disconnects the site.
    void RemoveSiteTreeItem(QTreeWidgetItem* item, CVamloSiteInfo* site);

    void OnCurrentItemChanged(QTreeWidgetItem* current);
    void CheckConnectionThenFollow(QTreeWidgetItem* item, CTreeItemInfo& record);
    void OnItemExpandedOrCollapsed(QTreeWidgetItem* item);
    QMenu* BuildContextMenu(int32_t type);
    QAction* AddMenuCommand(QMenu* menu, int id, const QString& text);

    // After the delete of a folder: its item goes when the result is 1.
    void FinishFolderDelete(QTreeWidgetItem* item, int result);
    // A renamed folder's item takes its new path and text.
    void ApplyRename(QTreeWidgetItem* item, const std::string& newPath, const QString& newName);
    void PostRenameDirFailed();

    void SetStatusText(const std::string& text);
    void SetCaption(const std::string& folder);

    CVamloDoc& m_doc;
    CAppCore& m_app;
    IPaneHost& m_frame;
    CClipboardCommands m_clipboard;
    CViewHub& m_hub;
    QTreeWidgetItem* m_hInternetItem = nullptr;
    QTreeWidgetItem* m_hMyComputerItem = nullptr;
    QTreeWidgetItem* m_hDocItem = nullptr;
    bool m_bQuietSelect = false;
    bool m_bRestoringSelection = false;
    // A folder the list asked to open, once its parent's expansion has read it.
    QTreeWidgetItem* m_hOpenAfterExpand = nullptr;
    QString m_strOpenAfterExpand;
    QPointer<QMenu> m_pPopupMenu;
    QHash<int, QIcon> m_images;
    QHash<int, std::function<void()>> m_folderHandlers;
    // The item whose text is being edited, null once its edit has ended.
    QTreeWidgetItem* m_hEditItem = nullptr;
    // The folder of the last drop, read again after its paste.
    QTreeWidgetItem* m_hDropItem = nullptr;
    // A folder pressed but not picked yet: a drag of it may follow.
    QTreeWidgetItem* m_hPressItem = nullptr;
    QPoint m_pressPos;
};
