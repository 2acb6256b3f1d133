#include "ftp/FtpLogon.h"

#include "net/NetErrors.h"

namespace {

NetStatus ReadGreeting(FtpControlChannel& control)
{
    FtpReply reply;
    // 120 means "ready in a while"; the real greeting follows.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (NetStatus status = control.ReadReply(reply); !status)
            return status;
        if (reply.code != 120)
            break;
    }
    if (reply.Class() != 2)
        return ReplyFailure(reply);
    return NetStatus::Success();
}

NetStatus LoginRefused(const FtpReply& reply)
{
    return NetStatus::Error(ERROR_INTERNET_LOGIN_FAILURE, reply.text);
}

// USER, then PASS and ACCT as far as the server asks for them.
NetStatus SendCredentials(FtpControlChannel& control, const std::string& user, const std::string& password)
{
    // An empty user name means an anonymous login, as with any FTP client;
    // "USER" with no name is a syntax error on every server.
    const std::string name = user.empty() ? "anonymous" : user;
    const std::string secret = user.empty() && password.empty() ? "anonymous@" : password;

    FtpReply reply;
    if (NetStatus status = control.Command("USER " + name, reply); !status)
        return status;
    if (reply.code == 331) {
        if (NetStatus status = control.Command("PASS " + secret, reply); !status)
            return status;
    }
    if (reply.code == 332) {
        // We keep no account name; an empty one satisfies the servers that ask.
        if (NetStatus status = control.Command("ACCT ", reply); !status)
            return status;
    }
    if (reply.Class() != 2)
        return LoginRefused(reply);
    return NetStatus::Success();
}

// AUTH TLS, the handshake, and the user's word on a certificate that the
// system does not vouch for.
NetStatus SecureControl(FtpControlChannel& control, const std::string& server, const FtpLogonSecurity& security)
{
    FtpReply reply;
    if (NetStatus status = control.Command("AUTH TLS", reply); !status)
        return status;
    if (reply.Class() != 2)
        return NetStatus::Error(ERROR_FTP_TLS_REFUSED, reply.text);
    if (NetStatus status = control.StartTls(server); !status)
        return status;
    const CertificateInfo certificate = control.Stream().PeerCertificate();
    if (certificate.bVerified)
        return NetStatus::Success();
    if (!security.acceptCertificate || !security.acceptCertificate(certificate))
        return NetStatus::Error(ERROR_FTP_CERTIFICATE_REFUSED);
    return NetStatus::Success();
}

// Data connections are protected too (buffer size 0, as TLS needs none).
NetStatus ProtectDataConnections(FtpControlChannel& control)
{
    for (const char* command : {"PBSZ 0", "PROT P"}) {
        FtpReply reply;
        if (NetStatus status = control.Command(command, reply); !status)
            return status;
        if (reply.Class() != 2)
            return NetStatus::Error(ERROR_FTP_TLS_REFUSED, reply.text);
    }
    return NetStatus::Success();
}

} // namespace

NetStatus LogOn(FtpSession& session, const std::string& server, uint16_t port, const std::string& user,
    const std::string& password, const CFtpTimeouts& timeouts, const FtpLogonSecurity& security)
{
    FtpControlChannel& control = session.control;
    session.serverName = server;
    session.ForgetCaches();
    NetStatus status = control.Connect(server, port, timeouts);
    if (status)
        status = ReadGreeting(control);
    if (status && security.bTls)
        status = SecureControl(control, server, security);
    if (status)
        status = SendCredentials(control, user, password);
    if (status && security.bTls)
        status = ProtectDataConnections(control);
    if (!status) {
        control.Close();
        return status;
    }

    FtpReply reply;
    if (NetStatus feat = control.Command("FEAT", reply); !feat) {
        control.Close();
        return feat;
    }
    session.features = ParseFeatReply(reply);
    if (session.features.bUtf8) {
        // Best effort: names are UTF-8 bytes either way.
        if (NetStatus utf8 = control.Command("OPTS UTF8 ON", reply); !utf8) {
            control.Close();
            return utf8;
        }
    }
    if (session.features.bUnixModeOff) {
        // The file list shows the modes listings give; a server that
        // refuses the facts keeps its own, which is no failure.
        if (NetStatus facts = control.Command("OPTS MLST type;size;modify;perm;unix.mode;", reply);
            !facts && !control.IsOpen())
            return facts;
    }
    std::string directory;
    if (NetStatus pwd = session.PrintDirectory(directory); !pwd && !control.IsOpen())
        return pwd;
    return NetStatus::Success();
}
