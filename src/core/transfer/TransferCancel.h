#pragma once

#include "net/NetCancel.h"

#include <atomic>
#include <cstdint>

// The Cancel of a transfer job: a flag the drivers look at between steps,
// and the switch that wakes the job's network waits the moment it is set,
// so that a server trickling a byte at a time cannot hold the job.
class CTransferCancel {
public:
    // 1 cancels (any thread); 0 sets it back for the next job, before its
    // worker starts.
    void store(int32_t value)
    {
        m_flag.store(value);
        if (value != 0)
            m_switch.Cancel();
        else
            m_switch.Reset();
    }
    int32_t load() const { return m_flag.load(); }
    CTransferCancel& operator=(int32_t value)
    {
        store(value);
        return *this;
    }
    operator int32_t() const { return load(); }
    // The job's worker waits under it (CNetCancelScope).
    CNetCancel& Switch() { return m_switch; }

private:
    std::atomic<int32_t> m_flag{0};
    CNetCancel m_switch;
};
