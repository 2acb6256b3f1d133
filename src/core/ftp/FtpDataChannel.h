#pragma once

#include "ftp/FtpReply.h"
#include "ftp/FtpSession.h"
#include "net/Socket.h"
#include "ftp/NetStream.h"
#include "net/NetStatus.h"

#include <cstdint>
#include <string>

// Opens a data connection and sends command (RETR, STOR, LIST, MLSD ...).
// Success: the server answered with a 1xx reply and data is connected; the
// final reply is still to be read. Active mode (EPRT, else PORT) unless the
// session is passive; when the server refuses the active command or never
// connects, the command is retried once in passive mode (EPSV, else PASV)
// and the session stays passive from then on. On a TLS control connection
// the data connection is protected too, showing the same certificate.
// A restart offset sends REST just before the command; when the server
// refuses it, *restartRefused is set and nothing was transferred.
NetStatus OpenDataTransfer(FtpSession& session, const std::string& command, NetStream& data,
                           uint64_t restartAt = 0, bool* restartRefused = nullptr);

// The port of a 227 reply. The address in it is ignored on purpose: we always
// connect to the control connection's peer, so that a server (or a NAT box)
// cannot point us at a third host.
bool ParsePasvReply(const FtpReply& reply, uint16_t& port);
// The port of a 229 reply: "(<d><d><d>port<d>)".
bool ParseEpsvReply(const FtpReply& reply, uint16_t& port);
// "|1|127.0.0.1|5000|" or "|2|::1|5000|".
std::string EprtArgument(const SocketAddress& address);
// "127,0,0,1,19,136" (IPv4 only).
std::string PortArgument(const SocketAddress& address);
