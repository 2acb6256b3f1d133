#include "ftp/FtpControlChannel.h"

#include "net/NetErrors.h"

#include <netinet/in.h>
#include <netinet/tcp.h>

namespace {
constexpr size_t kReceiveChunk = 16 * 1024;
}

NetStatus ReplyFailure(const FtpReply& reply)
{
    return NetStatus::Error(ERROR_INTERNET_EXTENDED_ERROR, reply.text);
}

NetStatus FtpControlChannel::Connect(const std::string& host, uint16_t port, const CFtpTimeouts& timeouts)
{
    m_timeouts = timeouts;
    m_input.clear();
    m_scanned = 0;
    m_bClosedByUs = false;
    m_assembler.Take();
    UniqueFd fd;
    if (NetStatus connected = ConnectToHost(host, port, timeouts.connectMs, fd); !connected)
        return connected;
    // Commands are small and each waits for its reply: do not let Nagle delay them.
    const int one = 1;
    setsockopt(fd.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    m_local = SocketAddress::OfSocket(fd.Get(), false);
    m_peer = SocketAddress::OfSocket(fd.Get(), true);
    m_stream = NetStream(std::move(fd));
    return NetStatus::Success();
}

NetStatus FtpControlChannel::StartTls(const std::string& host)
{
    if (!IsOpen())
        return ClosedStatus();
    // Bytes that came after the AUTH reply were sent in the clear: no
    // honest server sends any, and they must not pass for protected ones.
    if (!m_input.empty())
        return Fail(NetStatus::Error(ERROR_INTERNET_INVALID_SERVER_RESPONSE));
    if (NetStatus started = m_stream.StartTls(host, nullptr, Deadline(m_timeouts.connectMs)); !started)
        return Fail(started);
    return NetStatus::Success();
}

NetStatus FtpControlChannel::ClosedStatus() const
{
    return NetStatus::Error(m_bClosedByUs ? ERROR_INTERNET_INCORRECT_HANDLE_STATE : ERROR_FTP_DROPPED);
}

void FtpControlChannel::Break()
{
    m_stream.Reset();
    m_input.clear();
    m_scanned = 0;
}

void FtpControlChannel::Close()
{
    Break();
    m_bClosedByUs = true;
}

NetStatus FtpControlChannel::Fail(NetStatus status)
{
    Break();
    return status;
}

NetStatus FtpControlChannel::Send(std::string_view line)
{
    if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        return NetStatus::Error(EINVAL);
    if (!IsOpen())
        return ClosedStatus();
    std::string wire;
    wire.reserve(line.size() + 2);
    wire.append(line).append("\r\n");
    if (NetStatus sent = m_stream.Send(wire.data(), wire.size(), m_timeouts.replyMs); !sent)
        return Fail(sent);
    return NetStatus::Success();
}

void FtpControlChannel::SendWithoutWaiting(std::string_view line)
{
    if (!IsOpen() || line.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        return;
    std::string wire(line);
    wire.append("\r\n");
    // A short or refused send only means the server misses the farewell.
    m_stream.SendWithoutWaiting(wire.data(), wire.size());
}

NetStatus FtpControlChannel::ReadLine(std::string& line, const Deadline& deadline)
{
    for (;;) {
        const size_t end = m_input.find('\n', m_scanned);
        if (end != std::string::npos) {
            size_t length = end;
            if (length > 0 && m_input[length - 1] == '\r')
                --length;
            line.assign(m_input, 0, length);
            m_input.erase(0, end + 1);
            m_scanned = 0;
            return NetStatus::Success();
        }
        m_scanned = m_input.size();
        // A line longer than any sane reply is a flood: stop reading it.
        if (m_input.size() > FtpReplyAssembler::kMaxLineBytes)
            return Fail(NetStatus::Error(ERROR_INTERNET_INVALID_SERVER_RESPONSE));
        const size_t used = m_input.size();
        m_input.resize(used + kReceiveChunk);
        size_t received = 0;
        NetStatus status = m_stream.Receive(m_input.data() + used, kReceiveChunk, deadline, received);
        m_input.resize(used + received);
        if (!status)
            return Fail(status);
        if (received == 0)
            return Fail(NetStatus::Error(ERROR_INTERNET_CONNECTION_ABORTED));
    }
}

NetStatus FtpControlChannel::ReadReply(FtpReply& reply)
{
    return ReadReply(reply, m_timeouts.replyMs);
}

NetStatus FtpControlChannel::ReadReply(FtpReply& reply, int timeoutMs)
{
    if (!IsOpen())
        return ClosedStatus();
    const Deadline deadline(timeoutMs);
    m_assembler.Take();
    std::string line;
    for (;;) {
        if (NetStatus read = ReadLine(line, deadline); !read)
            return read;
        switch (m_assembler.AddLine(line)) {
        case FtpReplyAssembler::Result::NeedMore:
            continue;
        case FtpReplyAssembler::Result::Invalid:
            return Fail(NetStatus::Error(ERROR_INTERNET_INVALID_SERVER_RESPONSE));
        case FtpReplyAssembler::Result::Complete:
            reply = m_assembler.Take();
            // 421: the server is closing the connection; it answers nothing more.
            if (reply.code == 421)
                Break();
            return NetStatus::Success();
        }
    }
}

NetStatus FtpControlChannel::Command(std::string_view line, FtpReply& reply)
{
    if (NetStatus sent = Send(line); !sent)
        return sent;
    return ReadReply(reply);
}
