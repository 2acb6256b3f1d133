#include "FileLimits.h"

#include <csignal>
#include <linux/capability.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Restores what it was given when the scope ends, also on an exception.
template <typename Restore>
struct OnExit {
    Restore restore;
    ~OnExit() { restore(); }
};
template <typename Restore>
OnExit(Restore) -> OnExit<Restore>;

} // namespace

void RunWithFileSizeLimit(uint64_t maxBytes, const std::function<void()>& fn)
{
    rlimit saved {};
    if (::getrlimit(RLIMIT_FSIZE, &saved) != 0)
        throw std::runtime_error("getrlimit failed");
    void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = maxBytes;
    if (::setrlimit(RLIMIT_FSIZE, &small) != 0) {
        std::signal(SIGXFSZ, previous);
        throw std::runtime_error("setrlimit failed");
    }
    OnExit restore {[&] {
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
    }};
    fn();
}

void RunWithoutAccessOverride(const std::function<void()>& fn)
{
    // The raw calls act on the calling thread alone, which is what is wanted:
    // only the code under test loses the right, and only while it runs.
    __user_cap_header_struct header {_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[_LINUX_CAPABILITY_U32S_3] {};
    if (::syscall(SYS_capget, &header, saved) != 0)
        throw std::runtime_error("capget failed");
    __user_cap_data_struct reduced[_LINUX_CAPABILITY_U32S_3] {};
    for (int i = 0; i < _LINUX_CAPABILITY_U32S_3; ++i)
        reduced[i] = saved[i];
    for (const int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
        reduced[capability / 32].effective &= ~(1U << (capability % 32));
    if (::syscall(SYS_capset, &header, reduced) != 0)
        throw std::runtime_error("capset failed");
    OnExit restore {[&] { ::syscall(SYS_capset, &header, saved); }};
    fn();
}
