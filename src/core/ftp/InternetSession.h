#pragma once

#include "net/NetFlags.h"
#include "ftp/FtpLogon.h"
#include "net/InternetException.h"

#include <cstdint>
#include <memory>
#include <string>

class CFtpConnection;

// Opens FTP connections with one agent name and one set of time-outs.
class CInternetSession {
public:
    explicit CInternetSession(std::string agentName, uint32_t context = 1);

    // Connects and logs on (see LogOn). Null on failure, with error filled:
    // the server's reply for a refused login, else the failure's text.
    // Port 0 means the FTP default, 21.
    std::shared_ptr<CFtpConnection> GetFtpConnection(const std::string& server, const std::string& user,
        const std::string& password, uint16_t port, bool passive, CInternetException& error,
        const FtpLogonSecurity& security = {});

    // Later GetFtpConnection calls fail; connections already made stay theirs
    // to close (another thread may be using one).
    void Close();
    // Applies to connections made afterwards.
    void SetTimeouts(const CFtpTimeouts& timeouts) { m_timeouts = timeouts; }
    const CFtpTimeouts& GetTimeouts() const { return m_timeouts; }
    const std::string& GetAgentName() const { return m_strAgentName; }
    uint32_t GetContext() const { return m_nContext; }

private:
    std::string m_strAgentName;
    uint32_t m_nContext = 1;
    CFtpTimeouts m_timeouts;
    bool m_bClosed = false;
};
