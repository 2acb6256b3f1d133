#pragma once

#include "net/NetStatus.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/socket.h>
#include <vector>

// Owns one file descriptor.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    int Release();
    void Reset(int fd = -1);

private:
    int m_fd = -1;
};

// A point in time after which a step has failed.
class Deadline {
public:
    explicit Deadline(int timeoutMs);
    int RemainingMs() const;   // 0 once expired
    bool Expired() const { return RemainingMs() == 0; }

private:
    std::chrono::steady_clock::time_point m_end;
};

// An IPv4 or IPv6 socket address.
struct SocketAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;

    int Family() const { return storage.ss_family; }
    uint16_t Port() const;
    void SetPort(uint16_t port);
    std::string HostText() const;   // numeric, without brackets
    static SocketAddress OfSocket(int fd, bool peer);
};

// Turns an errno value from a socket call into an engine status.
NetStatus StatusFromErrno(int error);

// Resolves host (name or literal) for a TCP connection; bounded by timeoutMs.
NetStatus ResolveHost(const std::string& host, uint16_t port, int timeoutMs, std::vector<SocketAddress>& out);
// Connects to one address; the socket is left non-blocking.
NetStatus ConnectTcp(const SocketAddress& address, const Deadline& deadline, UniqueFd& out);
// Resolves and connects to the first address that answers, all within timeoutMs.
NetStatus ConnectToHost(const std::string& host, uint16_t port, int timeoutMs, UniqueFd& out);
// A listening socket on the address's host with a port of the system's choice.
NetStatus ListenOnHost(const SocketAddress& host, UniqueFd& out, SocketAddress& bound);

// Waits until fd is ready for events (POLLIN/POLLOUT); a time-out status when
// the deadline passes.
NetStatus WaitReady(int fd, short events, const Deadline& deadline);
// Sends every byte without raising SIGPIPE; each wait for the peer is bounded
// by idleTimeoutMs (time without progress).
NetStatus SendAll(int fd, const char* data, size_t size, int idleTimeoutMs);
// Receives what is there (at least one byte, or 0 at the end of the stream).
NetStatus RecvSome(int fd, char* buffer, size_t capacity, const Deadline& deadline, size_t& received);
