#pragma once

#include "app/Prompts.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

class CTransferDriver;
class CVamloDoc;
class IConnectContext;
class CVamloSiteInfo;

// The order in which the files of one job may ask the user something: a
// file asks only once every file handed out before it has ended, so that
// questions come one at a time and in the order of the files. Questions
// that belong to no file wait only for the one being asked.
class CQuestionGate {
public:
    static constexpr int64_t kNoFile = -1;

    void Begin(int64_t file);
    void End(int64_t file);
    // Runs ask when file's turn has come (at once for kNoFile), one at a time.
    void Ask(int64_t file, const std::function<void()>& ask);

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::set<int64_t> m_files;   // handed out and not yet ended
    bool m_bAsking = false;
};

// The prompts of a driver that sends files beside others: every question
// passes the job's gate with the file the driver is sending. Without a gate
// it only passes the questions on.
class CGatedPrompts : public IPrompts {
public:
    explicit CGatedPrompts(IPrompts& inner) : m_inner(inner) {}
    void SetGate(CQuestionGate* gate) { m_pGate = gate; }
    void SetFile(int64_t file) { m_nFile = file; }

    MsgResult MessageBox(const std::string& text, MsgButtons buttons = MsgButtons::Ok,
                         MsgIcon icon = MsgIcon::None) override;
    ReplaceAnswer AskReplace(const std::string& message1, const std::string& message2) override;
    CertificateAnswer AskCertificate(const std::string& text, bool changed) override;
    bool AskSecret(const std::string& title, const std::string& text, std::string& secret) override;
    void BeginWaitCursor() override { m_inner.BeginWaitCursor(); }
    void EndWaitCursor() override { m_inner.EndWaitCursor(); }
    void SetStatusText(const std::string& text) override { m_inner.SetStatusText(text); }

private:
    template <typename Answer>
    Answer Gated(const std::function<Answer()>& ask);

    IPrompts& m_inner;
    CQuestionGate* m_pGate = nullptr;
    int64_t m_nFile = CQuestionGate::kNoFile;
};

// Connects the record again asking the user nothing (see CTransferLanes).
bool ReconnectQuietly(CVamloSiteInfo& record, IConnectContext& context);

// The extra connections of one transfer job. Each lane logs on to the site
// on a record of its own, the way the site's own connection did but asking
// nothing (a server that refuses more connections leaves fewer lanes), and
// then sends files from the job's queue with a driver of its own. The job's
// thread fills the queue in the order of the walk, and sends a file itself
// only when the queue is full or there is no lane to send it.
class CTransferLanes {
public:
    // Sends one file on the driver given; file: its place in the job's order.
    using Work = std::function<void(CTransferDriver& driver, int64_t file)>;

    // lanes: how many extra connections to open; makeDriver makes each
    // lane's driver.
    CTransferLanes(CTransferDriver& leader, CVamloDoc& doc, CVamloSiteInfo& site, int lanes,
                   std::function<std::unique_ptr<CTransferDriver>()> makeDriver);
    ~CTransferLanes();   // sends what is queued, waits for the lanes' files, closes them
    CTransferLanes(const CTransferLanes&) = delete;
    CTransferLanes& operator=(const CTransferLanes&) = delete;

    CQuestionGate& Gate() { return m_gate; }
    // Queues the walk's next file; when the queue is full, or no lane is
    // there to take it, the caller's thread sends the oldest one itself.
    void Queue(Work work);
    // Sends what is queued (here too) and waits until every file has ended.
    void Drain();

private:
    struct Lane;
    struct Queued {
        int64_t file;
        Work work;
    };
    void Run(Lane& lane);
    // The oldest queued file, for the job's own thread when the lanes
    // cannot keep up (always: true) or there are none.
    std::optional<Queued> TakeForLeader(bool always);

    CTransferDriver& m_leader;
    CVamloDoc& m_doc;
    std::function<std::unique_ptr<CTransferDriver>()> m_makeDriver;
    CQuestionGate m_gate;
    int64_t m_nNextFile = 0;
    size_t m_nQueueLimit;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Queued> m_queue;
    int m_nSending = 0;       // files the lanes are sending
    int m_nConnecting = 0;    // lanes still logging on
    int m_nConnected = 0;
    bool m_bStopping = false;
    std::vector<std::unique_ptr<Lane>> m_lanes;
};
