#pragma once

#include "app/Prompts.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
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
// then sends the files it is handed with a driver of its own. The job's own
// thread sends a file itself when every lane is busy.
class CTransferLanes {
public:
    using Work = std::function<void(CTransferDriver& lane)>;

    // lanes: how many extra connections to open; makeDriver makes each
    // lane's driver.
    CTransferLanes(CTransferDriver& leader, CVamloDoc& doc, CVamloSiteInfo& site, int lanes,
                   std::function<std::unique_ptr<CTransferDriver>()> makeDriver);
    ~CTransferLanes();   // waits for the lanes' files, then closes them
    CTransferLanes(const CTransferLanes&) = delete;
    CTransferLanes& operator=(const CTransferLanes&) = delete;

    CQuestionGate& Gate() { return m_gate; }
    // The next file's place in the job's order.
    int64_t NextFile() { return m_nNextFile++; }
    // Hands the file to an idle lane; false when none is idle.
    bool TryHand(int64_t file, Work work);
    // Waits until every file handed out has ended.
    void Drain();
    // The lanes that logged on.
    int Connected() const;

private:
    struct Lane;
    void Run(Lane& lane);

    CTransferDriver& m_leader;
    CVamloDoc& m_doc;
    CVamloSiteInfo& m_site;
    std::function<std::unique_ptr<CTransferDriver>()> m_makeDriver;
    CQuestionGate m_gate;
    int64_t m_nNextFile = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_bStopping = false;
    int m_nConnected = 0;
    std::vector<std::unique_ptr<Lane>> m_lanes;
};
