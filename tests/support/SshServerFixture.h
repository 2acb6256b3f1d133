#pragma once

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <sys/types.h>

// Debian's OpenSSH server (tests/support/sshd_server.py) on a free loopback
// port: its own config, host key and keys in a folder of its own, SFTP
// sessions starting in a fresh root folder. Stopped and started again on
// the same port, it keeps its host key unless told to renew it.
class SshServerProcess {
public:
    SshServerProcess() = default;
    ~SshServerProcess() { Stop(); }
    SshServerProcess(const SshServerProcess&) = delete;
    SshServerProcess& operator=(const SshServerProcess&) = delete;

    bool Start();
    void Stop();   // the server and every session it started
    void RenewHostKey();   // from the next start on

    uint16_t Port() const { return m_port; }
    const std::string& User() const { return m_user; }
    // Empty when the server cannot check passwords (not run as root).
    std::string Password() const { return ReadWholeFile(m_dir.File("password.txt")); }
    std::string Passphrase() const { return ReadWholeFile(m_dir.File("passphrase.txt")); }
    // "id_plain" or "id_pass", the second with Passphrase().
    std::string KeyFile(const std::string& name) const { return m_dir.File(name); }
    std::string Address() const { return "sftp://127.0.0.1:" + std::to_string(m_port); }
    const std::string& Root() const { return m_root.Path(); }
    std::string Path(const std::string& name) const { return m_root.File(name); }
    void GiveRootToUser() const;   // after a test made files there itself
    // SIGSTOP or SIGCONT to every session: a server slow to answer.
    void PauseSessions(bool pause) const;
    // The server's log: which log-ons it saw.
    std::string Log() const { return ReadWholeFile(m_dir.File("sshd.log")); }
    const std::string& LastError() const { return m_strError; }

private:
    TempDir m_dir;
    TempDir m_root;
    pid_t m_pid = -1;
    int m_stdin = -1;
    uint16_t m_port = 0;
    std::string m_user;
    std::string m_strError;
};

// An ssh folder of the user's for the tests: known_hosts and keys go here.
// Keys are copied in under OpenSSH's names ("id_ed25519").
struct SshUserFolder {
    TempDir dir;
    void AddKey(const std::string& keyFile) const;
};

class SshServerFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_server.Start()) << m_server.LastError(); }
    SshServerProcess m_server;
};
