#pragma once

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>

class CFtpConnection;
class CInternetException;
struct CFtpTimeouts;

struct FtpServerOptions {
    bool bMlsd = true;          // offer MLSD and MLST
    bool bIpv6 = false;         // listen on ::1 instead of 127.0.0.1
    // When set, a further account "nested" / "secret" shares the root but
    // logs in to this folder below it (made when missing).
    std::string strNestedLoginDir = {};
    // When set, this folder below the root (made when missing) refuses to be
    // listed: a server that says no to LIST and MLSD there.
    std::string strUnlistableDir = {};
    // When set, this folder below the root (made when missing) takes uploads
    // but no renames and no deletes.
    std::string strDropDir = {};
    // Debian's vsftpd instead, with none of the above: anonymous only, no
    // chroot (server paths are the real ones), links marked in LIST only.
    bool bVsftpd = false;
    // AUTH TLS with a self-signed certificate made for the run: offered,
    // or required for logins and every data connection.
    enum class Tls { Off, Offered, Required };
    Tls tls = Tls::Off;
    // With TLS: a certificate for this host name from a CA that this test
    // process trusts, instead of a self-signed one.
    std::string strCertificateHost = {};
    bool bOtherDataCertificate = false;   // data connections show a second certificate
    bool bQuotaFull = false;              // every upload ends with 552, the bytes kept
    double dIdleTimeoutSeconds = 0;       // when set, idle connections are ended after it
    std::string strCommandLog = {};       // when set, each command's name is appended to this file
    int nMaxConnectionsPerAddress = 0;    // when set, more connections from one address get 421
};

// A pyftpdlib server (tests/support/ftp_server.py) on a free loopback port
// with a fresh root folder: user "user" / "secret", and anonymous, both with
// full rights (and "nested" when the options ask for it). It can be stopped
// and started again on the same port.
class FtpServerProcess {
public:
    explicit FtpServerProcess(FtpServerOptions options = {});
    ~FtpServerProcess();
    FtpServerProcess(const FtpServerProcess&) = delete;
    FtpServerProcess& operator=(const FtpServerProcess&) = delete;

    // The first start picks a free port; later starts reuse it. False (with
    // the reason in LastError) when the server did not come up.
    bool Start();
    void Stop();   // kills the server's process group; bounded wait
    // From the next start on, the server refuses REST: it cannot take a
    // transfer up part of the way in.
    void RefuseRestarts() { m_bRefuseRestarts = true; }
    // From the next start on, the server gives files' SHA-256 with HASH;
    // a lying one gives a wrong checksum, a failing one none.
    enum class Hash { None, Honest, Lying, Failing };
    void OfferHash(Hash hash) { m_hash = hash; }
    bool Running() const { return m_pid > 0; }

    uint16_t Port() const { return m_port; }
    std::string Host() const { return m_options.bIpv6 ? "::1" : "127.0.0.1"; }
    const std::string& Root() const { return m_root.Path(); }
    std::string Path(const std::string& name) const { return m_root.File(name); }
    const std::string& LastError() const { return m_strError; }
    // SHA-256 of the server's certificate ("AB:CD:..."), once started.
    const std::string& CertificateFingerprint() const { return m_strFingerprint; }
    // The next Start makes a new certificate.
    void RenewCertificate();

private:
    bool StartOnce();

    FtpServerOptions m_options;
    TempDir m_root;
    TempDir m_tlsDir;   // the key and certificate
    std::string m_strFingerprint;
    pid_t m_pid = -1;
    int m_stdin = -1;   // closing it tells the server to exit
    uint16_t m_port = 0;
    std::string m_strError;
    bool m_bRefuseRestarts = false;
    Hash m_hash = Hash::None;
};

// A gtest fixture with a running server and log-on helpers.
class FtpServerFixture : public ::testing::Test {
public:
    // Seconds rather than a minute: a failing server fails a test quickly.
    static CFtpTimeouts ShortTimeouts();

protected:
    explicit FtpServerFixture(FtpServerOptions options = {}) : m_server(options) {}
    void SetUp() override;

    // Logs on as user/secret (or the given account); fails the test when a
    // connection was expected and not made.
    std::shared_ptr<CFtpConnection> Connect(bool passive = false);
    std::shared_ptr<CFtpConnection> ConnectAs(const std::string& user, const std::string& password, bool passive,
        CInternetException& error);

    FtpServerProcess m_server;
};
