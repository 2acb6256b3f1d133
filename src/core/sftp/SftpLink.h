#pragma once

// The SFTP room's own pieces, shared by its source files.
#include "net/NetFlags.h"
#include "net/NetStatus.h"
#include "net/Socket.h"

#include <libssh/libssh.h>
#include <libssh/sftp.h>

#include <memory>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

// libssh's calls block inside the library, where no cancel switch reaches.
// This watcher bounds each of them from outside: while a step is armed it
// cuts the connection's socket when the step's time runs out, and the
// blocked call fails at once. A thrown switch leaves the step a second to
// end, as an FTP transfer gets to abort, so that a Cancel between requests
// keeps the connection; a server that does not answer in that time loses
// it, and the site reconnects for its next action.
class CSshWatch {
public:
    explicit CSshWatch(int socketFd);
    ~CSshWatch();
    CSshWatch(const CSshWatch&) = delete;
    CSshWatch& operator=(const CSshWatch&) = delete;

    // For one step of the calling thread, bounded by timeoutMs.
    void Arm(int timeoutMs);
    void Disarm();
    // 0, ERROR_INTERNET_TIMEOUT or ERROR_INTERNET_OPERATION_CANCELLED once cut.
    int CutReason() const { return m_cut.load(); }
    // Milliseconds since the last step was armed (or the watch was made).
    int64_t IdleMs() const { return NowMs() - m_lastStepMs.load(); }
    void Cut(int reason);

private:
    void Run();
    void Wake();
    void GraceLocked();   // the switch was thrown: the step ends soon

    static int64_t NowMs()
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    static constexpr int kCancelGraceMs = 1000;

    int m_socket;
    UniqueFd m_wake;
    std::mutex m_mutex;
    bool m_bArmed = false;
    bool m_bStop = false;
    bool m_bCanceled = false;
    int m_cancelFd = -1;
    std::chrono::steady_clock::time_point m_end;
    std::atomic<int> m_cut{0};
    std::atomic<int64_t> m_lastStepMs{NowMs()};
    std::thread m_thread;
};

// One armed step: fails at once when the action is already canceled.
class CSshStep {
public:
    CSshStep(CSshWatch& watch, int timeoutMs);
    ~CSshStep() { m_watch.Disarm(); }
    CSshStep(const CSshStep&) = delete;
    CSshStep& operator=(const CSshStep&) = delete;

private:
    CSshWatch& m_watch;
};

// The SSH session with its SFTP channel, owned by one connection.
struct CSftpLink {
    ssh_session ssh = nullptr;
    sftp_session sftp = nullptr;
    std::unique_ptr<CSshWatch> watch;
    CFtpTimeouts timeouts;
    std::string host;   // as the address named it
    bool bBroken = false;

    CSftpLink() = default;
    ~CSftpLink();
    CSftpLink(const CSftpLink&) = delete;
    CSftpLink& operator=(const CSftpLink&) = delete;

    // Why the last libssh call failed: the cut, a lost connection (after
    // which the link is broken) or the server's SFTP status.
    NetStatus Failure();
    // Ends the session; waitForServer false drops it without a farewell.
    void Shut(bool waitForServer);
};

// The engine's code and text of a failed connection step, for "Cause: ...".
std::string SshFailureText(int code, ssh_session ssh);

class IRemoteConnection;
// The connection over a logged-on link whose SFTP channel is open; paths
// that are not absolute are taken from folder.
std::shared_ptr<IRemoteConnection> MakeSftpConnection(std::unique_ptr<CSftpLink> link, std::string folder);
