#include "ftp/InternetSession.h"

#include "ftp/FtpConnection.h"
#include "net/NetErrors.h"
#include "ftp/FtpLogon.h"
#include "ftp/FtpSession.h"

namespace {
constexpr uint16_t kDefaultFtpPort = 21;
}

CInternetSession::CInternetSession(std::string agentName, uint32_t context)
    : m_strAgentName(std::move(agentName)), m_nContext(context)
{
}

void CInternetSession::Close() { m_bClosed = true; }

std::shared_ptr<CFtpConnection> CInternetSession::GetFtpConnection(const std::string& server, const std::string& user,
    const std::string& password, uint16_t port, bool passive, CInternetException& error,
    const FtpLogonSecurity& security)
{
    NetStatus status = m_bClosed ? NetStatus::Error(ERROR_INTERNET_INCORRECT_HANDLE_STATE) : NetStatus::Success();
    auto session = std::make_shared<FtpSession>();
    session->bPassive = passive;
    if (status)
        status = LogOn(*session, server, port == 0 ? kDefaultFtpPort : port, user, password, m_timeouts, security);
    if (!status) {
        PublishStatus(status);
        // A refused login is best explained by the server's own words.
        std::string message = status.code == ERROR_INTERNET_LOGIN_FAILURE && !status.response.empty()
            ? status.response
            : GetSystemErrorText(status.code);
        if (HasDetailText(status.code) && !status.response.empty())
            message = message.substr(0, message.find_last_not_of('\n') + 1) + ": " + status.response;
        error = CInternetException(status.code, std::move(message));
        return nullptr;
    }
    error = CInternetException();
    return std::make_shared<CFtpConnection>(std::move(session));
}
