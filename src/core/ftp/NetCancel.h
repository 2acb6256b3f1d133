#pragma once

#include "ftp/FtpSocket.h"

#include <atomic>
#include <thread>

// A switch that ends the network waits of one short action at once: a
// connect, a log on or a listing started from the window. Another thread
// throws it; the waiting thread wakes and its step fails with
// ERROR_INTERNET_OPERATION_CANCELLED.
class CNetCancel {
public:
    CNetCancel();
    CNetCancel(const CNetCancel&) = delete;
    CNetCancel& operator=(const CNetCancel&) = delete;

    void Cancel();   // any thread, any number of times
    bool IsCanceled() const { return m_bCanceled.load(); }
    int WakeFd() const { return m_wake.Get(); }   // readable once canceled

private:
    std::atomic<bool> m_bCanceled{false};
    UniqueFd m_wake;
};

// While it lives, the network waits of the constructing thread also wake on
// the switch. Scopes do not nest.
class CNetCancelScope {
public:
    explicit CNetCancelScope(CNetCancel& cancel);
    ~CNetCancelScope();
    CNetCancelScope(const CNetCancelScope&) = delete;
    CNetCancelScope& operator=(const CNetCancelScope&) = delete;
};

// The wake descriptor of the calling thread's switch, or -1.
int CurrentCancelFd();
// True when the calling thread's switch has been thrown.
bool CurrentActionCanceled();

// The window's thread must never wait on a socket. Once it is named here,
// every network wait made on it stops the program with a message in builds
// with assertions, so that a test run finds any such call.
void ForbidNetworkWaitsOn(std::thread::id thread);
void CheckNetworkWaitAllowed();
bool NetworkWaitsForbiddenHere();
