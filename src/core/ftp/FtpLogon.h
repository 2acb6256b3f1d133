#pragma once

#include "net/NetFlags.h"
#include "ftp/FtpSession.h"
#include "net/NetStatus.h"
#include "ftp/NetStream.h"

#include <cstdint>
#include <functional>
#include <string>

// How a logon treats encryption.
struct FtpLogonSecurity {
    // AUTH TLS before the login, PBSZ 0 and PROT P after it. A server that
    // refuses is a failed logon: never a quiet fall back to plain FTP.
    bool bTls = false;
    // Asked about a certificate that the system's trust store and the host
    // name do not vouch for; false (or none) refuses it.
    std::function<bool(const CertificateInfo&)> acceptCertificate;
};

// Connects and logs on: greeting, (AUTH TLS and the handshake), USER, PASS
// (ACCT when asked), (PBSZ 0, PROT P), FEAT, OPTS UTF8 ON when offered, PWD.
// A refused login is ERROR_INTERNET_LOGIN_FAILURE with the server's reply as
// its text.
NetStatus LogOn(FtpSession& session, const std::string& server, uint16_t port, const std::string& user,
    const std::string& password, const CFtpTimeouts& timeouts, const FtpLogonSecurity& security = {});
