#include "tree/TreeViewSite.h"

#include "app/AppCore.h"
#include "app/Prompts.h"
#include "app/SiteManagerChanges.h"
#include "app/VamloDoc.h"
#include "log/PaneCaption.h"
#include "model/SiteInfo.h"
#include "net/NetActions.h"
#include "panes/PaneHost.h"
#include "panes/ViewHub.h"
#include "res/Icons.h"
#include "transfer/TransferDriver.h"
#include "volumes/Volumes.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

int ImageOfVolume(VolumeKind kind)
{
    switch (kind) {
    case VolumeKind::Removable:
        return IMAGE_REMOVABLE_DISK;
    case VolumeKind::Optical:
        return IMAGE_CD_ROM;
    case VolumeKind::Network:
        return IMAGE_NETWORK_DRIVE;
    case VolumeKind::Local:
        break;
    }
    return IMAGE_HARD_DISK;
}

} // namespace

CTreeViewSite::CTreeViewSite(CVamloDoc& doc, CAppCore& app, IPaneHost& frame, CViewHub& hub, QWidget* parent)
    : QTreeWidget(parent), m_doc(doc), m_app(app), m_frame(frame), m_clipboard(doc, app), m_hub(hub)
{
    m_clipboard.SetNetActions(m_frame.NetActions());
    setObjectName(QStringLiteral("TreeViewSite"));
    setColumnCount(1);
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Labels become editable with the Rename command.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Folders are dragged out and entries dropped onto folders; the items
    // themselves never move.
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false);
    setIconSize(QSize(16, 16));
    setUniformRowHeights(true);
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) {
                OnCurrentItemChanged(current);
                m_frame.UpdateCommandStates();
            });
    connect(this, &QTreeWidget::itemExpanded, this, &CTreeViewSite::OnItemExpandedOrCollapsed);
    connect(this, &QTreeWidget::itemCollapsed, this, &CTreeViewSite::OnItemExpandedOrCollapsed);
    connect(&m_hub, &CViewHub::Update, this, &CTreeViewSite::OnUpdate);
    if (m_frame.NetActions() != nullptr)
        connect(m_frame.NetActions(), &CNetActions::SiteActionEnded, this, &CTreeViewSite::ShowSiteConnection);
    if (CCaptionedPane* pane = m_frame.TreePane()) {
        pane->setView(this);
        pane->setCaption(QStringLiteral("Folders"));
    }
}

CTreeViewSite::~CTreeViewSite()
{
    // The site records may be gone already (the frame deletes them first):
    // only the items and their own records are dropped here, and no signal
    // of the dying tree reaches a handler.
    blockSignals(true);
    m_hPrevSelItem = m_hContextItem = nullptr;
    clear();
}

void CTreeViewSite::OnInitialUpdate()
{
    CWaitCursor wait(m_app.Prompts());
    m_frame.SetTreeView(this);
    m_frame.SetActiveEditTarget(this);
    SetFolderCommandHandler(ID_EDIT_COPY, [this] { OnEditCopy(); });
    SetFolderCommandHandler(ID_EDIT_PASTE, [this] { OnEditPaste(); });
    SetFolderCommandHandler(ID_EDIT_DELETE, [this] { OnEditDelete(); });
    SetFolderCommandHandler(ID_TREE_RENAME, [this] { OnRename(); });
    QPointer<CTreeViewSite> self(this);
    m_frame.SetSiteItemHooks(
        [self](CVamloSiteInfo* site) {
            if (self)
                self->AddSiteItem(site);
        },
        [self](CVamloSiteInfo* site) {
            if (self)
                self->SelectSiteItem(site);
        });
    m_frame.SetSiteFolderHook([self](CVamloSiteInfo* site, const std::vector<std::string>& folders) {
        if (self)
            self->AddSiteItem(site, folders);
    });
    if (m_hInternetItem != nullptr)
        return;   // built once

    m_hInternetItem = AddRecordItem(nullptr, QStringLiteral("Internet"), IMAGE_INTERNET, TREE_INTERNET, 0, "", nullptr);
    m_hMyComputerItem = AddRecordItem(m_hInternetItem, QStringLiteral("My Computer"), IMAGE_COMPUTER,
                                      TREE_MY_COMPUTER, 0, "My Computer", nullptr);
    AddVolumes();
    m_hInternetItem->setExpanded(true);
    m_hMyComputerItem->setExpanded(true);
    ConnectStartupSites();
    SortSiteItems();
}

void CTreeViewSite::AddVolumes()
{
    for (const VolumeEntry& volume : m_fnListVolumes ? m_fnListVolumes() : ListVolumes()) {
        const std::string label = volume.label.empty() ? DefaultVolumeLabel(volume.kind) : volume.label;
        QTreeWidgetItem* item = AddRecordItem(m_hMyComputerItem, Q(DriveText(volume.path, label)),
                                              ImageOfVolume(volume.kind), TREE_DRIVE, 1, volume.path, nullptr);
        // Slow or absent media are read when the user opens them, never at start-up.
        if (volume.kind == VolumeKind::Local)
            PopulateChildren(item);
        else
            AddDummyChild(item);
    }
}

void CTreeViewSite::ConnectStartupSites()
{
    // Each site connects in a short action of its own; the window is usable
    // meanwhile, and a site that does not answer holds up no other.
    for (const auto& site : m_frame.SiteOwner().m_siteList) {
        if (site->m_bAvailable != 1 || site->m_bReconnectAtLogon != 1)
            continue;
        if (!site->LacksPassword()) {
            AddSiteItem(site.get());
            continue;
        }
        // Its password is asked for once the window is up; the record may
        // be gone by then.
        QTimer::singleShot(0, this, [this, record = site.get()] {
            const auto& sites = m_frame.SiteOwner().m_siteList;
            const bool listed = std::any_of(sites.begin(), sites.end(), [&](const auto& s) { return s.get() == record; });
            if (listed && record->m_hTreeItem == 0 && m_frame.AskSiteLogin(*record))
                AddSiteItem(record);
        });
    }
}

CNetActions& CTreeViewSite::Actions() const
{
    return *m_frame.NetActions();
}

QIcon CTreeViewSite::ImageIcon(int image)
{
    if (auto found = m_images.constFind(image); found != m_images.constEnd())
        return *found;
    QIcon icon;
    switch (image) {
    case IMAGE_CLOSED_FOLDER:
    case IMAGE_OPEN_FOLDER: {
        // A folder shows open while it is selected.
        const QIcon closed = VamloIcons::ClosedFolder();
        const QIcon open = VamloIcons::OpenFolder();
        for (const qreal scale : {1.0, 2.0}) {
            const QSize size = QSize(16, 16) * scale;
            icon.addPixmap(closed.pixmap(size), QIcon::Normal);
            icon.addPixmap(open.pixmap(size), QIcon::Selected);
        }
        break;
    }
    case IMAGE_HARD_DISK:
        icon = VamloIcons::HardDisk();
        break;
    case IMAGE_REMOVABLE_DISK:
        icon = VamloIcons::RemovableDisk();
        break;
    case IMAGE_CD_ROM:
        icon = VamloIcons::CdRom();
        break;
    case IMAGE_COMPUTER:
        icon = VamloIcons::Computer();
        break;
    case IMAGE_NETWORK_DRIVE:
        icon = VamloIcons::NetworkDrive();
        break;
    case IMAGE_FTP_SITE:
        icon = VamloIcons::FtpSite();
        break;
    case IMAGE_ENCRYPTED_FTP_SITE:
        icon = VamloIcons::EncryptedFtpSite();
        break;
    case IMAGE_SFTP_SITE:
        icon = VamloIcons::SftpSite();
        break;
    case IMAGE_INTERNET:
        icon = VamloIcons::Internet();
        break;
    default:
        break;
    }
    m_images.insert(image, icon);
    return icon;
}

void CTreeViewSite::SetItemImage(QTreeWidgetItem* item, int image)
{
    item->setData(0, kImageRole, image);
    item->setIcon(0, ImageIcon(image));
}

QTreeWidgetItem* CTreeViewSite::AddRecordItem(QTreeWidgetItem* parent, const QString& text, int image, int32_t type,
                                              uint8_t location, const std::string& path, CVamloSiteInfo* site)
{
    auto record = std::make_unique<CTreeItemInfo>();
    record->m_hParentItem = parent;
    record->m_byLocation = location;
    record->m_strPath = path;
    record->m_nItemType = type;
    record->m_pSiteInfo = site;
    auto* item = new CTreeItem(std::move(record));
    item->setText(0, text);
    SetItemImage(item, image);
    if (parent == nullptr) {
        insertTopLevelItem(0, item);
    } else if (type == TREE_MY_COMPUTER || type == TREE_FTP_SITE) {
        parent->addChild(item);   // appended; SortSiteItems orders them
    } else {
        // Sorted by text among the children, without regard to case.
        int low = 0;
        int high = parent->childCount();
        while (low < high) {
            const int middle = (low + high) / 2;
            if (QString::compare(parent->child(middle)->text(0), text, Qt::CaseInsensitive) <= 0)
                low = middle + 1;
            else
                high = middle;
        }
        parent->insertChild(low, item);
    }
    return item;
}

void CTreeViewSite::AddDummyChild(QTreeWidgetItem* item)
{
    auto* dummy = new QTreeWidgetItem(QStringList(QString::fromLatin1(kDummyText)));
    SetItemImage(dummy, IMAGE_CLOSED_FOLDER);
    item->addChild(dummy);   // the only child of a folder not read yet
}

int CTreeViewSite::HasLocalSubfolder(const std::string& path)
{
    return HasLocalSubfolderOnDisk(path);
}

void CTreeViewSite::SortSiteItems()
{
    if (m_hInternetItem != nullptr)
        m_hInternetItem->sortChildren(0, Qt::AscendingOrder);
}

int CTreeViewSite::CompareTreeItems(const CTreeItemInfo* a, const CTreeItemInfo* b)
{
    return CompareTreeItemRecords(a, b);
}

void CTreeViewSite::OnCurrentItemChanged(QTreeWidgetItem* current)
{
    if (m_bRestoringSelection)
        return;
    CTreeItemInfo* record = Record(current);
    if (record == nullptr) {
        RestoreDocumentSelection();   // a "Dummy" stands for no folder
        return;
    }
    if (record->m_pSiteInfo != nullptr && !m_bQuietSelect) {
        // While the frame closes, the site records may already be gone.
        if (m_doc.m_bClosing == 1) {
            RestoreDocumentSelection();
            return;
        }
        CheckConnectionThenFollow(current, *record);
        return;
    }
    FollowSelection(current);
}

void CTreeViewSite::CheckConnectionThenFollow(QTreeWidgetItem* item, CTreeItemInfo& record)
{
    CVamloSiteInfo* site = record.m_pSiteInfo;
    const std::string path = record.m_strPath;
    auto connected = std::make_shared<bool>(false);
    const bool started = Actions().Start(
        site, QStringLiteral("Checking the connection to ftp site: %1").arg(Q(site->m_strAddress)),
        [connected](NetActionContext& context) { *connected = EnsureSiteConnection(context); },
        [this, item, site, path, connected](NetActionEnd end) {
            // The user may have moved on meanwhile: only the pending item follows.
            if (currentItem() != item)
                return;
            if (end == NetActionEnd::Done && *connected && ItemStands(item, site, path))
                FollowSelection(item);
            else
                RestoreDocumentSelection();
        });
    if (!started)
        RestoreDocumentSelection();
}

void CTreeViewSite::FollowSelection(QTreeWidgetItem* item)
{
    const CTreeItemInfo* record = Record(item);
    if (record == nullptr)
        return;
    m_hDocItem = item;
    m_doc.m_strCurrentFolder = record->m_strPath;
    m_doc.m_byCurrentLocation = record->m_byLocation;
    m_doc.m_pCurrentSite = record->m_pSiteInfo;
    m_hub.UpdateAllViews(this, HINT_FOLDER_CHANGED);
    SetCaption(m_doc.m_strCurrentFolder);
    m_frame.ShowPlaceInTitle(m_doc.m_byCurrentLocation, m_doc.m_strCurrentFolder, m_doc.m_pCurrentSite);
    m_frame.UpdateCommandStates();
}

void CTreeViewSite::SelectQuietly(QTreeWidgetItem* item)
{
    const bool wasQuiet = m_bQuietSelect;
    m_bQuietSelect = true;
    if (currentItem() == item)
        FollowSelection(item);
    else
        setCurrentItem(item);
    m_bQuietSelect = wasQuiet;
}

void CTreeViewSite::RestoreDocumentSelection()
{
    if (currentItem() != m_hDocItem) {
        m_bRestoringSelection = true;
        setCurrentItem(m_hDocItem);
        m_bRestoringSelection = false;
        m_frame.UpdateCommandStates();
    }
    // A mouse press highlights the item it hit only after its change of the
    // current item was handled here: the highlight comes back once it is over.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (currentItem() == nullptr)
                clearSelection();
            else
                selectionModel()->select(currentIndex(), QItemSelectionModel::ClearAndSelect);
        },
        Qt::QueuedConnection);
}

void CTreeViewSite::OnItemExpandedOrCollapsed(QTreeWidgetItem* item)
{
    std::function<void()> then;
    if (item != nullptr && item == m_hOpenAfterExpand) {
        // The list asked to open a child of this item: done once it is read.
        then = [this, item, name = m_strOpenAfterExpand] { SelectChildNamed(item, name); };
        m_hOpenAfterExpand = nullptr;
    }
    PopulateChildren(item, std::move(then));
    SortSiteItems();
}

bool CTreeViewSite::SelectChildNamed(QTreeWidgetItem* item, const QString& name)
{
    for (int i = 0; i < item->childCount(); ++i) {
        if (item->child(i)->text(0) == name && Record(item->child(i)) != nullptr) {
            setCurrentItem(item->child(i));
            return true;
        }
    }
    return false;
}

void CTreeViewSite::OnRefresh()
{
    QTreeWidgetItem* selected = currentItem();
    if (selected == nullptr)
        return;
    // The list reads its folder again through the hint once the tree has.
    PopulateChildren(selected, [this] { m_hub.UpdateAllViews(this, HINT_CONTENTS_CHANGED); });
}

bool CTreeViewSite::CanGoUp() const
{
    const QTreeWidgetItem* selected = currentItem();
    return selected != nullptr && selected->parent() != nullptr;
}

void CTreeViewSite::OnUpOneLevel()
{
    if (CanGoUp())
        setCurrentItem(currentItem()->parent());
}

void CTreeViewSite::OnUpdate(QObject* sender, int hint, const QString& object)
{
    if (sender == this)
        return;
    switch (hint) {
    case HINT_CONTENTS_CHANGED:
    case HINT_DELETED:
    case HINT_RENAMED:
    case HINT_NEW_DIRECTORY:
        if (QTreeWidgetItem* selected = currentItem())
            PopulateChildren(selected);
        break;
    case HINT_OPEN_SUBFOLDER:
        SetStatusText("Searching folders...");
        if (QTreeWidgetItem* selected = currentItem()) {
            if (!selected->isExpanded() && selected->childCount() > 0) {
                // A collapsed item is read by its expanding first.
                m_hOpenAfterExpand = selected;
                m_strOpenAfterExpand = object;
                selected->setExpanded(true);
            } else if (!SelectChildNamed(selected, object)) {
                // A folder made since the item was last read.
                PopulateChildren(selected, [this, selected, object] { SelectChildNamed(selected, object); });
            }
        }
        break;
    default:
        break;
    }
    SortSiteItems();
    SetStatusText("Ready");
    viewport()->update();
}

void CTreeViewSite::RefreshAfterPaste()
{
    CWaitCursor wait(m_app.Prompts());
    // The local folder a drop went into shows what arrived, when it is open
    // and holds not the selected folder, whose item the re-read would
    // replace (a site's folder is read again when the user asks, so that no
    // second listing races the one that follows the selection).
    QTreeWidgetItem* dropped = std::exchange(m_hDropItem, nullptr);
    const CTreeItemInfo* droppedRecord = dropped != nullptr ? Record(dropped) : nullptr;
    if (droppedRecord != nullptr && droppedRecord->m_byLocation == LOCATION_LOCAL && dropped->isExpanded() &&
        dropped != currentItem() && !IsDescendantOf(currentItem(), dropped))
        PopulateChildren(dropped);
    auto finish = [this] {
        SortSiteItems();
        m_hub.UpdateAllViews(this, HINT_CONTENTS_CHANGED);
    };
    if (m_bContextSelect != 1) {
        finish();
        return;
    }
    m_bContextSelect = 0;
    QTreeWidgetItem* previous = m_hPrevSelItem;
    m_hPrevSelItem = nullptr;
    QTreeWidgetItem* selected = currentItem();
    if (selected == nullptr) {
        finish();
        return;
    }
    PopulateChildren(selected, [this, previous, finish] {
        if (previous != nullptr && ItemIsInTree(previous))
            setCurrentItem(previous);
        finish();
    });
}

void CTreeViewSite::PostTransferDone(int message)
{
    if (message != WM_TREE_PASTE_DONE)
        return;
    // From the worker thread: the tree is touched on its own thread only.
    QMetaObject::invokeMethod(this, [this] { RefreshAfterPaste(); }, Qt::QueuedConnection);
}

void CTreeViewSite::MoveSelectionOutOf(QTreeWidgetItem* item)
{
    if (IsDescendantOf(currentItem(), item))
        setCurrentItem(item);
}

void CTreeViewSite::ForgetItemsUnder(QTreeWidgetItem* item)
{
    for (QTreeWidgetItem** remembered : {&m_hPrevSelItem, &m_hContextItem, &m_hDocItem, &m_hOpenAfterExpand,
                                         &m_hEditItem, &m_hDropItem, &m_hPressItem})
        if (*remembered == item || IsDescendantOf(*remembered, item))
            *remembered = nullptr;
}

void CTreeViewSite::DeleteItem(QTreeWidgetItem* item)
{
    ForgetItemsUnder(item);
    delete item;   // with its descendants and their records
}

void CTreeViewSite::DeleteChildItems(QTreeWidgetItem* item)
{
    if (item == nullptr || item->childCount() == 0)
        return;
    CWaitCursor wait(m_app.Prompts());
    MoveSelectionOutOf(item);
    while (item->childCount() > 0)
        DeleteItem(item->child(item->childCount() - 1));
}

void CTreeViewSite::DeleteAllTreeItems()
{
    CWaitCursor wait(m_app.Prompts());
    // Sites shown here are no longer shown anywhere.
    if (m_hInternetItem != nullptr) {
        for (int i = 0; i < m_hInternetItem->childCount(); ++i)
            if (CTreeItemInfo* record = Record(m_hInternetItem->child(i)); record && record->m_pSiteInfo)
                record->m_pSiteInfo->m_hTreeItem = 0;
    }
    m_hPrevSelItem = m_hContextItem = m_hDocItem = m_hOpenAfterExpand = nullptr;
    {
        const QSignalBlocker quiet(this);
        clear();
    }
    m_hInternetItem = m_hMyComputerItem = nullptr;
}

QTreeWidgetItem* CTreeViewSite::FindSiteItem(const CVamloSiteInfo* site) const
{
    if (site == nullptr || m_hInternetItem == nullptr)
        return nullptr;
    for (int i = 0; i < m_hInternetItem->childCount(); ++i) {
        QTreeWidgetItem* child = m_hInternetItem->child(i);
        const CTreeItemInfo* record = Record(child);
        if (record != nullptr && record->m_nItemType == TREE_FTP_SITE && record->m_pSiteInfo == site)
            return child;
    }
    return nullptr;
}

void CTreeViewSite::SelectSiteItem(CVamloSiteInfo* site)
{
    if (QTreeWidgetItem* item = FindSiteItem(site))
        setCurrentItem(item);
}

void CTreeViewSite::SetStatusText(const std::string& text)
{
    m_frame.SetStatusText(Q(text));
}

void CTreeViewSite::SetCaption(const std::string& folder)
{
    if (CCaptionedPane* pane = m_frame.TreePane())
        pane->setCaption(QStringLiteral("Folders  [ %1 ]").arg(Q(folder)));
}

bool CTreeViewSite::IsDescendantOf(const QTreeWidgetItem* item, const QTreeWidgetItem* ancestor)
{
    for (const QTreeWidgetItem* up = item != nullptr ? item->parent() : nullptr; up != nullptr; up = up->parent())
        if (up == ancestor)
            return true;
    return false;
}
