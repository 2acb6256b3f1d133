#pragma once

#include "app/Prompts.h"
#include "connect/ConnectContext.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <list>
#include <memory>

class CAppCore;
class CNetCancel;
class CVamloSiteInfo;
class QWidget;

// What the work of a short network action has on its worker thread: the
// site (its in-use lock held), prompts and a connect context whose questions
// and status texts are shown by the GUI thread, and the cancel switch.
struct NetActionContext {
    CVamloSiteInfo* site;
    IPrompts& prompts;
    IConnectContext& connect;
    CNetCancel& cancel;
};

enum class NetActionEnd {
    Done,       // the work ran (it may have failed: its own results say so)
    Canceled,   // the user pressed Cancel; the site's connection was dropped
    Busy,       // a transfer held the site; nothing ran
};

// The short network actions started from the window: connect, log on,
// listings for the tree and the list. The GUI thread never waits on a socket:
// the work runs on a worker of its own while the window keeps painting, with
// the wait cursor, a status text, and after a moment a small window with
// Cancel. The result is handed back to the GUI thread.
//
// How they share a site with transfers: a site has one user at a time, its
// in-use lock. A transfer holds it for its whole action; a short action holds
// it on its worker for its work. The GUI thread never holds it and never
// waits for it: a command that would touch a site in use (by a transfer or
// by a short action) is refused with the busy message.
class CNetActions : public QObject {
    Q_OBJECT

public:
    using Work = std::function<void(NetActionContext&)>;
    using Done = std::function<void(NetActionEnd)>;

    static constexpr int kProgressDelayMs = 300;
    static constexpr int kProgressTextWidth = 500;   // pixels

    using ShowStatus = std::function<void(const QString&)>;
    // showStatus puts the workers' status texts on the window's status bar.
    CNetActions(CAppCore& app, QWidget* window, ShowStatus showStatus);
    ~CNetActions() override;

    // Starts work on the site. False, after the busy message, when the site
    // is in use; done is then not called. done runs on the GUI thread after
    // the work, unless the actions are shut down first.
    bool Start(CVamloSiteInfo* site, const QString& doing, Work work, Done done);
    // Start for a read (a folder for the tree or the list): while another
    // short action holds the site, the read waits for it instead of being
    // refused, and a later read with the same doing text takes the place of
    // one still waiting. Only a transfer makes the site busy for it.
    bool StartRead(CVamloSiteInfo* site, const QString& doing, Work work, Done done);
    // Start for background upkeep (a keep-alive): no cursor, status text or
    // Cancel window, and a site in use is left alone without a word (false).
    // While it runs, other actions on the site wait for it.
    bool StartQuiet(CVamloSiteInfo* site, Work work, Done done);

    // A short action, or a transfer, holds the site (the GUI thread only).
    bool IsSiteBusy(const CVamloSiteInfo* site) const;
    // countQuiet false: only the actions the user started count.
    bool HasActionOn(const CVamloSiteInfo* site, bool countQuiet = true) const;
    bool IsIdle() const { return m_running.empty(); }
    void ShowBusyMessage(const CVamloSiteInfo* site);
    void CancelAll();
    // Cancels everything and waits (serving the workers' questions) until
    // every worker has ended; their done calls are dropped.
    void Shutdown();

signals:
    void BecameIdle();
    // An action on the site has ended and its done has run.
    void SiteActionEnded(CVamloSiteInfo* site);

private:
    struct Running;
    struct Waiting {
        CVamloSiteInfo* site;
        QString doing;
        Work work;
        Done done;
    };
    void Launch(CVamloSiteInfo* site, const QString& doing, Work work, Done done, bool quiet = false);
    // The wait cursor, the status text and, after a moment, the Cancel window.
    void ShowProgress(Running* running);
    void StartWorker(Running* running, Work work);
    void Finish(Running* running);
    // Starts the reads that waited for a site now free.
    void StartWaiting();
    // What an ended action leaves: its worker joined, its timer, Cancel
    // window and wait cursor gone.
    void Release(Running& running);

    CAppCore& m_app;
    QPointer<QWidget> m_window;
    std::list<std::unique_ptr<Running>> m_running;
    std::list<Waiting> m_waiting;
    ShowStatus m_showStatus;
    bool m_bShutDown = false;
};
