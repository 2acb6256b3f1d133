#include "FtpServerFixture.h"
#include "ServerProcess.h"

#include "ftp/FtpConnection.h"
#include "net/InternetException.h"
#include "ftp/InternetSession.h"
#include "net/NetCancel.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kStartTimeoutMs = 20000;
constexpr int kStopTimeoutMs = 5000;

// OpenSSL looks trusted CAs up by hashed name in this folder when it needs
// them: a CA put there during the run is trusted by this process.
const TempDir kTrustedCaFolder;
[[maybe_unused]] const bool kTrustsTestCas = setenv("SSL_CERT_DIR", kTrustedCaFolder.Path().c_str(), 1) == 0;

} // namespace

FtpServerProcess::FtpServerProcess(FtpServerOptions options) : m_options(std::move(options)) {}

FtpServerProcess::~FtpServerProcess() { Stop(); }

bool FtpServerProcess::Start()
{
    if (Running())
        return true;
    // Restarting on the same port can race with the old socket going away.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (StartOnce())
            return true;
        if (m_port == 0)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    return false;
}

bool FtpServerProcess::StartOnce()
{
    std::vector<std::string> args = {"/usr/bin/python3", std::string(VAMLO_TEST_SUPPORT_DIR) + "/ftp_server.py",
        "--root", m_root.Path(), "--host", Host(), "--port", std::to_string(m_port)};
    const std::pair<bool, std::vector<std::string>> options[] = {
        {!m_options.bMlsd, {"--no-mlsd"}},
        {m_bRefuseRestarts, {"--no-rest"}},
        {m_hash != Hash::None, {"--hash", m_hash == Hash::Honest ? "honest" : m_hash == Hash::Lying ? "lies" : "fails"}},
        {!m_options.strNestedLoginDir.empty(), {"--nested-login-dir", m_options.strNestedLoginDir}},
        {!m_options.strUnlistableDir.empty(), {"--unlistable-dir", m_options.strUnlistableDir}},
        {!m_options.strDropDir.empty(), {"--drop-dir", m_options.strDropDir}},
        {m_options.tls != FtpServerOptions::Tls::Off, {"--tls-dir", m_tlsDir.Path()}},
        {m_options.tls == FtpServerOptions::Tls::Required, {"--tls-required"}},
        {!m_options.strCertificateHost.empty(), {"--tls-host", m_options.strCertificateHost, kTrustedCaFolder.Path()}},
        {m_options.bOtherDataCertificate, {"--tls-other-data-certificate"}},
        {m_options.bQuotaFull, {"--quota-full"}},
        {m_options.dIdleTimeoutSeconds > 0, {"--idle-timeout", std::to_string(m_options.dIdleTimeoutSeconds)}},
        {!m_options.strCommandLog.empty(), {"--command-log", m_options.strCommandLog}},
        {m_options.nMaxConnectionsPerAddress > 0,
         {"--max-connections-per-address", std::to_string(m_options.nMaxConnectionsPerAddress)}},
    };
    for (const auto& [wanted, words] : options)
        if (wanted)
            args.insert(args.end(), words.begin(), words.end());
    if (m_options.bVsftpd)
        args = {args[0], args[1], "--root", m_root.Path(), "--vsftpd", m_tlsDir.Path()};
    std::string line;
    const bool started = SpawnServer(args, m_pid, m_stdin, line, kStartTimeoutMs);
    if (!started && m_pid <= 0) {
        m_strError = "cannot start python3";
        return false;
    }
    const long port = started ? std::strtol(line.c_str(), nullptr, 10) : 0;
    if (port <= 0 || port > 65535 || (m_port != 0 && port != m_port)) {
        m_strError = "the FTP server did not start (got \"" + line + "\")";
        Stop();
        return false;
    }
    m_port = static_cast<uint16_t>(port);
    const size_t space = line.find(' ');
    m_strFingerprint = space == std::string::npos ? std::string() : line.substr(space + 1);
    return true;
}

void FtpServerProcess::RenewCertificate() { std::remove(m_tlsDir.File("server.pem").c_str()); }

void FtpServerProcess::Stop() { StopServer(m_pid, m_stdin, kStopTimeoutMs); }

void FtpServerFixture::SetUp()
{
    ASSERT_TRUE(m_server.Start()) << m_server.LastError();
}

CFtpTimeouts FtpServerFixture::ShortTimeouts()
{
    CFtpTimeouts timeouts;
    timeouts.connectMs = 5000;
    timeouts.replyMs = 10000;
    timeouts.dataMs = 10000;
    timeouts.acceptMs = 5000;
    return timeouts;
}

std::shared_ptr<CFtpConnection> FtpServerFixture::ConnectAs(const std::string& user, const std::string& password,
    bool passive, CInternetException& error)
{
    std::shared_ptr<CFtpConnection> connection;
    auto connect = [&] {
        CInternetSession session("Vamlo/V1.40");
        session.SetTimeouts(ShortTimeouts());
        connection = session.GetFtpConnection(m_server.Host(), user, password, m_server.Port(), passive, error);
    };
    // The GUI tests forbid network waits on their window's thread; the last
    // error code stays on the thread that connected.
    if (NetworkWaitsForbiddenHere())
        std::thread(connect).join();
    else
        connect();
    return connection;
}

std::shared_ptr<CFtpConnection> FtpServerFixture::Connect(bool passive)
{
    CInternetException error;
    auto connection = ConnectAs("user", "secret", passive, error);
    EXPECT_TRUE(connection) << "log-on failed: " << error.m_dwError << " " << error.m_strMessage;
    return connection;
}
