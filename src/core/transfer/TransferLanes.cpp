#include "transfer/TransferLanes.h"

#include "app/AppCore.h"
#include "app/VamloDoc.h"
#include "connect/ConnectContext.h"
#include "model/SiteInfo.h"
#include "net/NetCancel.h"
#include "remote/RemoteEngine.h"
#include "transfer/TransferDriver.h"

#include <algorithm>

void CQuestionGate::Begin(int64_t file)
{
    std::lock_guard lock(m_mutex);
    m_files.insert(file);
}

void CQuestionGate::End(int64_t file)
{
    {
        std::lock_guard lock(m_mutex);
        m_files.erase(file);
    }
    m_changed.notify_all();
}

void CQuestionGate::Ask(int64_t file, const std::function<void()>& ask)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] {
        return !m_bAsking && (file == kNoFile || m_files.empty() || *m_files.begin() >= file);
    });
    m_bAsking = true;
    lock.unlock();
    ask();
    lock.lock();
    m_bAsking = false;
    lock.unlock();
    m_changed.notify_all();
}

template <typename Answer>
Answer CGatedPrompts::Gated(const std::function<Answer()>& ask)
{
    if (m_pGate == nullptr)
        return ask();
    Answer answer{};
    m_pGate->Ask(m_nFile, [&] { answer = ask(); });
    return answer;
}

MsgResult CGatedPrompts::MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon)
{
    return Gated<MsgResult>([&] { return m_inner.MessageBox(text, buttons, icon); });
}

ReplaceAnswer CGatedPrompts::AskReplace(const std::string& message1, const std::string& message2)
{
    return Gated<ReplaceAnswer>([&] { return m_inner.AskReplace(message1, message2); });
}

CertificateAnswer CGatedPrompts::AskCertificate(const std::string& text, bool changed)
{
    return Gated<CertificateAnswer>([&] { return m_inner.AskCertificate(text, changed); });
}

bool CGatedPrompts::AskSecret(const std::string& title, const std::string& text, std::string& secret)
{
    return Gated<bool>([&] { return m_inner.AskSecret(title, text, secret); });
}

namespace {

// An extra connection asks the user nothing: a certificate or host key is
// taken only when it is the one accepted for the site's own connection, and
// a failure only means one lane fewer.
class CSilentPrompts : public IPrompts {
public:
    MsgResult MessageBox(const std::string&, MsgButtons, MsgIcon) override { return MsgResult::Cancel; }
    ReplaceAnswer AskReplace(const std::string&, const std::string&) override { return {}; }
    CertificateAnswer AskCertificate(const std::string&, bool) override { return CertificateAnswer::Cancel; }
    bool AskSecret(const std::string&, const std::string&, std::string&) override { return false; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void SetStatusText(const std::string&) override {}
};

class CSilentConnect : public IConnectContext {
public:
    explicit CSilentConnect(IConnectContext& inner) : m_inner(inner) {}
    IPrompts& ConnectPrompts() override { return m_prompts; }
    std::string ConnectAgentName() override { return m_inner.ConnectAgentName(); }
    CFtpTimeouts ConnectTimeouts() override { return m_inner.ConnectTimeouts(); }
    std::string TrustedCertificatesPath() override { return m_inner.TrustedCertificatesPath(); }
    std::string KnownHostsPath() override { return m_inner.KnownHostsPath(); }
    std::string SshDirectory() override { return m_inner.SshDirectory(); }

private:
    IConnectContext& m_inner;
    CSilentPrompts m_prompts;
};

} // namespace

bool ReconnectQuietly(CVamloSiteInfo& record, IConnectContext& context)
{
    const std::string accepted = record.m_strAcceptedKey;
    record.Disconnect();
    record.m_strAcceptedKey = accepted;
    CSilentConnect silent(context);
    return record.Connect(silent) == 1;
}

struct CTransferLanes::Lane {
    CVamloSiteInfo record;
    std::unique_ptr<CTransferDriver> driver;
    std::thread thread;
};

CTransferLanes::CTransferLanes(CTransferDriver& leader, CVamloDoc& doc, CVamloSiteInfo& site, int lanes,
                               std::function<std::unique_ptr<CTransferDriver>()> makeDriver)
    : m_leader(leader), m_doc(doc), m_makeDriver(std::move(makeDriver)),
      m_nQueueLimit(2 * static_cast<size_t>(lanes)), m_nConnecting(lanes)
{
    for (int i = 0; i < lanes; ++i) {
        auto lane = std::make_unique<Lane>();
        lane->record = site;
        lane->record.m_strLinkPassword = site.m_strLinkPassword;
        lane->record.m_strAcceptedKey = site.m_strAcceptedKey;
        lane->driver = m_makeDriver();
        lane->driver->JoinAsLane(m_leader, lane->record, m_gate);
        m_lanes.push_back(std::move(lane));
    }
    for (auto& lane : m_lanes)
        lane->thread = std::thread([this, raw = lane.get()] { Run(*raw); });
}

CTransferLanes::~CTransferLanes()
{
    Drain();
    {
        std::lock_guard lock(m_mutex);
        m_bStopping = true;
    }
    m_changed.notify_all();
    for (auto& lane : m_lanes)
        lane->thread.join();
}

void CTransferLanes::Run(Lane& lane)
{
    // Cancel wakes this lane's waits as it wakes the job's.
    const CNetCancelScope cancelScope(m_doc.m_bCancelTransfer.Switch());
    const bool connected = m_doc.m_bCancelTransfer != 1 && ReconnectQuietly(lane.record, m_doc.App());
    std::unique_lock lock(m_mutex);
    --m_nConnecting;
    m_nConnected += connected ? 1 : 0;
    m_changed.notify_all();
    while (connected) {
        m_changed.wait(lock, [&] { return m_bStopping || !m_queue.empty(); });
        if (m_queue.empty())
            break;
        Queued next = std::move(m_queue.front());
        m_queue.pop_front();
        ++m_nSending;
        lock.unlock();
        m_changed.notify_all();
        next.work(*lane.driver, next.file);
        m_gate.End(next.file);
        lock.lock();
        --m_nSending;
        m_changed.notify_all();
    }
    lock.unlock();
    lane.driver.reset();
    lane.record.Disconnect();
}

std::optional<CTransferLanes::Queued> CTransferLanes::TakeForLeader(bool always)
{
    std::lock_guard lock(m_mutex);
    const bool noLanes = m_nConnecting == 0 && m_nConnected == 0;
    if (m_queue.empty() || !(always || noLanes || m_queue.size() > m_nQueueLimit))
        return std::nullopt;
    Queued oldest = std::move(m_queue.front());
    m_queue.pop_front();
    return oldest;
}

void CTransferLanes::Queue(Work work)
{
    const int64_t file = m_nNextFile++;
    m_gate.Begin(file);
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back({file, std::move(work)});
    }
    m_changed.notify_all();
    while (std::optional<Queued> oldest = TakeForLeader(false)) {
        oldest->work(m_leader, oldest->file);
        m_gate.End(oldest->file);
    }
}

void CTransferLanes::Drain()
{
    for (;;) {
        // What is still queued goes out here too, beside the lanes.
        while (std::optional<Queued> oldest = TakeForLeader(true)) {
            oldest->work(m_leader, oldest->file);
            m_gate.End(oldest->file);
        }
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_nSending == 0 || !m_queue.empty(); });
        if (m_queue.empty() && m_nSending == 0)
            return;
    }
}

