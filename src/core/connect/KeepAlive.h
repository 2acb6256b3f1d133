#pragma once

#include <cstdint>

class CVamloSiteInfo;

enum class KeepAliveResult {
    NotConnected,   // the site has no connection
    NotDue,         // used more recently than the interval
    Answered,       // NOOP sent, and the server is still there
    Dropped,        // the connection was gone: the site is now disconnected
};

// How long a keep-alive waits for the server's answer.
inline constexpr int kKeepAliveReplyMs = 15000;

// For a site whose in-use lock the caller holds: sends NOOP when its
// connection has been idle for intervalMs or more, so that the server's idle
// time-out does not end it. A connection found dropped (or broken before) is
// let go, so the site counts as disconnected. nextMs receives the time until
// the next is due.
KeepAliveResult KeepSiteAlive(CVamloSiteInfo& site, int64_t intervalMs, int64_t& nextMs);
