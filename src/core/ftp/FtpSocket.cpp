#include "net/Socket.h"

#include "net/NetErrors.h"
#include "net/NetCancel.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept
{
    if (this != &other)
        Reset(other.Release());
    return *this;
}

int UniqueFd::Release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void UniqueFd::Reset(int fd)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

Deadline::Deadline(int timeoutMs)
    : m_end(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs))
{
}

int Deadline::RemainingMs() const
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_end - std::chrono::steady_clock::now());
    if (left.count() <= 0)
        return 0;
    // Round up so that a wait never ends a hair before the deadline and spins.
    return static_cast<int>(left.count()) + 1;
}

uint16_t SocketAddress::Port() const
{
    if (Family() == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(storage).sin_port);
    if (Family() == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(storage).sin6_port);
    return 0;
}

void SocketAddress::SetPort(uint16_t port)
{
    if (Family() == AF_INET)
        reinterpret_cast<sockaddr_in&>(storage).sin_port = htons(port);
    else if (Family() == AF_INET6)
        reinterpret_cast<sockaddr_in6&>(storage).sin6_port = htons(port);
}

std::string SocketAddress::HostText() const
{
    char text[INET6_ADDRSTRLEN] = {};
    if (Family() == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(storage).sin_addr, text, sizeof text);
    else if (Family() == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(storage).sin6_addr, text, sizeof text);
    return text;
}

SocketAddress SocketAddress::OfSocket(int fd, bool peer)
{
    SocketAddress address;
    address.length = sizeof address.storage;
    auto* raw = reinterpret_cast<sockaddr*>(&address.storage);
    if ((peer ? getpeername(fd, raw, &address.length) : getsockname(fd, raw, &address.length)) != 0)
        address = SocketAddress{};
    return address;
}

NetStatus StatusFromErrno(int error)
{
    switch (error) {
    case 0: return NetStatus::Success();
    case ECONNRESET:
    case EPIPE: return NetStatus::Error(ERROR_INTERNET_CONNECTION_RESET);
    case ECONNREFUSED:
    case ENETUNREACH:
    case EHOSTUNREACH:
    case EADDRNOTAVAIL: return NetStatus::Error(ERROR_INTERNET_CANNOT_CONNECT);
    case ETIMEDOUT: return NetStatus::Error(ERROR_INTERNET_TIMEOUT);
    case ECONNABORTED: return NetStatus::Error(ERROR_INTERNET_CONNECTION_ABORTED);
    default: return NetStatus::Error(error);
    }
}

namespace {

NetStatus CopyAddresses(const addrinfo* list, std::vector<SocketAddress>& out)
{
    out.clear();
    for (const addrinfo* ai = list; ai != nullptr; ai = ai->ai_next) {
        if ((ai->ai_family != AF_INET && ai->ai_family != AF_INET6) || ai->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        SocketAddress address;
        std::memcpy(&address.storage, ai->ai_addr, ai->ai_addrlen);
        address.length = ai->ai_addrlen;
        out.push_back(address);
    }
    return out.empty() ? NetStatus::Error(ERROR_INTERNET_NAME_NOT_RESOLVED) : NetStatus::Success();
}

int Lookup(const std::string& host, uint16_t port, int extraFlags, addrinfo** result)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | extraFlags;
    const std::string service = std::to_string(port);
    return getaddrinfo(host.c_str(), service.c_str(), &hints, result);
}

// A name lookup runs on a helper thread so that a slow resolver cannot
// outlast the connect time-out; the helper finishes on its own afterwards.
struct PendingLookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    int result = EAI_FAIL;
    addrinfo* list = nullptr;
    ~PendingLookup()
    {
        if (list != nullptr)
            freeaddrinfo(list);
    }
};

} // namespace

NetStatus ResolveHost(const std::string& host, uint16_t port, int timeoutMs, std::vector<SocketAddress>& out)
{
    if (host.empty() || host.find('\0') != std::string::npos)
        return NetStatus::Error(ERROR_INTERNET_NAME_NOT_RESOLVED);
    CheckNetworkWaitAllowed();
    addrinfo* literal = nullptr;
    if (Lookup(host, port, AI_NUMERICHOST, &literal) == 0) {
        NetStatus status = CopyAddresses(literal, out);
        freeaddrinfo(literal);
        return status;
    }

    auto pending = std::make_shared<PendingLookup>();
    try {
        std::thread([pending, host, port] {
            addrinfo* list = nullptr;
            const int result = Lookup(host, port, 0, &list);
            std::lock_guard<std::mutex> lock(pending->mutex);
            pending->result = result;
            pending->list = list;
            pending->finished = true;
            pending->done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return NetStatus::Error(ERROR_INTERNET_INTERNAL_ERROR);
    }
    // Waited in slices, so that a Cancel is heard while the resolver thinks.
    std::unique_lock<std::mutex> lock(pending->mutex);
    const Deadline deadline(timeoutMs);
    while (!pending->finished) {
        if (CurrentActionCanceled())
            return NetStatus::Error(ERROR_INTERNET_OPERATION_CANCELLED);
        if (deadline.Expired())
            return NetStatus::Error(ERROR_INTERNET_NAME_NOT_RESOLVED);
        pending->done.wait_for(lock, std::chrono::milliseconds(std::min(50, std::max(1, deadline.RemainingMs()))));
    }
    if (pending->result != 0)
        return NetStatus::Error(ERROR_INTERNET_NAME_NOT_RESOLVED);
    return CopyAddresses(pending->list, out);
}

NetStatus WaitReady(int fd, short events, const Deadline& deadline)
{
    CheckNetworkWaitAllowed();
    for (;;) {
        pollfd entries[2] = {{fd, events, 0}, {CurrentCancelFd(), POLLIN, 0}};
        const int remaining = deadline.RemainingMs();
        if (CurrentActionCanceled())
            return NetStatus::Error(ERROR_INTERNET_OPERATION_CANCELLED);
        if (remaining == 0)
            return NetStatus::Error(ERROR_INTERNET_TIMEOUT);
        const int n = ::poll(entries, entries[1].fd >= 0 ? 2 : 1, remaining);
        if (CurrentActionCanceled())
            return NetStatus::Error(ERROR_INTERNET_OPERATION_CANCELLED);
        if (n > 0)
            return NetStatus::Success();   // errors and hang-ups show in the next send or recv
        if (n < 0 && errno != EINTR)
            return StatusFromErrno(errno);
    }
}

NetStatus ConnectTcp(const SocketAddress& address, const Deadline& deadline, UniqueFd& out)
{
    UniqueFd fd(::socket(address.Family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd.Valid())
        return StatusFromErrno(errno);
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address.storage), address.length) != 0) {
        if (errno != EINPROGRESS)
            return StatusFromErrno(errno);
        if (NetStatus waited = WaitReady(fd.Get(), POLLOUT, deadline); !waited)
            return waited;
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(fd.Get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0)
            error = errno;
        if (error != 0)
            return StatusFromErrno(error);
    }
    out = std::move(fd);
    return NetStatus::Success();
}

NetStatus ConnectToHost(const std::string& host, uint16_t port, int timeoutMs, UniqueFd& out)
{
    const Deadline deadline(timeoutMs);
    std::vector<SocketAddress> addresses;
    if (NetStatus resolved = ResolveHost(host, port, timeoutMs, addresses); !resolved)
        return resolved;
    NetStatus last = NetStatus::Error(ERROR_INTERNET_CANNOT_CONNECT);
    for (const SocketAddress& address : addresses) {
        if (deadline.Expired())
            return NetStatus::Error(ERROR_INTERNET_TIMEOUT);
        last = ConnectTcp(address, deadline, out);
        if (last)
            return last;
    }
    return last;
}

NetStatus ListenOnHost(const SocketAddress& host, UniqueFd& out, SocketAddress& bound)
{
    SocketAddress local = host;
    local.SetPort(0);
    UniqueFd fd(::socket(local.Family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd.Valid())
        return StatusFromErrno(errno);
    if (::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&local.storage), local.length) != 0
        || ::listen(fd.Get(), 1) != 0)
        return StatusFromErrno(errno);
    bound = SocketAddress::OfSocket(fd.Get(), false);
    out = std::move(fd);
    return NetStatus::Success();
}

NetStatus SendAll(int fd, const char* data, size_t size, int idleTimeoutMs)
{
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent > 0) {
            data += sent;
            size -= static_cast<size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (NetStatus waited = WaitReady(fd, POLLOUT, Deadline(idleTimeoutMs)); !waited)
                return waited;
            continue;
        }
        return StatusFromErrno(sent < 0 ? errno : EPIPE);
    }
    return NetStatus::Success();
}

NetStatus RecvSome(int fd, char* buffer, size_t capacity, const Deadline& deadline, size_t& received)
{
    received = 0;
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, capacity, 0);
        if (n >= 0) {
            received = static_cast<size_t>(n);
            return NetStatus::Success();
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return StatusFromErrno(errno);
        if (NetStatus waited = WaitReady(fd, POLLIN, deadline); !waited)
            return waited;
    }
}
