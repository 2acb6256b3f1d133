#pragma once

#include "net/Socket.h"
#include "net/NetStatus.h"

#include <cstddef>
#include <string>

struct ssl_st;

// What the server's certificate says, for the trust question.
struct CertificateInfo {
    std::string subject;
    std::string issuer;
    std::string validFrom;     // "2026-12-07 00:53:41 UTC"
    std::string validUntil;
    std::string fingerprint;   // SHA-256, "AB:CD:..."
    bool bVerified = false;    // the system's trust store and the host name vouch for it
    std::string problem;       // why it was not verified
};

// One TCP connection, plain or protected by TLS, over a non-blocking socket.
// Every wait goes through WaitReady, so time-outs and Cancel hold for the
// TLS steps too.
class NetStream {
public:
    NetStream() = default;
    explicit NetStream(UniqueFd fd) : m_fd(std::move(fd)) {}
    ~NetStream() { Reset(); }
    NetStream(NetStream&& other) noexcept;
    NetStream& operator=(NetStream&& other) noexcept;
    NetStream(const NetStream&) = delete;
    NetStream& operator=(const NetStream&) = delete;

    int Fd() const { return m_fd.Get(); }
    bool Valid() const { return m_fd.Valid(); }
    bool IsTls() const { return m_pTls != nullptr; }

    // The TLS handshake as the client: TLS 1.2 at least, the certificate
    // checked against the system's trust store and host. A data connection
    // passes its control connection, whose session it resumes (servers
    // demand that, so that no one else can connect to the data port).
    NetStatus StartTls(const std::string& host, const NetStream* resumeFrom, const Deadline& deadline);
    CertificateInfo PeerCertificate() const;
    std::string PeerFingerprint() const;

    // Sends every byte; each wait for the peer is bounded by idleTimeoutMs.
    NetStatus Send(const char* data, size_t size, int idleTimeoutMs);
    // Hands the bytes over only if the socket takes them at once.
    void SendWithoutWaiting(const char* data, size_t size);
    // At least one byte, or 0 at the end of the stream.
    NetStatus Receive(char* buffer, size_t capacity, const Deadline& deadline, size_t& received);
    // Bytes already decrypted and waiting, which a poll on the socket misses.
    bool HasPendingInput() const;
    // The end of an upload: TLS's closing notice, our half of the socket
    // shut, then what the peer still sends is read away so that closing
    // cannot reset the connection before the server has read our data.
    NetStatus FinishSending(int timeoutMs);

    void Reset();
    // A reset rather than an orderly end, so that a cut upload cannot be
    // taken for a complete one.
    void ResetHard();

private:
    UniqueFd m_fd;
    ssl_st* m_pTls = nullptr;
};
