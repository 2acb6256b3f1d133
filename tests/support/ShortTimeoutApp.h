#pragma once

#include "app/AppCore.h"

#include "FtpServerFixture.h"

// The program's shared values, with connections that give up quickly: tests
// stop servers on purpose and must not wait the real time-outs.
class ShortTimeoutApp : public CAppCore {
public:
    CFtpTimeouts ConnectTimeouts() override { return FtpServerFixture::ShortTimeouts(); }
    // The tests' own OpenSSH folder, never the user's.
    std::string SshDirectory() override { return m_strSshDir; }
    std::string m_strSshDir = "/nonexistent";
};
