#include "net/NetCancel.h"
#include "net/NetErrors.h"
#include "sftp/SftpLink.h"

#include <algorithm>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

CSshWatch::CSshWatch(int socketFd) : m_socket(socketFd), m_wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    m_thread = std::thread([this] { Run(); });
}

CSshWatch::~CSshWatch()
{
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    Wake();
    m_thread.join();
}

void CSshWatch::Wake()
{
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(m_wake.Get(), &one, sizeof one);
}

void CSshWatch::Arm(int timeoutMs)
{
    CheckNetworkWaitAllowed();
    m_lastStepMs = NowMs();
    {
        std::lock_guard lock(m_mutex);
        m_bArmed = true;
        m_bCanceled = false;
        m_cancelFd = CurrentCancelFd();
        m_end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        if (CurrentActionCanceled())
            GraceLocked();
    }
    Wake();
}

void CSshWatch::GraceLocked()
{
    m_bCanceled = true;
    m_cancelFd = -1;
    m_end = std::min(m_end, std::chrono::steady_clock::now() + std::chrono::milliseconds(kCancelGraceMs));
}

void CSshWatch::Disarm()
{
    std::lock_guard lock(m_mutex);
    m_bArmed = false;
    m_cancelFd = -1;
}

void CSshWatch::Cut(int reason)
{
    int none = 0;
    if (m_cut.compare_exchange_strong(none, reason))
        shutdown(m_socket, SHUT_RDWR);
}

void CSshWatch::Run()
{
    for (;;) {
        pollfd fds[2] = {{m_wake.Get(), POLLIN, 0}, {-1, POLLIN, 0}};
        int timeoutMs = -1;
        {
            std::lock_guard lock(m_mutex);
            if (m_bStop)
                return;
            if (m_bArmed && m_cut.load() == 0) {
                fds[1].fd = m_cancelFd;
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    m_end - std::chrono::steady_clock::now());
                timeoutMs = static_cast<int>(std::max<int64_t>(0, left.count()));
                if (timeoutMs == 0) {
                    m_bArmed = false;
                    Cut(m_bCanceled ? ERROR_INTERNET_OPERATION_CANCELLED : ERROR_INTERNET_TIMEOUT);
                    continue;
                }
            }
        }
        poll(fds, 2, timeoutMs);
        if (fds[0].revents & POLLIN) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t got = read(m_wake.Get(), &count, sizeof count);
        }
        if (fds[1].fd >= 0 && (fds[1].revents & POLLIN)) {
            std::lock_guard lock(m_mutex);
            if (m_bArmed && m_cancelFd == fds[1].fd)
                GraceLocked();
        }
    }
}

CSshStep::CSshStep(CSshWatch& watch, int timeoutMs) : m_watch(watch) { m_watch.Arm(timeoutMs); }
