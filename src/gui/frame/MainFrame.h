#pragma once

#include "app/SiteListOwner.h"
#include "commands/Commands.h"
#include "panes/PaneHost.h"

#include <QHash>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CCaptionedPane;
class IEditTarget;
class CListViewDetail;
class CTreeViewSite;
class CRichEditViewActionLog;
class CSitePasswords;
class CVamloDoc;
class CVamloSiteInfo;
class CAppCore;
class CEditedFiles;
class CNetActions;
class CSiteManagerDlg;
class CSiteKeepAlive;
struct ParsedUrl;
class QAction;
class QComboBox;
class QLabel;
class QSpinBox;
class QSplitter;
class QWidget;

// The main window: bars, the three panes, the menus, and the flows that turn
// a typed or picked address into a connected site. It owns every site record
// (m_siteList).
class CMainFrame : public QMainWindow, public CSiteListOwner, public IPaneHost {
    Q_OBJECT

public:
    explicit CMainFrame(CAppCore* app = nullptr, QWidget* parent = nullptr);
    ~CMainFrame() override;

    void SetDocument(CVamloDoc* doc);
    // The keyring toggle of the Edit menu acts on these; not owned.
    void SetSitePasswords(CSitePasswords* passwords)
    {
        m_pSitePasswords = passwords;
        UpdateCommandStates();
    }
    CVamloDoc* GetDocument() const override { return m_pDoc; }
    QWidget* HostWindow() override { return this; }
    CSiteListOwner& SiteOwner() override { return *this; }
    void SetSiteItemHooks(std::function<void(CVamloSiteInfo*)> add,
                          std::function<void(CVamloSiteInfo*)> select) override;
    void SetSiteFolderHook(std::function<void(CVamloSiteInfo*, const std::vector<std::string>&)> open) override;
    bool AskSiteLogin(CVamloSiteInfo& site) override { return RunLoginDialog(site, true); }

    // Paints the text into the status bar at once, for long synchronous work.
    void SetStatusText(const QString& text) override;
    // The text the status bar holds and paints.
    QString StatusText() const;

    // The available sites' addresses in the address box, sorted.
    void RefillAddressBox();
    void FillTransferModeBox();
    // Enables, disables and checks the commands from the current state.
    void UpdateCommandStates() override;

    QAction* Command(CommandId id) const override { return m_commands.value(id); }
    // A command is enabled while its predicate holds; a command without one
    // (its handler is not part of the program yet) stays greyed.
    void SetCommandEnabler(CommandId id, std::function<bool()> enabled) override;
    QComboBox* AddressBox() const { return m_pAddressBox; }
    QComboBox* TransferModeBox() const { return m_pTransferModeBox; }
    // The toolbar's number of connections per transfer follows the app's.
    void ShowTransferConnections();
    QSplitter* OuterSplitter() const { return m_pOuterSplitter; }
    CCaptionedPane* TreePane() const override { return m_pTreePane; }
    QWidget* ListPane() const override { return m_pListPane; }
    CCaptionedPane* LogPane() const { return m_pLogPane; }
    CRichEditViewActionLog* LogView() const { return m_pLogView; }

    // Step C: the address typed into the box and confirmed with Enter.
    void OnAddressEntered();
    // Step D: an address picked from the box's list.
    void OnAddressPicked(int index);
    // A link from the command line or a second start (ftp://user@host/path):
    // the site is connected as a typed address is, the Login window asking
    // only for a missing password, and the link's folder is shown. A password
    // in the link logs on this run only; it is never saved or shown. Waits
    // while a modal window is up.
    void OpenLink(const QString& link);

    // The panes' views register themselves when they are first updated.
    void SetTreeView(CTreeViewSite* tree) override { m_pTreeView = tree; }
    void SetListView(CListViewDetail* list) override;
    CTreeViewSite* TreeView() const { return m_pTreeView; }
    // The pane that Copy and Paste of the menu, keys and toolbar go to: the
    // tree or the list, whichever last had the focus.
    void SetActiveEditTarget(IEditTarget* target) override;
    IEditTarget* ActiveEditTarget() const { return m_pActiveEditTarget; }
    CListViewDetail* ListView() const { return m_pListView; }

    // The short network actions of the window (connect, listings).
    CNetActions* NetActions() const override { return m_pNetActions; }
    // The keep-alive of the shown sites; off until its interval is set.
    CSiteKeepAlive* KeepAlive() const { return m_pKeepAlive; }
    // The files of servers opened with View/Edit; made with the document.
    CEditedFiles* EditedFiles() const { return m_pEditedFiles.get(); }
    // The title names the place the panes show.
    void ShowPlaceInTitle(uint8_t location, const std::string& folder, const CVamloSiteInfo* site) override;
    // Edit > Site Manager...: the dialog on copies, the changes carried back
    // after OK, then the address box refilled.
    void OnSiteManager();
    // Runs the Site Manager; true for OK. Unset, it is shown modally.
    std::function<bool(CSiteManagerDlg&)> m_fnRunSiteManager;

    // A folder rename in the tree failed (posted by the tree).
    void OnRenameDirFailed() override;

    // Brings the window to the front for a second start of the program.
    void ActivateFromSecondInstance();

    // The tree's AddSiteItem, once there is a tree: by default the site is
    // only recorded as connected.
    std::function<void(CVamloSiteInfo*)> m_fnAddSiteItem;
    std::function<void(CVamloSiteInfo*)> m_fnSelectSiteItem;
    std::function<void(CVamloSiteInfo*, const std::vector<std::string>&)> m_fnOpenSiteFolder;

    QString m_strIdleText = QStringLiteral("Ready");

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateMenusAndToolBar();
    void CreateBars();
    void CreatePanes();
    void SizePanes();
    // The log pane's first height: eight lines of its text.
    int DefaultLogHeight() const;
    // The splitter bars, kept for the next run.
    void SavePaneSizes();
    QAction* MakeCommand(const CommandSpec& entry);
    void ConnectCommands();
    void OnTransferModeChosen(int index);
    bool FinishRunningTransfer();
    void DeleteSiteRecords();
    CVamloSiteInfo* FindSite(const QString& address) const;
    // The login dialog filled from the record; false when cancelled. With
    // markModified, any change sets the site list's modified flag.
    // typed: the address as typed, whose user and password, if any, fill the window.
    bool RunLoginDialog(CVamloSiteInfo& site, bool markModified, const ParsedUrl* typed = nullptr);
    // After the typed address connected: the box, the site list, the tree.
    void OnAddressConnected(CVamloSiteInfo& site, const std::shared_ptr<CVamloSiteInfo>& created, const QString& text,
                            const std::vector<std::string>& folders);
    // Connects the record as step C does, then shows it (and the folders).
    void ConnectAddress(CVamloSiteInfo& site, const std::shared_ptr<CVamloSiteInfo>& created, const QString& text,
                        const std::vector<std::string>& folders);

    CAppCore* m_pApp = nullptr;
    CVamloDoc* m_pDoc = nullptr;
    CSitePasswords* m_pSitePasswords = nullptr;
    QHash<int, QAction*> m_commands;
    QHash<int, std::function<bool()>> m_enablers;
    QComboBox* m_pAddressBox = nullptr;
    QComboBox* m_pTransferModeBox = nullptr;
    QSpinBox* m_pConnectionsBox = nullptr;
    QSplitter* m_pOuterSplitter = nullptr;
    QSplitter* m_pInnerSplitter = nullptr;
    CCaptionedPane* m_pTreePane = nullptr;
    QWidget* m_pListPane = nullptr;
    CCaptionedPane* m_pLogPane = nullptr;
    CRichEditViewActionLog* m_pLogView = nullptr;
    CTreeViewSite* m_pTreeView = nullptr;
    CListViewDetail* m_pListView = nullptr;
    IEditTarget* m_pActiveEditTarget = nullptr;
    CNetActions* m_pNetActions = nullptr;
    CSiteKeepAlive* m_pKeepAlive = nullptr;
    std::unique_ptr<CEditedFiles> m_pEditedFiles;
    bool m_bSplitterSized = false;
    bool m_bShownOnce = false;
};
