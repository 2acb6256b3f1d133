#include "SshServerFixture.h"

#include "ServerProcess.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <sstream>
#include <unistd.h>

bool SshServerProcess::Start()
{
    if (m_pid > 0)
        return true;
    std::string line;
    const std::vector<std::string> args = {"/usr/bin/python3", std::string(VAMLO_TEST_SUPPORT_DIR) + "/sshd_server.py",
        "--dir", m_dir.Path(), "--root", m_root.Path(), "--port", std::to_string(m_port)};
    // A restart on the same port may race with the old socket going away.
    for (int attempt = 0; attempt < 20; ++attempt) {
        const bool started = SpawnServer(args, m_pid, m_stdin, line, 20000);
        std::istringstream words(line);
        long port = 0;
        if (started && (words >> port >> m_user) && port > 0 && port < 65536 && (m_port == 0 || port == m_port)) {
            m_port = static_cast<uint16_t>(port);
            return true;
        }
        Stop();
        m_strError = "the SSH server did not start (got \"" + line + "\"): " + Log();
        if (m_port == 0)
            return false;
        usleep(250000);
    }
    return false;
}

void SshServerProcess::Stop() { StopServer(m_pid, m_stdin, 5000); }

void SshServerProcess::RenewHostKey()
{
    std::remove(m_dir.File("host_key").c_str());
    std::remove(m_dir.File("host_key.pub").c_str());
}

void SshServerProcess::GiveRootToUser() const
{
    const passwd* account = getpwnam(m_user.c_str());
    if (account == nullptr || getuid() == account->pw_uid)
        return;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m_root.Path()))
        [[maybe_unused]] const int changed = lchown(entry.path().c_str(), account->pw_uid, account->pw_gid);
}

void SshServerProcess::PauseSessions(bool pause) const { kill(m_pid, pause ? SIGUSR1 : SIGUSR2); }

void SshUserFolder::AddKey(const std::string& keyFile) const
{
    for (const char* suffix : {"", ".pub"}) {
        WriteWholeFile(dir.File(std::string("id_ed25519") + suffix), ReadWholeFile(keyFile + suffix));
        chmod(dir.File(std::string("id_ed25519") + suffix).c_str(), 0600);
    }
}
