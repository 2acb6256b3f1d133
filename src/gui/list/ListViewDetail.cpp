#include "list/ListViewDetail.h"

#include "app/AppCore.h"
#include "app/VamloDoc.h"
#include "edit/EditedFiles.h"
#include "edit/OpenWith.h"
#include "list/ListItemInfo.h"
#include "list/ListViewDetailModel.h"
#include "panes/PaneHost.h"
#include "panes/ViewHub.h"
#include "path/Paths.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMouseEvent>

#include <algorithm>
#include <unordered_set>

CListViewDetail::CListViewDetail(CVamloDoc& doc, CAppCore& app, IPaneHost& frame, CViewHub& hub, QWidget* parent)
    : QTreeView(parent), m_doc(doc), m_app(app), m_frame(frame), m_clipboard(doc, app), m_hub(hub)
{
    m_clipboard.SetNetActions(m_frame.NetActions());
    setObjectName(QStringLiteral("ListViewDetail"));
    m_pModel = new CListViewDetailModel(this);
    setModel(m_pModel);
    // A flat table: no tree decoration, rows of one height (which keeps
    // thousands of rows cheap to lay out).
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    // Rows are dragged out and entries dropped in; what a drop does is the
    // view's own, never the model's.
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false);
    // Right clicks select by their own rules and show the menu on release.
    setContextMenuPolicy(Qt::PreventContextMenu);

    QHeaderView* head = header();
    head->setStretchLastSection(false);
    head->setSectionsClickable(true);
    // The arrow shows the column and direction that SortItems applies.
    head->setSortIndicatorShown(true);
    head->setSectionResizeMode(QHeaderView::Interactive);
    for (int column = 0; column < CListViewDetailModel::COLUMN_COUNT; ++column)
        head->resizeSection(column, CListViewDetailModel::ColumnWidth(column));
    connect(head, &QHeaderView::sectionClicked, this, &CListViewDetail::OnColumnClick);
    // The four columns stay as they are until the user asks for a fifth.
    head->setSectionHidden(CListViewDetailModel::COL_PERMISSIONS, true);
    head->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(head, &QWidget::customContextMenuRequested, this, &CListViewDetail::ShowHeaderMenu);

    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &CListViewDetail::OnSelectionChanged);
    connect(this, &QAbstractItemView::doubleClicked, this, &CListViewDetail::OnDoubleClicked);
    connect(&m_hub, &CViewHub::Update, this, &CListViewDetail::OnUpdate);
}

CListViewDetail::~CListViewDetail() = default;

void CListViewDetail::OnInitialUpdate()
{
    CWaitCursor wait(m_app.Prompts());
    OnUpdate(nullptr, HINT_NONE, QString());

    m_frame.SetListView(this);
    SetContextCommandHandler(ID_EDIT_COPY, [this] { OnEditCopy(); });
    SetContextCommandHandler(ID_EDIT_PASTE, [this] { OnEditPaste(); });
    SetContextCommandHandler(ID_EDIT_DELETE, [this] { OnEditDelete(); });
    SetContextCommandHandler(ID_LIST_RENAME, [this] { OnRename(); });
    SetContextCommandHandler(ID_LIST_NEW_DIRECTORY, [this] { OnNewDirectory(); });
    SetContextCommandHandler(ID_LIST_OPEN, [this] { OnOpenFile(m_nContextItem); });
    SetContextCommandHandler(ID_LIST_OPEN_WITH, [this] { OnOpenWith(m_nContextItem); });
    SetContextCommandHandler(ID_LIST_VIEW_EDIT, [this] { OnOpenFile(m_nContextItem); });
    SetContextCommandHandler(ID_LIST_PERMISSIONS, [this] { OnPermissions(); });
    SetContextCommandHandler(ID_VIEW_REFRESH, [this] {
        if (QAction* refresh = m_frame.Command(ID_VIEW_REFRESH))
            refresh->trigger();
    });
    if (QLayout* layout = m_frame.ListPane()->layout()) {
        // The pane held a placeholder until the list was built.
        while (QLayoutItem* item = layout->takeAt(0)) {
            delete item->widget();
            delete item;
        }
        layout->addWidget(this);
    }
    // Select All from the menu, the key or the tree lands here.
    m_frame.SetCommandEnabler(ID_EDIT_SELECT_ALL, [] { return true; });
    if (QAction* selectAll = m_frame.Command(ID_EDIT_SELECT_ALL)) {
        connect(selectAll, &QAction::triggered, this, [this] {
            setFocus();
            SelectAllItems();
        });
    }
    SortItems();
}

void CListViewDetail::OnUpdate(QObject* sender, int hint, const QString& /*object*/)
{
    if (sender == this)
        return;
    CWaitCursor wait(m_app.Prompts());
    if (m_doc.m_byCurrentLocation == 1)
        ListLocalFolder(hint);
    else if (m_doc.m_byCurrentLocation == 2)
        ListRemoteFolder(hint);   // sorted when the rows arrive
    else
        ClearList();
    SortItems();
}

void CListViewDetail::ClearList()
{
    CWaitCursor wait(m_app.Prompts());
    m_pModel->Clear();
}

void CListViewDetail::ShowListing(std::vector<std::unique_ptr<CListItemInfo>> rows, uint8_t location)
{
    // Each entry goes in at the top, so the unsorted order is the reverse of
    // the folder's; ties in the sort keep it.
    std::reverse(rows.begin(), rows.end());
    m_pModel->SetRows(std::move(rows), location);
    SortItems();
}

void CListViewDetail::SortItems()
{
    m_pModel->Sort(m_doc.m_nSortColumn, m_doc.m_bSortForward);
    // Forward runs names A to Z but sizes and times largest and newest
    // first: the arrow follows the values, as it does everywhere else.
    const int column = m_doc.m_nSortColumn;
    const bool descendingForward = column == CListViewDetailModel::COL_SIZE || column == CListViewDetailModel::COL_MODIFIED;
    const bool ascending = (m_doc.m_bSortForward == 1) != descendingForward;
    header()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void CListViewDetail::OnColumnClick(int column)
{
    CWaitCursor wait(m_app.Prompts());
    m_doc.m_bSortForward = m_doc.m_bSortForward == 1 ? 0 : 1;
    if (column >= 0 && column <= 3 && column != m_doc.m_nSortColumn)
        m_doc.m_nSortColumn = column;
    SortItems();
}

void CListViewDetail::SelectAllItems()
{
    if (RowCount() == 0)
        return;
    if (!currentIndex().isValid())
        selectionModel()->setCurrentIndex(m_pModel->index(0, 0), QItemSelectionModel::NoUpdate);
    selectAll();
}

void CListViewDetail::RestoreSelection()
{
    const std::vector<std::string> names = m_doc.TransferredNames();
    m_doc.ClearTransferredNames();
    if (names.empty())
        return;
    const std::unordered_set<std::string> wanted(names.begin(), names.end());
    QItemSelection selection;
    int lastRow = -1;
    const int lastColumn = CListViewDetailModel::COLUMN_COUNT - 1;
    for (int row = 0; row < RowCount(); ++row) {
        if (wanted.count(Record(row)->m_strName) == 0)
            continue;
        // Neighbouring rows join one range: a large transfer stays one cheap change.
        if (!selection.isEmpty() && selection.last().bottom() == row - 1)
            selection.last() = QItemSelectionRange(selection.last().topLeft(), m_pModel->index(row, lastColumn));
        else
            selection.append(QItemSelectionRange(m_pModel->index(row, 0), m_pModel->index(row, lastColumn)));
        lastRow = row;
    }
    if (lastRow < 0)
        return;
    selectionModel()->setCurrentIndex(m_pModel->index(lastRow, 0), QItemSelectionModel::NoUpdate);
    selectionModel()->select(selection, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

int CListViewDetail::RowCount() const { return m_pModel->Count(); }

const CListItemInfo* CListViewDetail::Record(int row) const { return m_pModel->Record(row); }

QString CListViewDetail::RowText(int row, int column) const
{
    return m_pModel->data(m_pModel->index(row, column), Qt::DisplayRole).toString();
}

std::vector<int> CListViewDetail::SelectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CListViewDetail::OnSelectionChanged()
{
    const qsizetype count = selectionModel()->selectedRows().size();
    m_frame.SetStatusText(count > 1 ? QStringLiteral("%1 objects selected").arg(count) : QStringLiteral("Ready"));
    m_frame.UpdateCommandStates();
}

int CListViewDetail::SingleSelectedFolder() const
{
    const QModelIndexList selected = selectionModel()->selectedRows();
    if (selected.size() != 1)
        return -1;
    const CListItemInfo* item = Record(selected.first().row());
    return item != nullptr && item->IsFolder() ? selected.first().row() : -1;
}

int CListViewDetail::SingleSelectedFile() const
{
    const QModelIndexList selected = selectionModel()->selectedRows();
    const CListItemInfo* item = selected.size() == 1 ? Record(selected.first().row()) : nullptr;
    return item != nullptr && item->m_nKind == LIST_KIND_FILE ? selected.first().row() : -1;
}

void CListViewDetail::OnOpenFile(int row)
{
    const CListItemInfo* item = Record(row);
    if (item == nullptr || item->m_nKind != LIST_KIND_FILE)
        return;
    if (m_doc.m_byCurrentLocation == LOCATION_REMOTE) {
        if (m_pEditedFiles != nullptr)
            m_pEditedFiles->ViewEdit(m_doc.m_pCurrentSite, m_doc.m_strCurrentFolder, item->m_strName);
        return;
    }
    if (m_doc.m_byCurrentLocation != LOCATION_LOCAL)
        return;
    const std::string path = JoinLocalPath(m_doc.m_strCurrentFolder, item->m_strName);
    if (!(m_fnOpenFile ? m_fnOpenFile : OpenWithDefault)(QString::fromStdString(path)))
        m_frame.SetStatusText(QStringLiteral("No application could be started to open the file %1")
                                  .arg(QString::fromStdString(path)));
}

void CListViewDetail::OnOpenWith(int row)
{
    const CListItemInfo* item = Record(row);
    if (item != nullptr && item->m_nKind == LIST_KIND_FILE && m_doc.m_byCurrentLocation == LOCATION_LOCAL)
        COpenWithDlg::Show(QString::fromStdString(JoinLocalPath(m_doc.m_strCurrentFolder, item->m_strName)), this);
}

void CListViewDetail::OpenFolder(const QString& name)
{
    m_hub.UpdateAllViews(this, HINT_OPEN_SUBFOLDER, name);
}

void CListViewDetail::OnDoubleClicked(const QModelIndex& index)
{
    const CListItemInfo* item = index.isValid() ? Record(index.row()) : nullptr;
    if (item != nullptr && item->IsFolder())
        OpenFolder(QString::fromStdString(item->m_strName));
}

void CListViewDetail::keyPressEvent(QKeyEvent* event)
{
    if (HandleEditKey(*this, event))
        return;
    if (event->key() == Qt::Key_Backspace && m_bEditingLabel == 0 && event->modifiers() == Qt::NoModifier) {
        if (QAction* up = m_frame.Command(ID_VIEW_UP_ONE_LEVEL); up != nullptr && up->isEnabled())
            up->trigger();
        return;
    }
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && m_bEditingLabel == 0 && SingleSelectedFolder() >= 0)
        QMetaObject::invokeMethod(this, &CListViewDetail::OnOpenSelected, Qt::QueuedConnection);
    // A file opens on Enter too (never on a double-click), after the key.
    if (enter && m_bEditingLabel == 0 && SingleSelectedFile() >= 0)
        QMetaObject::invokeMethod(this, [this] { if (m_bEditingLabel == 0) OnOpenFile(SingleSelectedFile()); }, Qt::QueuedConnection);
    QTreeView::keyPressEvent(event);
}

void CListViewDetail::OnOpenSelected()
{
    // Checked again: a label edit may have started since the key.
    if (m_bEditingLabel == 1)
        return;
    const int row = SingleSelectedFolder();
    if (row >= 0)
        OpenFolder(QString::fromStdString(Record(row)->m_strName));
}

void CListViewDetail::PostTransferDone(int message)
{
    QMetaObject::invokeMethod(this, [this, message] { OnTransferDone(message); }, Qt::QueuedConnection);
}

void CListViewDetail::OnTransferDone(int message)
{
    // The user may have moved to the other side while the transfer ran:
    // listing a remote path on the local disk (or the reverse) would show a
    // wrong folder, so the list then stays and the names are dropped.
    if (message == WM_LIST_GET_DONE) {
        if (m_doc.m_byCurrentLocation == 1)
            ListLocalFolder(HINT_CONTENTS_CHANGED);
        else
            m_doc.ClearTransferredNames();
    } else if (message == WM_LIST_PUT_DONE) {
        if (m_doc.m_byCurrentLocation == 2)
            ListRemoteFolder(HINT_CONTENTS_CHANGED);
        else
            m_doc.ClearTransferredNames();
    }
}

void CListViewDetail::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        OnRightButtonDown(event->position().toPoint(), event->modifiers());
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void CListViewDetail::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        OnRightButtonUp(event->position().toPoint());
        event->accept();
        return;
    }
    QTreeView::mouseReleaseEvent(event);
}

void CListViewDetail::OnRightButtonDown(const QPoint& pos, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex hit = indexAt(pos);
    if (!hit.isValid()) {
        selectionModel()->clearSelection();
        return;
    }
    if (modifiers & (Qt::ShiftModifier | Qt::ControlModifier))
        return;
    if (!selectionModel()->isRowSelected(hit.row(), QModelIndex())) {
        selectionModel()->setCurrentIndex(m_pModel->index(hit.row(), 0),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

void CListViewDetail::OnRightButtonUp(const QPoint& pos)
{
    const QModelIndex hit = indexAt(pos);
    m_nContextItem = hit.isValid() ? hit.row() : -1;
    const QPoint global = viewport()->mapToGlobal(pos);
    m_pContextMenu = CreateContextMenu();
    if (m_pContextMenu)
        m_pContextMenu->exec(global);
}

void CListViewDetail::SetContextCommandHandler(int id, std::function<void()> handler)
{
    if (handler)
        m_contextHandlers.insert(id, std::move(handler));
    else
        m_contextHandlers.remove(id);
}

std::unique_ptr<QMenu> CListViewDetail::CreateContextMenu()
{
    if (m_doc.m_byCurrentLocation == 0)
        return nullptr;
    auto menu = std::make_unique<QMenu>(this);
    const auto add = [&](int id, const char* text) {
        QAction* action = menu->addAction(QString::fromUtf8(text));
        action->setObjectName(QStringLiteral("ID_%1").arg(id));
        if (const QString prompt = ContextCommandPrompt(id); !prompt.isEmpty())
            action->setStatusTip(prompt.section(QLatin1Char('\n'), 0, 0));
        const auto handler = m_contextHandlers.constFind(id);
        bool enabled = handler != m_contextHandlers.cend();
        if (id == ID_EDIT_PASTE && m_app.HasClipboardFileList() == 0)
            enabled = false;
        if ((id == ID_LIST_RENAME || id == ID_LIST_PERMISSIONS) && SelectedRows().size() != 1)
            enabled = false;
        action->setEnabled(enabled);
        if (enabled)
            connect(action, &QAction::triggered, this, *handler);
    };
    if (m_nContextItem >= 0) {
        add(ID_EDIT_COPY, "Copy");
        add(ID_EDIT_DELETE, "&Delete");
        add(ID_LIST_RENAME, "&Rename");
        // What acts on the one row itself: open or edit a file, permissions.
        menu->addSeparator();
        if (const CListItemInfo* row = Record(m_nContextItem); row != nullptr && row->m_nKind == LIST_KIND_FILE) {
            if (m_doc.m_byCurrentLocation == LOCATION_LOCAL) {
                add(ID_LIST_OPEN, "&Open");
                add(ID_LIST_OPEN_WITH, "Open &With\u2026");
            } else {
                add(ID_LIST_VIEW_EDIT, "&View/Edit");
            }
        }
        add(ID_LIST_PERMISSIONS, "&Permissions...");
    } else {
        add(ID_EDIT_PASTE, "Paste");
        add(ID_LIST_NEW_DIRECTORY, "&New Directory...");
        menu->addSeparator();
        add(ID_VIEW_REFRESH, "&Refresh");
    }
    return menu;
}
