#pragma once

#include "ftp/FtpFlags.h"
#include "ftp/FtpSession.h"
#include "ftp/FtpStatus.h"

#include <cstdint>
#include <string>

// Connects and logs on: greeting, USER, PASS (ACCT when asked), FEAT,
// OPTS UTF8 ON when offered, PWD. A refused login is
// ERROR_INTERNET_LOGIN_FAILURE with the server's reply as its text.
FtpStatus LogOn(FtpSession& session, const std::string& server, uint16_t port, const std::string& user,
    const std::string& password, const CFtpTimeouts& timeouts);
