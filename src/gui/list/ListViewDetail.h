#pragma once

#include "panes/ClipboardCommands.h"
#include "panes/EditTarget.h"
#include "transfer/TransferJob.h"

#include <QAbstractItemDelegate>
#include <QHash>
#include <QTreeView>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

class CAppCore;
class CEditedFiles;
class CListItemInfo;
class CListViewDetailModel;
class IPaneHost;
class CNewDirDlg;
class CVamloDoc;
class CViewHub;
class QMenu;
class QMimeData;

// Commands of the list's context menus that have no entry in the main menu.
enum : int { ID_LIST_RENAME = 32775, ID_LIST_NEW_DIRECTORY = 32777, ID_LIST_PERMISSIONS = 32840 };
enum : int { ID_LIST_OPEN = 32830, ID_LIST_OPEN_WITH = 32831, ID_LIST_VIEW_EDIT = 32832 };

// The right pane: the files and folders of the document's current folder,
// in four columns, sorted by the column the user picked. It holds no folder
// of its own; it always lists what the document says.
class CListViewDetail : public QTreeView, public ITransferDoneSink, public IEditTarget {
    Q_OBJECT

public:
    CListViewDetail(CVamloDoc& doc, CAppCore& app, IPaneHost& frame, CViewHub& hub, QWidget* parent = nullptr);
    ~CListViewDetail() override;

    // Lists the current folder, registers with the frame, takes the list
    // pane's place and answers the frame's Select All.
    void OnInitialUpdate();
    // The document's update-all-views: re-lists the current folder and hands
    // the hint on. Notices this view sent itself are ignored.
    void OnUpdate(QObject* sender, int hint, const QString& object);

    void ListLocalFolder(int hint);
    void ListRemoteFolder(int hint);
    void ClearList();
    void SelectAllItems();
    // Selects the rows named in the document's transferred names (exact
    // match), then forgets the names.
    void RestoreSelection();
    // Sorts by the document's column and direction.
    void SortItems();
    // A click on a column header: flips the direction, takes a new column.
    void OnColumnClick(int column);

    // From a transfer's worker thread: re-list once the GUI thread gets to it.
    void PostTransferDone(int message) override;

    // Reads one level of a local folder (in a worker that may be left behind
    // when a dead mount does not answer). Replaceable for tests.
    using LocalFolderReader = std::function<std::vector<std::unique_ptr<CListItemInfo>>(const std::string&)>;
    LocalFolderReader m_fnReadLocalFolder;

    int RowCount() const;
    const CListItemInfo* Record(int row) const;
    QString RowText(int row, int column) const;
    // Selected rows, top to bottom.
    std::vector<int> SelectedRows() const;

    // The context menus' commands are enabled once a handler is attached;
    // Paste also needs a file list of ours on the clipboard.
    void SetContextCommandHandler(int id, std::function<void()> handler);

    // The selected rows as Copy puts them on the clipboard.
    CFileInfoList SelectedEntries() const;
    // The selected rows as a drag carries them.
    QMimeData* DragData() const;
    // Where entries dropped at a viewport point go: into the folder of the
    // row there, else into the listed folder.
    CClipboardCommands::PastePlace DropPlaceAt(const QPoint& pos) const;

    // Copy and Paste of the selected rows.
    bool OnUpdateEditCopy() const override;
    bool OnUpdateEditPaste() const override;
    void OnEditCopy() override;
    void OnEditPaste() override;
    // Delete of the selected rows, with the Del key and both menus.
    bool OnUpdateEditDelete() const override;
    void OnEditDelete() override;
    // Rename: the name of the row under the last right-click is edited in
    // place; the file or folder is renamed when the edit ends (not after
    // Escape), and the new name stays only when that worked.
    void OnRename();
    void EditRowName(int row);
    void OnEndLabelEdit(int row, const QString& newName);
    // New Directory: asks for a name and makes the folder.
    void OnNewDirectory();
    // Runs the New Directory dialog; true for OK. Unset, it is shown modally.
    std::function<bool(CNewDirDlg&)> m_fnRunNewDirDlg;
    // Permissions...: the dialog for the row under the last right-click,
    // then the change, locally or on the site (with a Cancel either way).
    void OnPermissions();
    // The header's menu turns the Permissions column on and off.
    void ShowHeaderMenu(const QPoint& pos);

    // Open and Open With… of a local file, View/Edit of a remote one: the
    // row under the last right-click, or the one selected file for Enter.
    void OnOpenFile(int row);
    void OnOpenWith(int row);
    void SetEditedFiles(CEditedFiles* files) { m_pEditedFiles = files; }
    // Hands a local file to the desktop; replaceable for tests.
    std::function<bool(const QString&)> m_fnOpenFile;

    // The menu for m_nContextItem; null when the current location is 0.
    std::unique_ptr<QMenu> CreateContextMenu();

    // The row under the last right-click, -1 for none.
    int32_t m_nContextItem = -1;
    // 1 while a row's name is being edited: Enter then opens nothing.
    int32_t m_bEditingLabel = 0;
    // The name when the edit began.
    std::string m_strOldLabel;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void OnSelectionChanged();
    void OnDoubleClicked(const QModelIndex& index);
    // Enter, after the key: the one selected folder is opened.
    void OnOpenSelected();
    void OpenFolder(const QString& name);
    void OnTransferDone(int message);
    void OnRightButtonDown(const QPoint& pos, Qt::KeyboardModifiers modifiers);
    void OnRightButtonUp(const QPoint& pos);
    // The single selected row when it is a folder (a file), else -1.
    int SingleSelectedFolder() const;
    int SingleSelectedFile() const;
    // Rows read, newest insert first, then sorted and shown.
    void ShowListing(std::vector<std::unique_ptr<CListItemInfo>> rows, uint8_t location);

    CVamloDoc& m_doc;
    CAppCore& m_app;
    IPaneHost& m_frame;
    CClipboardCommands m_clipboard;
    CViewHub& m_hub;
    CEditedFiles* m_pEditedFiles = nullptr;
    CListViewDetailModel* m_pModel = nullptr;
    QHash<int, std::function<void()>> m_contextHandlers;
    std::unique_ptr<QMenu> m_pContextMenu;
    // The row whose name is being edited, -1 once its edit has ended.
    int m_nEditRow = -1;
    // Where the edit began: a name typed there renames nothing elsewhere.
    std::tuple<uint8_t, CVamloSiteInfo*, std::string> m_editPlace;
};
