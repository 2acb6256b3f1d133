#include "ftp/NetStream.h"

#include "net/NetErrors.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <ctime>
#include <poll.h>
#include <sys/socket.h>
#include <vector>

namespace {

// Socket reads and writes for OpenSSL that never raise SIGPIPE: a peer that
// went away is an error status, not the end of the program.
int BioFd(BIO* bio) { return static_cast<int>(reinterpret_cast<intptr_t>(BIO_get_data(bio))); }

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

int BioWrite(BIO* bio, const char* data, int size)
{
    BIO_clear_retry_flags(bio);
    const ssize_t sent = ::send(BioFd(bio), data, static_cast<size_t>(size), MSG_NOSIGNAL);
    if (sent < 0 && WouldBlock(errno))
        BIO_set_retry_write(bio);
    return static_cast<int>(sent);
}

int BioRead(BIO* bio, char* data, int size)
{
    BIO_clear_retry_flags(bio);
    const ssize_t received = ::recv(BioFd(bio), data, static_cast<size_t>(size), 0);
    if (received < 0 && WouldBlock(errno))
        BIO_set_retry_read(bio);
    return static_cast<int>(received);
}

long BioCtrl(BIO*, int command, long, void*) { return command == BIO_CTRL_FLUSH ? 1 : 0; }

int BioCreate(BIO* bio)
{
    BIO_set_init(bio, 1);
    return 1;
}

BIO_METHOD* SocketMethod()
{
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "vamlo socket");
        if (m != nullptr) {
            BIO_meth_set_write(m, BioWrite);
            BIO_meth_set_read(m, BioRead);
            BIO_meth_set_ctrl(m, BioCtrl);
            BIO_meth_set_create(m, BioCreate);
        }
        return m;
    }();
    return method;
}

SSL_CTX* ClientContext()
{
    static SSL_CTX* context = [] {
        SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
        if (ctx == nullptr)
            return ctx;
        SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
        SSL_CTX_set_default_verify_paths(ctx);
        // The verdict is read after the handshake, so that the user can be
        // asked about a certificate the system does not vouch for.
        SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);
        // Many servers end a data connection without TLS's closing notice;
        // the control connection's final reply says whether all arrived.
        SSL_CTX_set_options(ctx, SSL_OP_IGNORE_UNEXPECTED_EOF);
        SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
        return ctx;
    }();
    return context;
}

bool IsIpLiteral(const std::string& host)
{
    unsigned char address[16];
    return inet_pton(AF_INET, host.c_str(), address) == 1 || inet_pton(AF_INET6, host.c_str(), address) == 1;
}

NetStatus TlsError(std::string detail)
{
    return NetStatus::Error(ERROR_INTERNET_SECURITY_CHANNEL_ERROR, std::move(detail) + "\n");
}

// The status for a failed TLS call; errno is the one right after the call.
NetStatus TlsFailure(SSL* ssl, int result, int savedErrno)
{
    const int error = SSL_get_error(ssl, result);
    const unsigned long queued = ERR_get_error();
    ERR_clear_error();
    if (queued != 0) {
        const char* reason = ERR_reason_error_string(queued);
        return TlsError(reason != nullptr ? reason : "unknown TLS error");
    }
    if (error == SSL_ERROR_SYSCALL && savedErrno != 0)
        return StatusFromErrno(savedErrno);
    return NetStatus::Error(ERROR_INTERNET_CONNECTION_ABORTED);
}

// Waits for what OpenSSL asked for; false (with status) when it was not a wait.
bool WaitForTls(SSL* ssl, int result, int fd, const Deadline& deadline, NetStatus& status)
{
    const int savedErrno = errno;
    switch (SSL_get_error(ssl, result)) {
    case SSL_ERROR_WANT_READ: status = WaitReady(fd, POLLIN, deadline); return static_cast<bool>(status);
    case SSL_ERROR_WANT_WRITE: status = WaitReady(fd, POLLOUT, deadline); return static_cast<bool>(status);
    default: status = TlsFailure(ssl, result, savedErrno); return false;
    }
}

std::string NameText(const X509_NAME* name)
{
    BIO* bio = BIO_new(BIO_s_mem());
    if (bio == nullptr)
        return {};
    // In the certificate's own order ("C=..,O=..,CN=.."); UTF-8 kept as it is.
    X509_NAME_print_ex(bio, name, 0, XN_FLAG_RFC2253 & ~XN_FLAG_DN_REV & ~ASN1_STRFLGS_ESC_MSB);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    std::string text(data != nullptr && size > 0 ? std::string(data, static_cast<size_t>(size)) : std::string());
    BIO_free(bio);
    return text;
}

std::string TimeText(const ASN1_TIME* time)
{
    std::tm parts{};
    if (time == nullptr || ASN1_TIME_to_tm(time, &parts) != 1)
        return {};
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
    return text;
}

std::string Fingerprint(X509* certificate)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (X509_digest(certificate, EVP_sha256(), digest, &length) != 1)
        return {};
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        if (i > 0)
            text.push_back(':');
        text.push_back(kHex[digest[i] >> 4]);
        text.push_back(kHex[digest[i] & 0xF]);
    }
    return text;
}

} // namespace

NetStream::NetStream(NetStream&& other) noexcept
    : m_fd(std::move(other.m_fd)), m_pTls(other.m_pTls)
{
    other.m_pTls = nullptr;
}

NetStream& NetStream::operator=(NetStream&& other) noexcept
{
    if (this != &other) {
        Reset();
        m_fd = std::move(other.m_fd);
        m_pTls = other.m_pTls;
        other.m_pTls = nullptr;
    }
    return *this;
}

void NetStream::Reset()
{
    if (m_pTls != nullptr) {
        SSL_free(m_pTls);
        m_pTls = nullptr;
    }
    m_fd.Reset();
}

void NetStream::ResetHard()
{
    if (m_fd.Valid()) {
        const linger hard{1, 0};
        setsockopt(m_fd.Get(), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    }
    Reset();
}

NetStatus NetStream::StartTls(const std::string& host, const NetStream* resumeFrom, const Deadline& deadline)
{
    SSL_CTX* context = ClientContext();
    BIO_METHOD* method = SocketMethod();
    if (context == nullptr || method == nullptr || !m_fd.Valid())
        return TlsError("TLS is not available");
    ERR_clear_error();
    SSL* ssl = SSL_new(context);
    BIO* bio = ssl != nullptr ? BIO_new(method) : nullptr;
    if (bio == nullptr) {
        SSL_free(ssl);
        return TlsError("TLS is not available");
    }
    BIO_set_data(bio, reinterpret_cast<void*>(static_cast<intptr_t>(m_fd.Get())));
    SSL_set_bio(ssl, bio, bio);
    if (IsIpLiteral(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str());
    } else {
        SSL_set_tlsext_host_name(ssl, host.c_str());
        SSL_set1_host(ssl, host.c_str());
    }
    if (resumeFrom != nullptr && resumeFrom->m_pTls != nullptr) {
        if (SSL_SESSION* session = SSL_get1_session(resumeFrom->m_pTls)) {
            SSL_set_session(ssl, session);
            SSL_SESSION_free(session);
        }
    }
    m_pTls = ssl;
    // Each round either finishes or waits within the deadline.
    for (;;) {
        ERR_clear_error();
        errno = 0;
        const int result = SSL_connect(ssl);
        if (result == 1)
            return NetStatus::Success();
        NetStatus status;
        if (!WaitForTls(ssl, result, m_fd.Get(), deadline, status)) {
            Reset();
            return status;
        }
    }
}

CertificateInfo NetStream::PeerCertificate() const
{
    CertificateInfo info;
    if (m_pTls == nullptr)
        return info;
    X509* certificate = SSL_get1_peer_certificate(m_pTls);
    if (certificate == nullptr) {
        info.problem = "The server sent no certificate";
        return info;
    }
    info.subject = NameText(X509_get_subject_name(certificate));
    info.issuer = NameText(X509_get_issuer_name(certificate));
    info.validFrom = TimeText(X509_get0_notBefore(certificate));
    info.validUntil = TimeText(X509_get0_notAfter(certificate));
    info.fingerprint = Fingerprint(certificate);
    X509_free(certificate);
    const long verdict = SSL_get_verify_result(m_pTls);
    info.bVerified = verdict == X509_V_OK;
    if (!info.bVerified)
        info.problem = X509_verify_cert_error_string(verdict);
    return info;
}

std::string NetStream::PeerFingerprint() const
{
    if (m_pTls == nullptr)
        return {};
    X509* certificate = SSL_get1_peer_certificate(m_pTls);
    if (certificate == nullptr)
        return {};
    std::string fingerprint = Fingerprint(certificate);
    X509_free(certificate);
    return fingerprint;
}

NetStatus NetStream::Send(const char* data, size_t size, int idleTimeoutMs)
{
    if (m_pTls == nullptr)
        return SendAll(m_fd.Get(), data, size, idleTimeoutMs);
    while (size > 0) {
        ERR_clear_error();
        errno = 0;
        const int sent = SSL_write(m_pTls, data, static_cast<int>(std::min<size_t>(size, INT_MAX)));
        if (sent > 0) {
            data += sent;
            size -= static_cast<size_t>(sent);
            continue;
        }
        NetStatus status;
        if (!WaitForTls(m_pTls, sent, m_fd.Get(), Deadline(idleTimeoutMs), status))
            return status;
    }
    return NetStatus::Success();
}

void NetStream::SendWithoutWaiting(const char* data, size_t size)
{
    if (m_pTls == nullptr) {
        // A short or refused send only means the peer misses these bytes.
        [[maybe_unused]] const ssize_t sent = ::send(m_fd.Get(), data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
        return;
    }
    ERR_clear_error();
    [[maybe_unused]] const int sent = SSL_write(m_pTls, data, static_cast<int>(std::min<size_t>(size, INT_MAX)));
    ERR_clear_error();
}

NetStatus NetStream::Receive(char* buffer, size_t capacity, const Deadline& deadline, size_t& received)
{
    if (m_pTls == nullptr)
        return RecvSome(m_fd.Get(), buffer, capacity, deadline, received);
    received = 0;
    for (;;) {
        ERR_clear_error();
        errno = 0;
        const int n = SSL_read(m_pTls, buffer, static_cast<int>(std::min<size_t>(capacity, INT_MAX)));
        if (n > 0) {
            received = static_cast<size_t>(n);
            return NetStatus::Success();
        }
        if (SSL_get_error(m_pTls, n) == SSL_ERROR_ZERO_RETURN) {
            ERR_clear_error();
            return NetStatus::Success();
        }
        NetStatus status;
        if (!WaitForTls(m_pTls, n, m_fd.Get(), deadline, status))
            return status;
    }
}

bool NetStream::HasPendingInput() const { return m_pTls != nullptr && SSL_pending(m_pTls) > 0; }

NetStatus NetStream::FinishSending(int timeoutMs)
{
    if (m_pTls == nullptr || !m_fd.Valid())
        return NetStatus::Success();
    const Deadline deadline(timeoutMs);
    for (int round = 0; round < 8; ++round) {
        ERR_clear_error();
        errno = 0;
        const int result = SSL_shutdown(m_pTls);
        if (result >= 0)
            break;   // our notice is out; the peer's is not needed
        NetStatus status;
        if (!WaitForTls(m_pTls, result, m_fd.Get(), deadline, status))
            return status;
    }
    ::shutdown(m_fd.Get(), SHUT_WR);
    // Whatever the server still sends (session tickets, its own notice) is
    // read away until it closes; bounded by the deadline.
    std::vector<char> scratch(16 * 1024);
    for (;;) {
        const ssize_t n = ::recv(m_fd.Get(), scratch.data(), scratch.size(), 0);
        if (n > 0)
            continue;
        if (n == 0 || !WouldBlock(errno))
            break;
        if (!WaitReady(m_fd.Get(), POLLIN, deadline))
            break;
    }
    return NetStatus::Success();
}
