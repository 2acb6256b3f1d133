// Connecting, disconnecting and reconnecting a site record.
#include "ftp/CertificateTrust.h"
#include "connect/ConnectContext.h"
#include "ftp/FtpConnection.h"
#include "ftp/InternetSession.h"
#include "connect/SitePort.h"
#include "connect/UrlParser.h"
#include "model/SiteInfo.h"
#include "sftp/SftpConnection.h"

int CVamloSiteInfo::Connect(IConnectContext& context)
{
    IPrompts& prompts = context.ConnectPrompts();
    std::string working;
    std::optional<ParsedUrl> url = ParseSiteAddress(m_strAddress, &working);
    if (!url) {
        prompts.MessageBox("The ftp site address \"" + working +
                               "\" is invalid.\nPlease make sure the ftp site address is correct.",
                           MsgButtons::Ok, MsgIcon::Error);
        return 0;
    }
    // The record keeps the form that parsed, with the scheme in front. Only
    // a change is written: the GUI thread may be reading the address while a
    // transfer reconnects the site.
    if (m_strAddress != working)
        m_strAddress = working;

    // An address without a port would otherwise silently ignore the port the
    // user gave in the site's Port field.
    const uint16_t port = SiteConnectionPort(*url, m_strPort);

    if (url->IsSftp())
        return ConnectSftpSite(context, working, port);

    m_pSession = std::make_shared<CInternetSession>(context.ConnectAgentName(), 1);
    m_pSession->SetTimeouts(context.ConnectTimeouts());
    FtpLogonSecurity security;
    if (url->IsEncrypted()) {
        security.bTls = true;
        security.acceptCertificate = [this, &context, &prompts, hostPort = CertificateHostPort(url->host, port)](
                                         const CertificateInfo& info) {
            // The certificate accepted for the connection opens its
            // transfers' extra connections without a second question.
            if (!m_strAcceptedKey.empty() && info.fingerprint == m_strAcceptedKey)
                return true;
            if (!AcceptCertificate(info, hostPort, context.TrustedCertificatesPath(), prompts))
                return false;
            m_strAcceptedKey = info.fingerprint;
            return true;
        };
    }
    CInternetException error;
    const std::string& password = m_strLinkPassword.empty() ? m_strPassword : m_strLinkPassword;
    m_pConnection = m_pSession->GetFtpConnection(url->host, m_strUserName, password, port, false, error, security);
    if (m_pConnection) {
        if (m_pConnection->OffersEncryption())
            context.ConnectLog("The ftp site \"" + working + "\" offers encryption: start its address with "
                               "\"ftpes://\" to use it.");
        return 1;
    }

    std::string cause;
    if (error.GetErrorMessage(cause))
        prompts.MessageBox("Failed to connect to the ftp site \"" + working + "\".\nCause: " + cause);
    else
        prompts.MessageBox("Failed to connect to the ftp site \"" + working + "\".");
    m_pConnection.reset();
    m_pSession->Close();
    m_pSession.reset();
    return 0;
}

int CVamloSiteInfo::ConnectSftpSite(IConnectContext& context, const std::string& address, uint16_t port)
{
    SftpLogon logon;
    logon.host = ParseSiteAddress(address)->host;
    logon.port = port;
    logon.user = m_strUserName;
    logon.password = m_strLinkPassword.empty() ? m_strPassword : m_strLinkPassword;
    logon.timeouts = context.ConnectTimeouts();
    logon.sshDir = context.SshDirectory().empty() ? DefaultSshDirectory() : context.SshDirectory();
    logon.knownHostsPath = context.KnownHostsPath();
    logon.prompts = &context.ConnectPrompts();
    logon.acceptedKey = &m_strAcceptedKey;
    std::string cause;
    m_pConnection = ConnectSftp(logon, cause);
    if (m_pConnection)
        return 1;
    logon.prompts->MessageBox("Failed to connect to the ftp site \"" + address + "\".\nCause: " + cause);
    return 0;
}

int CVamloSiteInfo::Reconnect(IConnectContext& context)
{
    Disconnect();
    return Connect(context);
}

void CVamloSiteInfo::DisconnectWithoutWaiting()
{
    if (m_pConnection)
        m_pConnection->CloseWithoutWaiting();
    Disconnect();
}
