#include "frame/MainFrame.h"

#include "app/AppCore.h"
#include "app/Settings.h"
#include "app/PaneSizes.h"
#include "app/SitePasswords.h"
#include "app/VamloDoc.h"
#include "capture/CaptureCommands.h"
#include "edit/EditedFiles.h"
#include "help/HelpDialogs.h"
#include "list/ListViewDetail.h"
#include "log/PaneCaption.h"
#include "log/RichEditViewActionLog.h"
#include "log/SaveStatusLog.h"
#include "model/SiteInfo.h"
#include "net/NetActions.h"
#include "net/SiteKeepAlive.h"
#include "panes/EditTarget.h"
#include "res/Icons.h"
#include "transfer/QuestionParent.h"
#include "transfer/TransferWait.h"
#include "tree/TreeViewSite.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QFrame>
#include <QLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTextDocument>
#include <QThread>
#include <QTimer>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolBar>

#include <algorithm>
#include <cmath>

CMainFrame::CMainFrame(CAppCore* app, QWidget* parent) : QMainWindow(parent), m_pApp(app)
{
    setWindowTitle(QStringLiteral("Vamlo"));
    setWindowIcon(VamloIcons::Application());
    if (m_pApp != nullptr) {
        m_pNetActions = new CNetActions(*m_pApp, this, [this](const QString& text) { SetStatusText(text); });
        m_pKeepAlive = new CSiteKeepAlive(*m_pNetActions, [this] {
            std::vector<CVamloSiteInfo*> shown;
            for (const auto& site : m_siteList)
                if (site->m_hTreeItem != 0)
                    shown.push_back(site.get());
            return shown;
        }, this);
    }
    CreateMenusAndToolBar();
    CreateBars();
    CreatePanes();
    ConnectCommands();
    UpdateCommandStates();
}

CMainFrame::~CMainFrame()
{
    // Its copies go while the document and its transfer are still there.
    m_pEditedFiles.reset();
    if (m_pNetActions != nullptr)
        m_pNetActions->Shutdown();
    DeleteSiteRecords();
}

void CMainFrame::SetDocument(CVamloDoc* doc)
{
    m_pDoc = doc;
    m_pLogView->AttachToLog(doc);
    if (doc != nullptr && m_pApp != nullptr && m_pNetActions != nullptr && !m_pEditedFiles)
        m_pEditedFiles = std::make_unique<CEditedFiles>(*doc, *m_pApp, *m_pNetActions, *this, this);
    UpdateCommandStates();
}

void CMainFrame::SetListView(CListViewDetail* list)
{
    m_pListView = list;
    if (list != nullptr)
        list->SetEditedFiles(m_pEditedFiles.get());
}

QAction* CMainFrame::MakeCommand(const CommandSpec& entry)
{
    auto* action = new QAction(QString::fromUtf8(entry.menuText).section(QLatin1Char('\t'), 0, 0), this);
    action->setObjectName(QStringLiteral("ID_%1").arg(entry.id));
    action->setData(entry.id);
    action->setShortcuts(entry.keys);
    const QString prompt = QString::fromUtf8(entry.prompt);
    action->setStatusTip(prompt.section(QLatin1Char('\n'), 0, 0));
    action->setToolTip(prompt.section(QLatin1Char('\n'), 1));
    action->setCheckable(entry.checkable);
    // The shortcut text of the menu entry, even where no key backs it.
    const QString shortcutText = QString::fromUtf8(entry.menuText).section(QLatin1Char('\t'), 1);
    if (!shortcutText.isEmpty() && entry.keys.isEmpty())
        action->setText(action->text() + QLatin1Char('\t') + shortcutText);
    m_commands.insert(entry.id, action);
    return action;
}

void CMainFrame::CreateMenusAndToolBar()
{
    const auto fill = [this](const QString& title, const QList<CommandSpec>& entries, QList<int> separatorsBefore) {
        QMenu* menu = menuBar()->addMenu(title);
        for (const CommandSpec& entry : entries) {
            if (separatorsBefore.contains(entry.id))
                menu->addSeparator();
            menu->addAction(MakeCommand(entry));
        }
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
    };
    fill(QStringLiteral("&File"), FileMenuCommands(), {ID_FILE_SAVE_WINDOW_AS, ID_FILE_SAVE_STATUS_LOG_AS, ID_APP_EXIT});
    fill(QStringLiteral("&Edit"), EditMenuCommands(), {ID_EDIT_DELETE, ID_EDIT_STATUS_LOG_AUTOSAVE, ID_EDIT_SITE_MANAGER});
    fill(QStringLiteral("&View"), ViewMenuCommands(), {});
    fill(QStringLiteral("&Help"), HelpMenuCommands(), {ID_HELP_READ_ME});

    Command(ID_EDIT_COPY)->setIcon(VamloIcons::Copy());
    Command(ID_EDIT_PASTE)->setIcon(VamloIcons::Paste());
    Command(ID_FILE_SAVE_SITE_LIST)->setIcon(VamloIcons::SaveSiteList());
    Command(ID_FILE_PRINT_WINDOW)->setIcon(VamloIcons::PrintWindow());
    Command(ID_EDIT_STATUS_LOG_AUTOSAVE)->setIcon(VamloIcons::AutoSaveLog());
    Command(ID_EDIT_LOG_VIEW_AUTOREFRESH)->setIcon(VamloIcons::AutoRefreshLog());
    Command(ID_APP_ABOUT)->setIcon(VamloIcons::About());
    Command(ID_VIEW_UP_ONE_LEVEL)->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    Command(ID_VIEW_REFRESH)->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));

    QToolBar* toolBar = addToolBar(QStringLiteral("Standard"));
    toolBar->setObjectName(QStringLiteral("MainToolBar"));
    toolBar->setIconSize(QSize(16, 16));
    toolBar->addAction(Command(ID_VIEW_UP_ONE_LEVEL));
    toolBar->addAction(Command(ID_VIEW_REFRESH));
    toolBar->addSeparator();
    toolBar->addAction(Command(ID_EDIT_COPY));
    toolBar->addAction(Command(ID_EDIT_PASTE));
    toolBar->addSeparator();
    toolBar->addAction(Command(ID_FILE_SAVE_SITE_LIST));
    toolBar->addAction(Command(ID_FILE_PRINT_WINDOW));
    toolBar->addSeparator();
    toolBar->addAction(Command(ID_EDIT_STATUS_LOG_AUTOSAVE));
    toolBar->addAction(Command(ID_EDIT_LOG_VIEW_AUTOREFRESH));
    toolBar->addSeparator();
    toolBar->addAction(Command(ID_APP_ABOUT));
}

void CMainFrame::ShowTransferConnections()
{
    const QSignalBlocker quiet(m_pConnectionsBox);
    m_pConnectionsBox->setValue(m_pApp != nullptr ? m_pApp->m_nTransferConnections.load() : 1);
}

void CMainFrame::CreateBars()
{
    QToolBar* modeBar = addToolBar(QStringLiteral("FTP Transfer Mode"));
    modeBar->setObjectName(QStringLiteral("TransferModeBar"));
    modeBar->addWidget(new QLabel(QStringLiteral(" FTP Transfer Mode: "), modeBar));
    m_pTransferModeBox = new QComboBox(modeBar);
    m_pTransferModeBox->setObjectName(QStringLiteral("TransferModeBox"));
    modeBar->addWidget(m_pTransferModeBox);
    // How many connections a transfer of many files may open to its site.
    auto* connectionsLabel = new QLabel(QStringLiteral("  C&onnections: "), modeBar);
    modeBar->addWidget(connectionsLabel);
    m_pConnectionsBox = new QSpinBox(modeBar);
    m_pConnectionsBox->setObjectName(QStringLiteral("ConnectionsBox"));
    m_pConnectionsBox->setRange(1, kMaxTransferConnections);
    m_pConnectionsBox->setToolTip(QStringLiteral("How many connections to a site a transfer of many files may use"));
    connectionsLabel->setBuddy(m_pConnectionsBox);
    ShowTransferConnections();
    connect(m_pConnectionsBox, &QSpinBox::valueChanged, this, [this](int connections) {
        if (m_pApp == nullptr)
            return;
        m_pApp->m_nTransferConnections = connections;
        if (m_pApp->m_pSettings != nullptr)
            SaveTransferConnections(*m_pApp->m_pSettings, connections);
    });
    modeBar->addWidget(m_pConnectionsBox);

    // The address gets a row of its own, wide enough for long addresses.
    addToolBarBreak();
    QToolBar* addressBar = addToolBar(QStringLiteral("FTP Site Address"));
    addressBar->setObjectName(QStringLiteral("AddressBar"));
    addressBar->addWidget(new QLabel(QStringLiteral(" FTP Site Address: "), addressBar));
    m_pAddressBox = new QComboBox(addressBar);
    m_pAddressBox->setObjectName(QStringLiteral("AddressBox"));
    m_pAddressBox->setEditable(true);
    m_pAddressBox->setInsertPolicy(QComboBox::NoInsert);
    m_pAddressBox->setMinimumContentsLength(50);
    m_pAddressBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_pAddressBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    addressBar->addWidget(m_pAddressBox);
    for (const auto& site : m_siteList)
        m_pAddressBox->addItem(QString::fromStdString(site->m_strAddress));

    statusBar()->showMessage(m_strIdleText);
    // Qt blanks the bar when a menu or toolbar hint ends; the pane keeps the
    // idle text instead. The bar has already settled when the signal comes,
    // so setting the text again from here is safe.
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& message) {
        if (message.isEmpty())
            statusBar()->showMessage(m_strIdleText);
    });
}

void CMainFrame::CreatePanes()
{
    m_pOuterSplitter = new QSplitter(Qt::Vertical, this);
    m_pOuterSplitter->setObjectName(QStringLiteral("OuterSplitter"));
    m_pOuterSplitter->setChildrenCollapsible(false);
    m_pInnerSplitter = new QSplitter(Qt::Horizontal, m_pOuterSplitter);
    m_pInnerSplitter->setObjectName(QStringLiteral("InnerSplitter"));
    m_pInnerSplitter->setChildrenCollapsible(false);
    // The folder tree and the file list take these places.
    auto* treeArea = new QFrame;
    treeArea->setFrameShape(QFrame::StyledPanel);
    treeArea->setBackgroundRole(QPalette::Base);
    treeArea->setAutoFillBackground(true);
    m_pTreePane = new CCaptionedPane(QStringLiteral("Folders"), treeArea, m_pInnerSplitter);
    m_pTreePane->setObjectName(QStringLiteral("TreePane"));
    m_pListPane = new QWidget(m_pInnerSplitter);
    m_pListPane->setObjectName(QStringLiteral("ListPane"));
    auto* listLayout = new QVBoxLayout(m_pListPane);
    listLayout->setContentsMargins(0, 0, 0, 0);
    auto* listArea = new QFrame;
    listArea->setFrameShape(QFrame::StyledPanel);
    listArea->setBackgroundRole(QPalette::Base);
    listArea->setAutoFillBackground(true);
    listLayout->addWidget(listArea);
    m_pLogView = new CRichEditViewActionLog;
    m_pLogPane = new CCaptionedPane(QStringLiteral("FTP Action Status Log View"), m_pLogView, m_pOuterSplitter);
    m_pLogPane->setObjectName(QStringLiteral("LogPane"));
    for (QWidget* pane : {static_cast<QWidget*>(m_pTreePane), m_pListPane, static_cast<QWidget*>(m_pLogPane)})
        pane->setMinimumHeight(10);
    m_pOuterSplitter->setStretchFactor(0, 1);
    m_pInnerSplitter->setStretchFactor(1, 1);
    setCentralWidget(m_pOuterSplitter);
}

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (!m_bSplitterSized && isVisible())
        SizePanes();
}

void CMainFrame::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_bShownOnce) {
        m_bShownOnce = true;
        // The keyboard starts in the folder tree: left to Qt, it would go to
        // the first box of the bars, where one arrow key changes the
        // transfer mode without a visible sign.
        if (m_pTreeView != nullptr)
            m_pTreeView->setFocus(Qt::OtherFocusReason);
    }
    if (!m_bSplitterSized) {
        // The layout settles the panes' area first.
        if (layout() != nullptr)
            layout()->activate();
        SizePanes();
    }
}

int CMainFrame::DefaultLogHeight() const
{
    // Eight lines of the log's font, with the view's frame and margins, the
    // caption above it and the scroll bar that its long lines bring below.
    const int lines = 8 * m_pLogView->fontMetrics().lineSpacing();
    const int margins = 2 * (m_pLogView->frameWidth() + static_cast<int>(m_pLogView->document()->documentMargin()));
    const int scrollBar = m_pLogView->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_pLogView);
    return lines + margins + scrollBar + m_pLogPane->captionBar()->sizeHint().height();
}

namespace {

// The pixels of a stored share of a room; exact back for rooms below the whole.
int ShareOf(int share, int room) { return static_cast<int>(std::lround(1.0 * share * room / kPaneShareWhole)); }

} // namespace

void CMainFrame::SizePanes()
{
    const int height = m_pOuterSplitter->height();
    if (height <= 0)
        return;
    m_bSplitterSized = true;
    const int handle = m_pOuterSplitter->handleWidth();
    const int width = m_pInnerSplitter->width();
    // Where the user left the bars last time; else the log gets a tenth of
    // the height, and never less than its eight lines, the tree a third.
    std::optional<CPaneSizes> stored;
    if (m_pApp != nullptr && m_pApp->m_pSettings != nullptr)
        stored = LoadPaneSizes(*m_pApp->m_pSettings);
    const int kMinPane = 10;
    const int rows = height - handle;
    const int columns = width - m_pInnerSplitter->handleWidth();
    int log = stored ? ShareOf(stored->logShare, rows) : std::max(height / 10 - handle, DefaultLogHeight());
    log = std::clamp(log, kMinPane, std::max(kMinPane, rows - kMinPane));
    m_pOuterSplitter->setSizes({std::max(rows - log, 0), log});
    int tree = stored ? ShareOf(stored->treeShare, columns) : width / 3;
    tree = std::clamp(tree, kMinPane, std::max(kMinPane, columns - kMinPane));
    m_pInnerSplitter->setSizes({tree, std::max(columns - tree, 0)});
}

void CMainFrame::SavePaneSizes()
{
    if (!m_bSplitterSized || m_pApp == nullptr || m_pApp->m_pSettings == nullptr)
        return;
    const auto share = [](const QList<int>& sizes, int pane) {
        const int whole = sizes.value(0) + sizes.value(1);
        return whole > 0 ? static_cast<int>(std::lround(1.0 * sizes.value(pane) * kPaneShareWhole / whole)) : 0;
    };
    ::SavePaneSizes(*m_pApp->m_pSettings, {share(m_pOuterSplitter->sizes(), 1), share(m_pInnerSplitter->sizes(), 0)});
}

void CMainFrame::ConnectCommands()
{
    const auto always = [] { return true; };
    m_enablers.insert(ID_APP_EXIT, always);
    m_enablers.insert(ID_APP_ABOUT, always);
    m_enablers.insert(ID_HELP_READ_ME, always);
    m_enablers.insert(ID_HELP_LICENSE, always);
    connect(Command(ID_APP_ABOUT), &QAction::triggered, this, [this] { ShowAboutDialog(this); });
    connect(Command(ID_HELP_READ_ME), &QAction::triggered, this, [this] { ShowReadMeDialog(this); });
    connect(Command(ID_HELP_LICENSE), &QAction::triggered, this, [this] { ShowLicenseDialog(this); });
    m_enablers.insert(ID_FILE_SAVE_STATUS_LOG_AS, always);
    m_enablers.insert(ID_FILE_SAVE_SITE_LIST, [this] { return m_bSiteListModified == 1; });
    m_enablers.insert(ID_EDIT_STATUS_LOG_AUTOSAVE,
                      [this] { return m_pDoc != nullptr && m_pDoc->IsStatusLogAutoSaveEnabled(); });
    m_enablers.insert(ID_EDIT_LOG_VIEW_AUTOREFRESH, [this] { return m_pDoc != nullptr; });
    m_enablers.insert(ID_EDIT_KEYRING_PASSWORDS, [this] { return m_pDoc != nullptr && m_pSitePasswords != nullptr; });
    m_enablers.insert(ID_EDIT_COPY, [this] { return m_pActiveEditTarget != nullptr && m_pActiveEditTarget->OnUpdateEditCopy(); });
    m_enablers.insert(ID_EDIT_PASTE,
                      [this] { return m_pActiveEditTarget != nullptr && m_pActiveEditTarget->OnUpdateEditPaste(); });
    connect(Command(ID_EDIT_COPY), &QAction::triggered, this, [this] {
        if (m_pActiveEditTarget != nullptr && m_pActiveEditTarget->OnUpdateEditCopy())
            m_pActiveEditTarget->OnEditCopy();
        UpdateCommandStates();
    });
    connect(Command(ID_EDIT_PASTE), &QAction::triggered, this, [this] {
        if (m_pActiveEditTarget != nullptr && m_pActiveEditTarget->OnUpdateEditPaste())
            m_pActiveEditTarget->OnEditPaste();
        UpdateCommandStates();
    });
    m_enablers.insert(ID_EDIT_DELETE,
                      [this] { return m_pActiveEditTarget != nullptr && m_pActiveEditTarget->OnUpdateEditDelete(); });
    connect(Command(ID_EDIT_DELETE), &QAction::triggered, this, [this] {
        if (m_pActiveEditTarget != nullptr && m_pActiveEditTarget->OnUpdateEditDelete())
            m_pActiveEditTarget->OnEditDelete();
        UpdateCommandStates();
    });
    m_enablers.insert(ID_VIEW_REFRESH, [this] { return m_pTreeView != nullptr && m_pTreeView->currentItem() != nullptr; });
    m_enablers.insert(ID_VIEW_UP_ONE_LEVEL, [this] { return m_pTreeView != nullptr && m_pTreeView->CanGoUp(); });
    m_enablers.insert(ID_VIEW_EDITED_FILES, [this] { return m_pEditedFiles != nullptr; });
    connect(Command(ID_VIEW_EDITED_FILES), &QAction::triggered, this, [this] {
        if (m_pEditedFiles)
            m_pEditedFiles->ShowWindow();
    });
    connect(Command(ID_VIEW_REFRESH), &QAction::triggered, this, [this] {
        if (m_pTreeView != nullptr)
            m_pTreeView->OnRefresh();
    });
    connect(Command(ID_VIEW_UP_ONE_LEVEL), &QAction::triggered, this, [this] {
        if (m_pTreeView != nullptr)
            m_pTreeView->OnUpOneLevel();
    });
    // Paste follows what the clipboard holds, whoever put it there.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &CMainFrame::UpdateCommandStates);
    connect(m_pTransferModeBox, &QComboBox::activated, this, &CMainFrame::OnTransferModeChosen);
    // Enter is taken here, before the box sees it: the box would otherwise go
    // on to pick a list entry of the same text and start a second login.
    // Keys reach the box, which hands them to its edit field without events.
    m_pAddressBox->installEventFilter(this);
    m_pAddressBox->lineEdit()->installEventFilter(this);
    // The box also takes a typed text that matches an entry as a pick of it
    // once editing ends, as it does when the Login window takes the focus: a
    // second login. Only a choice from the list is a pick, and it is queued:
    // the box may pick while the focus moves, and no question may open then.
    disconnect(m_pAddressBox->lineEdit(), &QLineEdit::editingFinished, m_pAddressBox, nullptr);
    connect(m_pAddressBox, &QComboBox::activated, this, &CMainFrame::OnAddressPicked, Qt::QueuedConnection);
    connect(Command(ID_APP_EXIT), &QAction::triggered, this, &QWidget::close);
    m_enablers.insert(ID_EDIT_SITE_MANAGER, [this] { return m_pApp != nullptr; });
    connect(Command(ID_EDIT_SITE_MANAGER), &QAction::triggered, this, &CMainFrame::OnSiteManager);
    ConnectCaptureCommands(*this);
    connect(Command(ID_FILE_SAVE_SITE_LIST), &QAction::triggered, this, [this] {
        if (m_pDoc != nullptr)
            m_pDoc->OnFileSaveSiteList();
        UpdateCommandStates();
    });
    connect(Command(ID_FILE_SAVE_STATUS_LOG_AS), &QAction::triggered, this, [this] {
        if (m_pApp != nullptr)
            SaveStatusLogAs(this, *m_pLogView, m_pApp->Prompts());
    });
    connect(Command(ID_EDIT_STATUS_LOG_AUTOSAVE), &QAction::triggered, this, [this] {
        if (m_pDoc != nullptr)
            m_pDoc->OnStatusLogAutoSave();
        UpdateCommandStates();
    });
    connect(Command(ID_EDIT_LOG_VIEW_AUTOREFRESH), &QAction::triggered, this, [this] {
        if (m_pDoc != nullptr)
            m_pDoc->OnLogViewAutoRefresh();
        UpdateCommandStates();
    });
    connect(Command(ID_EDIT_KEYRING_PASSWORDS), &QAction::triggered, this, [this] {
        // The questions come after the menu has closed.
        QMetaObject::invokeMethod(this, [this] {
            if (m_pDoc != nullptr && m_pSitePasswords != nullptr)
                m_pSitePasswords->Toggle(m_siteList, [this] { return m_pDoc->OnFileSaveSiteList() == 1; });
            UpdateCommandStates();
        }, Qt::QueuedConnection);
    });
}

void CMainFrame::SetActiveEditTarget(IEditTarget* target)
{
    m_pActiveEditTarget = target;
    UpdateCommandStates();
}

void CMainFrame::SetCommandEnabler(CommandId id, std::function<bool()> enabled)
{
    m_enablers.insert(id, std::move(enabled));
    UpdateCommandStates();
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_pAddressBox || watched == m_pAddressBox->lineEdit()) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Posted, like a window message, so the key handling ends first.
            QMetaObject::invokeMethod(this, &CMainFrame::OnAddressEntered, Qt::QueuedConnection);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::UpdateCommandStates()
{
    for (auto it = m_commands.cbegin(); it != m_commands.cend(); ++it) {
        const auto enabler = m_enablers.constFind(it.key());
        it.value()->setEnabled(enabler != m_enablers.cend() && (*enabler)());
    }
    Command(ID_EDIT_STATUS_LOG_AUTOSAVE)->setChecked(m_pDoc != nullptr && m_pDoc->IsStatusLogAutoSaveChecked());
    Command(ID_EDIT_LOG_VIEW_AUTOREFRESH)->setChecked(m_pDoc != nullptr && m_pDoc->IsLogViewAutoRefreshChecked());
    Command(ID_EDIT_KEYRING_PASSWORDS)->setChecked(m_pSitePasswords != nullptr && m_pSitePasswords->IsOn());
}

void CMainFrame::SetStatusText(const QString& text)
{
    statusBar()->showMessage(text);
    // Paint now: the caller goes on with work that keeps the loop busy.
    statusBar()->repaint();
}

QString CMainFrame::StatusText() const { return statusBar()->currentMessage(); }

void CMainFrame::RefillAddressBox()
{
    QStringList addresses;
    for (const auto& site : m_siteList)
        if (site->m_bAvailable == 1)
            addresses << QString::fromStdString(site->m_strAddress);
    // A sorted list, as the user sees it, without regard to case.
    std::sort(addresses.begin(), addresses.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    const QString typed = m_pAddressBox->currentText();
    m_pAddressBox->clear();
    m_pAddressBox->addItems(addresses);
    m_pAddressBox->setCurrentIndex(-1);
    m_pAddressBox->setEditText(typed);
}

void CMainFrame::FillTransferModeBox()
{
    m_pTransferModeBox->clear();
    m_pTransferModeBox->addItem(QStringLiteral("Ascii"), 1);
    m_pTransferModeBox->addItem(QStringLiteral("Binary"), 2);
    const int type = m_pApp != nullptr ? m_pApp->m_nTransferType.load() : 2;
    m_pTransferModeBox->setCurrentIndex(type == 1 ? 0 : 1);
}

void CMainFrame::OnTransferModeChosen(int index)
{
    // A box that ignored the user's choice would mislead: it sets the type.
    if (m_pApp != nullptr && index >= 0)
        m_pApp->m_nTransferType = m_pTransferModeBox->itemData(index).toInt();
}

void CMainFrame::ActivateFromSecondInstance()
{
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    if (QWidget* popup = QApplication::activeModalWidget()) {
        popup->raise();
        popup->activateWindow();
    }
}

bool CMainFrame::FinishRunningTransfer()
{
    if (m_pDoc == nullptr || !m_pDoc->IsTransferRunning())
        return true;
    // Closing under a running worker would pull the document from under it.
    if (QMessageBox::question(QuestionParent(this), QStringLiteral("Vamlo"),
                              QStringLiteral("A file transfer is still running.\nDo you want to cancel it and exit?"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return false;
    CancelAndWaitForTransfer(*m_pDoc);
    return true;
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if ((m_pEditedFiles && !m_pEditedFiles->CanClose()) || !FinishRunningTransfer()) {
        event->ignore();
        return;
    }
    SavePaneSizes();
    if (m_pDoc != nullptr) {
        m_pDoc->m_bClosing = 1;
        m_pDoc->CanCloseFrame();
    }
    if (m_pNetActions != nullptr)
        m_pNetActions->Shutdown();
    DeleteSiteRecords();
    event->accept();
}

void CMainFrame::DeleteSiteRecords()
{
    // The window does not wait for the servers to answer the goodbye.
    for (const auto& site : m_siteList)
        site->DisconnectWithoutWaiting();
    m_siteList.clear();
}

void CMainFrame::ShowPlaceInTitle(uint8_t location, const std::string& folder, const CVamloSiteInfo* site)
{
    QString place;
    if (location == 1) {
        place = QString::fromStdString(folder);
    } else if (location == 2 && site != nullptr) {
        // Remote paths may hold "//" joins; the title shows the plain path.
        QString path = QString::fromStdString(folder);
        while (path.contains(QStringLiteral("//")))
            path.replace(QStringLiteral("//"), QStringLiteral("/"));
        if (!path.startsWith(QLatin1Char('/')))
            path.prepend(QLatin1Char('/'));
        QString address = QString::fromStdString(site->m_strAddress);
        while (address.endsWith(QLatin1Char('/')))
            address.chop(1);
        place = address + path;
    }
    setWindowTitle(place.isEmpty() ? QStringLiteral("Vamlo") : QStringLiteral("Vamlo - ") + place);
}

CVamloSiteInfo* CMainFrame::FindSite(const QString& address) const
{
    const std::string wanted = address.toStdString();
    for (const auto& site : m_siteList)
        if (site->m_strAddress == wanted)
            return site.get();
    return nullptr;
}

void CMainFrame::SetSiteItemHooks(std::function<void(CVamloSiteInfo*)> add,
                                  std::function<void(CVamloSiteInfo*)> select)
{
    m_fnAddSiteItem = std::move(add);
    m_fnSelectSiteItem = std::move(select);
}

void CMainFrame::SetSiteFolderHook(std::function<void(CVamloSiteInfo*, const std::vector<std::string>&)> open)
{
    m_fnOpenSiteFolder = std::move(open);
}

void CMainFrame::OnRenameDirFailed()
{
    if (m_pApp != nullptr)
        m_pApp->Prompts().MessageBox("Failed to rename the directory");
}
