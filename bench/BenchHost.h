#pragma once

#include "app/AppCore.h"
#include "app/Prompts.h"
#include "app/Settings.h"
#include "log/LogViewSink.h"
#include "transfer/StatusDialog.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CVamloDoc;
class CVamloSiteInfo;

// The parts of the program that stand where its windows would be: nothing
// here may cost more than the GUI's own counterpart, or the benchmark would
// measure the stand-in instead of the engine.

// Answers Yes (and Yes to All for a replace question) and keeps every text,
// so that a run which had something to say counts as failed.
class CBenchPrompts : public IPrompts {
public:
    MsgResult MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon) override;
    ReplaceAnswer AskReplace(const std::string& message1, const std::string& message2) override;
    // The benchmark's server has a certificate of its own making.
    CertificateAnswer AskCertificate(const std::string&, bool) override { return CertificateAnswer::AcceptOnce; }
    // The benchmark's keys have no passphrase.
    bool AskSecret(const std::string&, const std::string&, std::string&) override { return false; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void SetStatusText(const std::string&) override {}

    std::vector<std::string> TakeTexts();

private:
    std::mutex m_mutex;
    std::vector<std::string> m_texts;
};

// A Status window that only counts the calls it gets.
class CCountingStatusDialogFactory : public IStatusDialogFactory {
public:
    std::unique_ptr<IStatusDialog> CreateStatusDialog(const std::string& title,
                                                      CTransferCancel* cancelFlag, bool shown) override;
    std::atomic<int64_t> m_nCalls{0};
};

// The log view: the document still builds every line; the view only counts.
class CCountingLogView : public ILogViewSink {
public:
    void SetLogText(const std::string& wholeText) override { m_nBytes = wholeText.size(); }
    void AppendLogText(const std::string& text) override { m_nBytes += text.size(); }
    std::atomic<size_t> m_nBytes{0};
};

class CBenchSettings : public ISettingsStore {
public:
    bool OpenKey() override { return false; }   // defaults, nothing stored
    std::optional<std::string> ReadValue(const std::string&) override { return std::nullopt; }
    bool WriteValue(const std::string&, const std::string&) override { return false; }
};

struct BenchServer {
    std::string strHost = "127.0.0.1";
    uint16_t nPort = 0;
    std::string strUser = "anonymous";
    std::string strPassword = "bench@example.com";
    bool bTls = false;   // ftpes://: explicit TLS on the control and data connections
    bool bPassive = false;   // passive data connections instead of Vamlo's active default
    bool bSftp = false;      // sftp://: an SSH server, logged on to with the agent's key
};

// One headless Vamlo: the document, one site record, and the whole Get or
// Put action as Paste starts it. Every call logs on anew first, as each run
// of a command-line client does, and fails with the reason in `error` when
// the action reported anything or moved fewer files than expected.
class CVamloBenchClient {
public:
    CVamloBenchClient(const BenchServer& server, const std::string& homeFolder);
    ~CVamloBenchClient();
    CVamloBenchClient(const CVamloBenchClient&) = delete;
    CVamloBenchClient& operator=(const CVamloBenchClient&) = delete;

    // Drops the connection; callers do it before the clock starts.
    void Disconnect();
    // How many connections to the site one transfer may use from now on.
    void SetTransferConnections(int connections) { m_app.m_nTransferConnections = connections; }

    bool Get(const std::string& remotePath, bool isFolder, const std::string& localFolder, int64_t expectedFiles,
             std::string& error);
    bool Put(const std::string& localPath, bool isFolder, const std::string& remoteFolder, int64_t expectedFiles,
             std::string& error);
    // Copies a remote folder into another remote folder as a Paste between
    // two sites does: the source and the target are two site records of the
    // same server, each with its own connection.
    bool RemoteCopy(const std::string& remotePath, bool isFolder, const std::string& remoteFolder,
                    int64_t expectedFiles, std::string& error);
    // Lists a remote folder as a pane does; `entries` leaves out "." and "..".
    bool List(const std::string& remoteFolder, int64_t& entries, std::string& error);
    // Deletes a remote folder and everything in it, as the panes' Delete does.
    bool DeleteFolder(const std::string& remoteFolder, std::string& error);

private:
    bool Connect(std::string& error);
    bool RunAction(bool get, const std::string& path, bool isFolder, const std::string& into, int64_t expected,
                   std::string& error);
    bool NothingReported(std::string& error);

    CBenchPrompts m_prompts;
    CBenchSettings m_settings;
    CCountingStatusDialogFactory m_statusFactory;
    CCountingLogView m_logView;
    CAppCore m_app;
    bool m_bPassive = false;
    std::unique_ptr<CVamloSiteInfo> m_pSite;
    std::unique_ptr<CVamloSiteInfo> m_pTargetSite;
    std::unique_ptr<CVamloDoc> m_pDoc;
};
