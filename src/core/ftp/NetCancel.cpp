#include "net/NetCancel.h"

#include <cstdio>
#include <cstdlib>
#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>

namespace {

thread_local CNetCancel* t_pCancel = nullptr;

std::atomic<std::thread::id>& ForbiddenThread()
{
    static std::atomic<std::thread::id> thread{};
    return thread;
}

} // namespace

CNetCancel::CNetCancel() : m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

void CNetCancel::Cancel()
{
    m_bCanceled = true;
    if (m_wake.Valid()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wake.Get(), &one, sizeof one);
    }
}

void CNetCancel::Reset()
{
    m_bCanceled = false;
    if (m_wake.Valid()) {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t taken = ::read(m_wake.Get(), &count, sizeof count);
    }
}

CNetCancelScope::CNetCancelScope(CNetCancel& cancel) { t_pCancel = &cancel; }

CNetCancelScope::~CNetCancelScope() { t_pCancel = nullptr; }

CNetCancelPause::CNetCancelPause() : m_pPaused(std::exchange(t_pCancel, nullptr)) {}

CNetCancelPause::~CNetCancelPause() { t_pCancel = m_pPaused; }

void StopCancelWakeups() { t_pCancel = nullptr; }

int CurrentCancelFd() { return t_pCancel != nullptr ? t_pCancel->WakeFd() : -1; }

bool CurrentActionCanceled() { return t_pCancel != nullptr && t_pCancel->IsCanceled(); }

void ForbidNetworkWaitsOn(std::thread::id thread) { ForbiddenThread() = thread; }

bool NetworkWaitsForbiddenHere() { return ForbiddenThread().load() == std::this_thread::get_id(); }

void CheckNetworkWaitAllowed()
{
#ifndef NDEBUG
    if (NetworkWaitsForbiddenHere()) {
        std::fputs("Vamlo: a network wait was made on the window's thread\n", stderr);
        std::abort();
    }
#endif
}
