#pragma once

#include "net/Socket.h"

#include <atomic>
#include <thread>

// A switch that ends the network waits of one action at once: a connect, a
// log on or a listing started from the window, or a transfer job. Another
// thread throws it; the waiting thread wakes and its step fails with
// ERROR_INTERNET_OPERATION_CANCELLED.
class CNetCancel {
public:
    CNetCancel();
    CNetCancel(const CNetCancel&) = delete;
    CNetCancel& operator=(const CNetCancel&) = delete;

    void Cancel();   // any thread, any number of times
    // Sets it back for the next action; only while no thread waits on it.
    void Reset();
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

// While it lives, the calling thread's waits do not look at its switch: an
// exchange that is bounded on its own and must end in step (ABOR after a
// cut transfer) runs to its end.
class CNetCancelPause {
public:
    CNetCancelPause();
    ~CNetCancelPause();
    CNetCancelPause(const CNetCancelPause&) = delete;
    CNetCancelPause& operator=(const CNetCancelPause&) = delete;

private:
    CNetCancel* m_pPaused;
};

// For the rest of its scope the calling thread's waits no longer wake on its
// switch: its action has seen the Cancel and only cleans up (ABOR, removing
// a partial file), within the ordinary time-outs.
void StopCancelWakeups();

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
