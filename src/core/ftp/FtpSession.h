#pragma once

#include "ftp/FtpControlChannel.h"
#include "net/NetFlags.h"
#include "ftp/FtpReply.h"
#include "net/NetStatus.h"

#include <string>
#include <string_view>

// What the server announced in its FEAT reply.
struct FtpFeatures {
    bool bUtf8 = false;
    bool bMlst = false;   // MLST, and with it MLSD
    bool bEpsv = false;
    bool bEprt = false;
    bool bSize = false;
    bool bMdtm = false;
    bool bMfmt = false;   // sets a file's modification time
    bool bAuthTls = false;   // the server offers to encrypt the connection
    bool bHashSha256 = false;   // HASH can give a file's SHA-256
    bool bUnixModeOff = false;  // MLST offers unix.mode but does not list it yet
};

FtpFeatures ParseFeatReply(const FtpReply& reply);
// The directory quoted in a 257 reply; a doubled quote inside is one quote.
bool ParsePwdReply(const FtpReply& reply, std::string& directory);

// The state of one logged-on FTP connection, shared by the connection object
// and the files and searches opened on it. Used by one thread at a time.
class FtpSession {
public:
    FtpControlChannel control;
    FtpFeatures features;
    std::string serverName;
    bool bPassive = false;
    bool bEprtRefused = false;   // fall straight to PORT
    bool bEpsvRefused = false;   // fall straight to PASV
    bool bHashSha256Chosen = false;   // OPTS HASH SHA-256 was accepted
    bool bTransferOpen = false;  // an internet file owns the control connection
    const void* pOpenSearch = nullptr;

    // Fails when the connection is gone or a transfer owns it.
    NetStatus Ready() const;
    // Sends a command and expects a reply of the given class (2 or 3).
    NetStatus Expect(std::string_view command, int expectedClass, FtpReply* reply = nullptr);

    NetStatus ChangeDirectory(const std::string& directory);
    NetStatus PrintDirectory(std::string& directory);
    // TYPE A or TYPE I, sent only when it changes.
    NetStatus SetType(char type);
    char CurrentType() const { return m_cType; }
    // After a transfer was cut short: ABOR, then NOOP, and read replies until
    // the NOOP's, so that no stale reply is taken for a later command's.
    // Breaks the connection when that does not happen within budgetMs.
    bool AbortAndResync(int budgetMs);
    // QUIT with a short bound, then close.
    void Quit();
    // QUIT sent without waiting for the socket or the reply, then close: for
    // the GUI thread, which must not wait on the network.
    void QuitWithoutWaiting();
    // Forget the cached directory and type (after a failure or reconnect).
    void ForgetCaches();
    void ForgetDirectory() { m_strDirectory.clear(); }
    // The current directory as far as it is known for sure ("" = unknown).
    const std::string& KnownDirectory() const { return m_strDirectory; }

private:
    std::string m_strDirectory;   // last known current directory ("" = unknown)
    char m_cType = 0;             // last TYPE sent (0 = unknown)
};
