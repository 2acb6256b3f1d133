#include "net/NetActions.h"

#include "app/AppCore.h"
#include "app/SiteManagerChanges.h"
#include "net/NetCancel.h"
#include "model/SiteInfo.h"
#include "services/GuiPrompts.h"
#include "transfer/QuestionParent.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMainWindow>
#include <QMetaObject>
#include <QProgressDialog>
#include <QStatusBar>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

// The prompts of a worker: questions wait for the GUI thread's answer, status
// texts are posted (the worker goes on at once). asking counts, on the GUI
// thread, the questions that are up.
class CGuiThreadPrompts : public IPrompts {
public:
    CGuiThreadPrompts(IPrompts& inner, QObject* context, std::function<void(const QString&)> showStatus, int& asking)
        : m_inner(inner), m_context(context), m_showStatus(std::move(showStatus)), m_asking(asking)
    {
    }

    MsgResult MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon) override
    {
        MsgResult result = MsgResult::Cancel;
        Ask([&] { result = m_inner.MessageBox(text, buttons, icon); });
        return result;
    }
    ReplaceAnswer AskReplace(const std::string& message1, const std::string& message2) override
    {
        ReplaceAnswer answer;
        Ask([&] { answer = m_inner.AskReplace(message1, message2); });
        return answer;
    }
    CertificateAnswer AskCertificate(const std::string& text, bool changed) override
    {
        CertificateAnswer answer = CertificateAnswer::Cancel;
        Ask([&] { answer = m_inner.AskCertificate(text, changed); });
        return answer;
    }
    bool AskSecret(const std::string& title, const std::string& text, std::string& secret) override
    {
        bool accepted = false;
        Ask([&] { accepted = m_inner.AskSecret(title, text, secret); });
        return accepted;
    }
    // The action shows the wait cursor for its whole length.
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void SetStatusText(const std::string& text) override
    {
        QMetaObject::invokeMethod(
            m_context, [show = m_showStatus, text = QString::fromStdString(text)] { show(text); },
            Qt::QueuedConnection);
    }

private:
    void Ask(const std::function<void()>& question)
    {
        RunOnGuiThread([&] {
            ++m_asking;
            question();
            --m_asking;
        });
    }

    IPrompts& m_inner;
    QObject* m_context;
    std::function<void(const QString&)> m_showStatus;
    int& m_asking;
};

class CGuiThreadConnectContext : public IConnectContext {
public:
    CGuiThreadConnectContext(IConnectContext& inner, IPrompts& prompts)
        : m_inner(inner), m_agent(inner.ConnectAgentName()), m_timeouts(inner.ConnectTimeouts()),
          m_trustedPath(inner.TrustedCertificatesPath()), m_knownHostsPath(inner.KnownHostsPath()),
          m_sshDir(inner.SshDirectory()), m_prompts(prompts)
    {
    }
    IPrompts& ConnectPrompts() override { return m_prompts; }
    std::string ConnectAgentName() override { return m_agent; }
    CFtpTimeouts ConnectTimeouts() override { return m_timeouts; }
    std::string TrustedCertificatesPath() override { return m_trustedPath; }
    std::string KnownHostsPath() override { return m_knownHostsPath; }
    std::string SshDirectory() override { return m_sshDir; }
    // The log is guarded: any thread may write to it.
    void ConnectLog(const std::string& text) override { m_inner.ConnectLog(text); }

private:
    IConnectContext& m_inner;
    std::string m_agent;
    CFtpTimeouts m_timeouts;
    std::string m_trustedPath;
    std::string m_knownHostsPath;
    std::string m_sshDir;
    IPrompts& m_prompts;
};

// The small Cancel window may hold the focus while a message box runs its
// loop over it; deleted there, the box's return would hand the focus back to
// a dead widget. Hidden now, it goes once the loop that deleted it is back.
void DropProgress(QProgressDialog* progress)
{
    if (progress == nullptr)
        return;
    progress->hide();
    progress->deleteLater();
}

} // namespace

struct CNetActions::Running {
    CVamloSiteInfo* site = nullptr;
    CNetCancel cancel;
    std::unique_ptr<CGuiThreadPrompts> prompts;
    std::unique_ptr<CGuiThreadConnectContext> connect;
    Done done;
    std::thread worker;
    std::atomic<bool> finished{false};
    bool busy = false;
    bool quiet = false;
    int asking = 0;   // questions of the worker that are up
    QString doing;
    QPointer<QProgressDialog> progress;
    QPointer<QTimer> timer;
};

CNetActions::CNetActions(CAppCore& app, QWidget* window, ShowStatus showStatus)
    : QObject(window), m_app(app), m_window(window), m_showStatus(std::move(showStatus))
{
}

CNetActions::~CNetActions() { Shutdown(); }

bool CNetActions::HasActionOn(const CVamloSiteInfo* site, bool countQuiet) const
{
    for (const auto& running : m_running)
        if (running->site == site && (countQuiet || !running->quiet))
            return true;
    return false;
}

bool CNetActions::IsSiteBusy(const CVamloSiteInfo* site) const
{
    if (site == nullptr)
        return false;
    if (HasActionOn(site))
        return true;
    return const_cast<CVamloSiteInfo*>(site)->IsInUse();
}

void CNetActions::ShowBusyMessage(const CVamloSiteInfo* site)
{
    m_app.Prompts().MessageBox(SiteBusyMessage(site->m_strAddress), MsgButtons::Ok, MsgIcon::Information);
}

bool CNetActions::Start(CVamloSiteInfo* site, const QString& doing, Work work, Done done)
{
    if (site == nullptr || m_bShutDown)
        return false;
    // Upkeep is never a reason to refuse the user: the action waits for it.
    if (HasActionOn(site) && !HasActionOn(site, false)) {
        m_waiting.push_back({site, doing, std::move(work), std::move(done)});
        return true;
    }
    if (IsSiteBusy(site)) {
        ShowBusyMessage(site);
        return false;
    }
    Launch(site, doing, std::move(work), std::move(done));
    return true;
}

bool CNetActions::StartQuiet(CVamloSiteInfo* site, Work work, Done done)
{
    if (site == nullptr || m_bShutDown || IsSiteBusy(site))
        return false;
    Launch(site, QString(), std::move(work), std::move(done), true);
    return true;
}

bool CNetActions::StartRead(CVamloSiteInfo* site, const QString& doing, Work work, Done done)
{
    if (site == nullptr || m_bShutDown)
        return false;
    if (!HasActionOn(site))
        return Start(site, doing, std::move(work), std::move(done));
    for (Waiting& waiting : m_waiting) {
        if (waiting.site == site && waiting.doing == doing) {
            waiting.work = std::move(work);
            waiting.done = std::move(done);
            return true;
        }
    }
    m_waiting.push_back({site, doing, std::move(work), std::move(done)});
    return true;
}

void CNetActions::StartWaiting()
{
    for (auto it = m_waiting.begin(); it != m_waiting.end() && !m_bShutDown;) {
        if (HasActionOn(it->site)) {
            ++it;
            continue;
        }
        Waiting waiting = std::move(*it);
        it = m_waiting.erase(it);
        // A transfer that took the site meanwhile refuses it here, once.
        Start(waiting.site, waiting.doing, std::move(waiting.work), std::move(waiting.done));
    }
}

void CNetActions::Launch(CVamloSiteInfo* site, const QString& doing, Work work, Done done, bool quiet)
{
    auto running = std::make_unique<Running>();
    Running* raw = running.get();
    raw->site = site;
    raw->doing = doing;
    raw->quiet = quiet;
    raw->prompts = std::make_unique<CGuiThreadPrompts>(m_app.Prompts(), this, m_showStatus, raw->asking);
    raw->connect = std::make_unique<CGuiThreadConnectContext>(m_app, *raw->prompts);
    raw->done = std::move(done);
    m_running.push_back(std::move(running));
    if (!quiet)
        ShowProgress(raw);
    StartWorker(raw, std::move(work));
}

void CNetActions::ShowProgress(Running* raw)
{
    const QString doing = raw->doing;
    m_app.Prompts().BeginWaitCursor();
    m_showStatus(doing);
    raw->timer = new QTimer(this);
    raw->timer->setSingleShot(true);
    connect(raw->timer, &QTimer::timeout, this, [this, raw, doing] {
        // A question of the worker is up (a connect that failed at once
        // says so): the window with Cancel waits until it is answered.
        if (raw->asking > 0) {
            raw->timer->start(kProgressDelayMs);
            return;
        }
        // Above a running transfer's Status window, which stays on top.
        auto* progress = new QProgressDialog(QString(), QStringLiteral("Cancel"), 0, 0, QuestionParent(m_window));
        // A long address must not widen the window past the screen.
        progress->setLabelText(progress->fontMetrics().elidedText(doing, Qt::ElideRight, kProgressTextWidth));
        KeepAboveParent(progress);
        progress->setObjectName(QStringLiteral("NetActionProgress"));
        progress->setWindowTitle(QStringLiteral("Vamlo"));
        progress->setWindowModality(Qt::NonModal);   // other sites and local folders stay usable
        progress->setAutoClose(false);
        progress->setAutoReset(false);
        progress->setMinimumDuration(0);
        connect(progress, &QProgressDialog::canceled, this, [raw] { raw->cancel.Cancel(); });
        raw->progress = progress;
        progress->show();
    });
    raw->timer->start(kProgressDelayMs);
}

void CNetActions::StartWorker(Running* raw, Work work)
{
    QPointer<CNetActions> self(this);
    raw->worker = std::thread([self, raw, work = std::move(work)] {
        {
            CNetCancelScope scope(raw->cancel);
            std::unique_lock<std::mutex> inUse(raw->site->m_mutexInUse, std::try_to_lock);
            if (!inUse.owns_lock()) {
                raw->busy = true;
            } else {
                NetActionContext context{raw->site, *raw->prompts, *raw->connect, raw->cancel};
                work(context);
                // A step cut short leaves the control connection out of step
                // with the server: it is not used again.
                if (raw->cancel.IsCanceled())
                    raw->site->Disconnect();
            }
        }
        raw->finished = true;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, raw] {
                if (self)
                    self->Finish(raw);
            },
            Qt::QueuedConnection);
    });
}

void CNetActions::Finish(Running* raw)
{
    auto found = std::find_if(m_running.begin(), m_running.end(), [raw](const auto& r) { return r.get() == raw; });
    if (found == m_running.end())
        return;
    std::unique_ptr<Running> running = std::move(*found);
    m_running.erase(found);
    Release(*running);
    const NetActionEnd end = running->busy                     ? NetActionEnd::Busy
                             : running->cancel.IsCanceled() ? NetActionEnd::Canceled
                                                            : NetActionEnd::Done;
    // Ended: what it started with must not stay on the status bar as if it
    // went on.
    auto* frame = qobject_cast<QMainWindow*>(m_window.data());
    if (frame != nullptr && !running->quiet && frame->statusBar()->currentMessage() == running->doing)
        m_showStatus(QStringLiteral("Ready"));
    if (end == NetActionEnd::Busy && !running->quiet)
        ShowBusyMessage(running->site);
    // Cancel ends the site's work: reads waiting for it would only ask to reconnect.
    if (end == NetActionEnd::Canceled)
        m_waiting.remove_if([site = running->site](const Waiting& waiting) { return waiting.site == site; });
    if (running->done && !m_bShutDown)
        running->done(end);
    if (!m_bShutDown)
        emit SiteActionEnded(running->site);
    StartWaiting();
    if (m_running.empty())
        emit BecameIdle();
}

void CNetActions::Release(Running& running)
{
    if (running.worker.joinable())
        running.worker.join();
    delete running.timer;
    DropProgress(running.progress);
    if (!running.quiet)
        m_app.Prompts().EndWaitCursor();
}

void CNetActions::CancelAll()
{
    for (const auto& running : m_running)
        running->cancel.Cancel();
}

void CNetActions::Shutdown()
{
    m_bShutDown = true;
    CancelAll();
    // The workers may be asking the GUI thread something: serve them until
    // every one has ended. Their waits end at once on the cancel switch.
    const QDeadlineTimer limit(30000);
    while (!m_running.empty()) {
        bool allFinished = true;
        for (const auto& running : m_running)
            allFinished = allFinished && running->finished.load();
        if (allFinished || limit.hasExpired())
            break;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    for (auto& running : m_running)
        Release(*running);
    m_running.clear();
    m_waiting.clear();
}
