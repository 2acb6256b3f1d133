#include "ftp/FtpDataChannel.h"

#include "net/NetErrors.h"
#include "net/NetCancel.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>

namespace {

constexpr int kAbortBudgetMs = 1000;

bool SameHost(const SocketAddress& a, const SocketAddress& b)
{
    return a.Family() == b.Family() && a.HostText() == b.HostText();
}

// Reads an unsigned decimal at text[pos...] no larger than limit.
bool ReadNumber(std::string_view text, size_t& pos, unsigned limit, unsigned& value)
{
    const size_t start = pos;
    value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 6) {
        value = value * 10 + static_cast<unsigned>(text[pos] - '0');
        ++pos;
    }
    return pos > start && value <= limit && !(pos < text.size() && text[pos] >= '0' && text[pos] <= '9');
}

std::string_view FirstLine(const FtpReply& reply)
{
    std::string_view line(reply.text);
    return line.substr(0, line.find('\n'));
}

// Waits for the server to connect to our listener. A reply on the control
// connection in the meantime (425 and the like) ends the wait.
NetStatus AcceptData(FtpControlChannel& control, const UniqueFd& listener, UniqueFd& data, bool& refused)
{
    refused = false;
    const Deadline deadline(control.Timeouts().acceptMs);
    for (int attempts = 0; attempts < 16; ++attempts) {
        pollfd fds[3] = {{listener.Get(), POLLIN, 0}, {control.Fd(), POLLIN, 0}, {CurrentCancelFd(), POLLIN, 0}};
        const int remaining = deadline.RemainingMs();
        if (remaining == 0)
            return NetStatus::Error(ERROR_INTERNET_TIMEOUT);
        // A reply already received (and decrypted) would not wake the poll:
        // then only look whether the server has connected too, which goes first.
        const bool replyWaiting = control.HasPendingInput();
        CheckNetworkWaitAllowed();
        const int n = ::poll(fds, fds[2].fd >= 0 ? 3 : 2, replyWaiting ? 0 : remaining);
        if (CurrentActionCanceled())
            return NetStatus::Error(ERROR_INTERNET_OPERATION_CANCELLED);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return StatusFromErrno(errno);
        if (n == 0 && !replyWaiting)
            return NetStatus::Error(ERROR_INTERNET_TIMEOUT);
        if (fds[0].revents != 0) {
            UniqueFd accepted(::accept4(listener.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
            if (!accepted.Valid())
                continue;
            // Only the server may connect: anyone else could steal or feed our data.
            if (!SameHost(SocketAddress::OfSocket(accepted.Get(), true), control.PeerAddress()))
                continue;
            data = std::move(accepted);
            return NetStatus::Success();
        }
        FtpReply reply;
        if (NetStatus status = control.ReadReply(reply); !status)
            return status;
        if (reply.Class() != 1) {
            refused = reply.code == 425;
            return ReplyFailure(reply);
        }
    }
    return NetStatus::Error(ERROR_INTERNET_TIMEOUT);
}

enum class ActiveOutcome { Connected, Failed, TryPassive };

// Tells the server where to connect: EPRT, or PORT when EPRT is unknown to it.
ActiveOutcome AnnounceListener(FtpSession& session, const SocketAddress& bound, NetStatus& status)
{
    FtpControlChannel& control = session.control;
    FtpReply reply;
    if (!session.bEprtRefused) {
        if (status = control.Command("EPRT " + EprtArgument(bound), reply); !status)
            return ActiveOutcome::Failed;
        if (reply.Class() == 2)
            return ActiveOutcome::Connected;
        if (reply.code != 500 && reply.code != 502 && reply.code != 522) {
            status = ReplyFailure(reply);
            return ActiveOutcome::TryPassive;
        }
        session.bEprtRefused = true;
    }
    if (bound.Family() != AF_INET) {
        status = ReplyFailure(reply);
        return ActiveOutcome::TryPassive;
    }
    if (status = control.Command("PORT " + PortArgument(bound), reply); !status)
        return ActiveOutcome::Failed;
    if (reply.Class() == 2)
        return ActiveOutcome::Connected;
    status = ReplyFailure(reply);
    return ActiveOutcome::TryPassive;
}

// The transfer command, preceded by REST when it starts part of the way in:
// REST goes last, right before the command it belongs to.
NetStatus SendTransferCommand(FtpSession& session, const std::string& command, uint64_t restartAt,
                              bool* restartRefused, FtpReply& reply)
{
    if (restartAt > 0) {
        if (NetStatus status = session.control.Command("REST " + std::to_string(restartAt), reply); !status)
            return status;
        if (reply.code != 350) {
            if (restartRefused != nullptr)
                *restartRefused = true;
            return ReplyFailure(reply);
        }
    }
    return session.control.Command(command, reply);
}

ActiveOutcome OpenActive(FtpSession& session, const std::string& command, uint64_t restartAt, bool* restartRefused,
                         UniqueFd& data, NetStatus& status)
{
    FtpControlChannel& control = session.control;
    UniqueFd listener;
    SocketAddress bound;
    if (status = ListenOnHost(control.LocalAddress(), listener, bound); !status)
        return ActiveOutcome::TryPassive;
    if (ActiveOutcome announced = AnnounceListener(session, bound, status); announced != ActiveOutcome::Connected)
        return announced;

    FtpReply reply;
    if (status = SendTransferCommand(session, command, restartAt, restartRefused, reply); !status)
        return ActiveOutcome::Failed;
    if (reply.Class() != 1) {
        status = ReplyFailure(reply);
        return reply.code == 425 ? ActiveOutcome::TryPassive : ActiveOutcome::Failed;
    }
    bool refused = false;
    status = AcceptData(control, listener, data, refused);
    if (status)
        return ActiveOutcome::Connected;
    if (refused)
        return ActiveOutcome::TryPassive;
    if (status.code != ERROR_INTERNET_TIMEOUT || !control.IsOpen())
        return ActiveOutcome::Failed;
    // The server never came (a firewall or NAT in between). It still thinks
    // a transfer is pending: cancel it before trying the other way.
    listener.Reset();
    if (!session.AbortAndResync(control.Timeouts().replyMs))
        return ActiveOutcome::Failed;
    return ActiveOutcome::TryPassive;
}

// EPSV, or PASV when EPSV is unknown to the server; gives the data port.
NetStatus RequestPassivePort(FtpSession& session, uint16_t& port)
{
    FtpControlChannel& control = session.control;
    FtpReply reply;
    if (!session.bEpsvRefused) {
        if (NetStatus status = control.Command("EPSV", reply); !status)
            return status;
        if (reply.code == 229)
            return ParseEpsvReply(reply, port) ? NetStatus::Success()
                                               : NetStatus::Error(ERROR_INTERNET_INVALID_SERVER_RESPONSE, reply.text);
        if (reply.code == 500 || reply.code == 502)
            session.bEpsvRefused = true;
    }
    if (control.PeerAddress().Family() != AF_INET)
        return ReplyFailure(reply);   // PASV cannot describe an IPv6 connection
    if (NetStatus status = control.Command("PASV", reply); !status)
        return status;
    if (reply.code != 227)
        return ReplyFailure(reply);
    return ParsePasvReply(reply, port) ? NetStatus::Success()
                                       : NetStatus::Error(ERROR_INTERNET_INVALID_SERVER_RESPONSE, reply.text);
}

NetStatus OpenPassive(FtpSession& session, const std::string& command, uint64_t restartAt, bool* restartRefused,
                      UniqueFd& data)
{
    FtpControlChannel& control = session.control;
    uint16_t port = 0;
    if (NetStatus status = RequestPassivePort(session, port); !status)
        return status;
    SocketAddress target = control.PeerAddress();
    target.SetPort(port);
    UniqueFd connected;
    if (NetStatus status = ConnectTcp(target, Deadline(control.Timeouts().connectMs), connected); !status)
        return status;
    FtpReply reply;
    if (NetStatus status = SendTransferCommand(session, command, restartAt, restartRefused, reply); !status)
        return status;
    if (reply.Class() != 1)
        return ReplyFailure(reply);
    data = std::move(connected);
    return NetStatus::Success();
}

NetStatus OpenConnection(FtpSession& session, const std::string& command, uint64_t restartAt, bool* restartRefused,
                         UniqueFd& data)
{
    if (!session.bPassive) {
        NetStatus status;
        const ActiveOutcome outcome = OpenActive(session, command, restartAt, restartRefused, data, status);
        if (outcome != ActiveOutcome::TryPassive)
            return status;
        if (!session.control.IsOpen())
            return status;
        session.bPassive = true;
    }
    return OpenPassive(session, command, restartAt, restartRefused, data);
}

// TLS on the data connection, resuming the control connection's session. It
// must show the control connection's certificate: the one the user trusted.
NetStatus ProtectData(FtpSession& session, NetStream& data)
{
    FtpControlChannel& control = session.control;
    NetStatus status = data.StartTls(session.serverName, &control.Stream(), Deadline(control.Timeouts().connectMs));
    if (status && data.PeerFingerprint() != control.Stream().PeerFingerprint())
        status = NetStatus::Error(ERROR_FTP_DATA_CERTIFICATE_MISMATCH);
    if (status)
        return status;
    data.ResetHard();
    // The server still expects the transfer it announced.
    session.AbortAndResync(kAbortBudgetMs);
    return status;
}

} // namespace

NetStatus OpenDataTransfer(FtpSession& session, const std::string& command, NetStream& data, uint64_t restartAt,
                           bool* restartRefused)
{
    if (NetStatus ready = session.Ready(); !ready)
        return ready;
    UniqueFd connection;
    if (NetStatus opened = OpenConnection(session, command, restartAt, restartRefused, connection); !opened)
        return opened;
    data = NetStream(std::move(connection));
    if (!session.control.IsTls())
        return NetStatus::Success();
    return ProtectData(session, data);
}

bool ParsePasvReply(const FtpReply& reply, uint16_t& port)
{
    if (reply.code != 227)
        return false;
    const std::string_view line = FirstLine(reply);
    // Find the first run of six comma-separated numbers after the code.
    for (size_t start = 4; start < line.size(); ++start) {
        if (line[start] < '0' || line[start] > '9' || (line[start - 1] >= '0' && line[start - 1] <= '9'))
            continue;
        size_t pos = start;
        unsigned numbers[6] = {};
        bool ok = true;
        for (int i = 0; i < 6 && ok; ++i) {
            ok = ReadNumber(line, pos, 255, numbers[i]);
            if (ok && i < 5)
                ok = pos < line.size() && line[pos++] == ',';
        }
        if (!ok)
            continue;
        const unsigned value = numbers[4] * 256 + numbers[5];
        if (value == 0)
            return false;
        port = static_cast<uint16_t>(value);
        return true;
    }
    return false;
}

bool ParseEpsvReply(const FtpReply& reply, uint16_t& port)
{
    if (reply.code != 229)
        return false;
    const std::string_view line = FirstLine(reply);
    const size_t open = line.find('(');
    if (open == std::string_view::npos || open + 5 > line.size())
        return false;
    const char d = line[open + 1];
    if (d < 33 || d > 126 || (d >= '0' && d <= '9') || line[open + 2] != d || line[open + 3] != d)
        return false;
    size_t pos = open + 4;
    unsigned value = 0;
    if (!ReadNumber(line, pos, 65535, value) || value == 0)
        return false;
    if (pos + 1 >= line.size() || line[pos] != d || line[pos + 1] != ')')
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

std::string EprtArgument(const SocketAddress& address)
{
    const char* family = address.Family() == AF_INET6 ? "2" : "1";
    return std::string("|") + family + "|" + address.HostText() + "|" + std::to_string(address.Port()) + "|";
}

std::string PortArgument(const SocketAddress& address)
{
    std::string host = address.HostText();
    for (char& c : host)
        if (c == '.')
            c = ',';
    const uint16_t port = address.Port();
    return host + "," + std::to_string(port >> 8) + "," + std::to_string(port & 0xFF);
}
