#pragma once

#include "net/NetFlags.h"
#include "ftp/FtpReply.h"
#include "net/Socket.h"
#include "ftp/NetStream.h"
#include "net/NetStatus.h"

#include <string>
#include <string_view>

// The control connection: sends command lines and reads bounded replies.
// Any transport fault, time-out or unreadable reply breaks the connection
// for good, because the reply stream can no longer be trusted to line up
// with our commands.
class FtpControlChannel {
public:
    NetStatus Connect(const std::string& host, uint16_t port, const CFtpTimeouts& timeouts);

    // Sends one command; CR LF is added. A line holding CR, LF or NUL is
    // refused: it would smuggle a second command to the server.
    NetStatus Send(std::string_view line);
    // Hands one command to the socket only if it can take it at once; never
    // waits. For a farewell whose fate does not matter.
    void SendWithoutWaiting(std::string_view line);
    // Reads one complete reply within timeoutMs (default: the reply time-out).
    NetStatus ReadReply(FtpReply& reply);
    NetStatus ReadReply(FtpReply& reply, int timeoutMs);
    // Send, then read the reply. Success means a reply came, whatever its code.
    NetStatus Command(std::string_view line, FtpReply& reply);

    // AUTH TLS has been accepted: the handshake on this connection.
    NetStatus StartTls(const std::string& host);

    bool IsOpen() const { return m_stream.Valid(); }
    bool IsTls() const { return m_stream.IsTls(); }
    // A reply may already be here although a poll on Fd() would not say so.
    bool HasPendingInput() const { return !m_input.empty() || m_stream.HasPendingInput(); }
    // Why calls fail once the connection is gone.
    NetStatus ClosedStatus() const;
    void Break();   // the connection failed
    void Close();   // we ended it

    int Fd() const { return m_stream.Fd(); }
    const NetStream& Stream() const { return m_stream; }
    const SocketAddress& LocalAddress() const { return m_local; }
    const SocketAddress& PeerAddress() const { return m_peer; }
    const CFtpTimeouts& Timeouts() const { return m_timeouts; }

private:
    NetStatus ReadLine(std::string& line, const Deadline& deadline);
    NetStatus Fail(NetStatus status);

    NetStream m_stream;
    SocketAddress m_local;
    SocketAddress m_peer;
    CFtpTimeouts m_timeouts;
    std::string m_input;   // received bytes not yet consumed
    size_t m_scanned = 0;  // bytes of m_input already searched for a line end
    bool m_bClosedByUs = false;
    FtpReplyAssembler m_assembler;
};

// The failure status for a reply that did not succeed: its text is the reply.
NetStatus ReplyFailure(const FtpReply& reply);
