#include "ftp/NetCancel.h"

#include <cstdio>
#include <cstdlib>
#include <sys/eventfd.h>
#include <unistd.h>

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

CNetCancelScope::CNetCancelScope(CNetCancel& cancel) { t_pCancel = &cancel; }

CNetCancelScope::~CNetCancelScope() { t_pCancel = nullptr; }

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
