#pragma once

#include "transfer/TransferJob.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

// Runs the one transfer job of the process in a worker thread of its own.
// A second job is refused while a worker runs.
class CTransferJobRunner {
public:
    CTransferJobRunner() = default;
    ~CTransferJobRunner();
    CTransferJobRunner(const CTransferJobRunner&) = delete;
    CTransferJobRunner& operator=(const CTransferJobRunner&) = delete;

    // Runs body(job) in a new worker thread, then frees the entries and posts
    // doneMessage to the view the job names. False when a worker still runs.
    bool Start(TransferJob job, int doneMessage, std::function<void(TransferJob&)> body);
    bool IsRunning() const { return m_bRunning; }
    // Blocks until the worker has ended (tests, shutdown).
    void Wait();

private:
    void Run(int doneMessage, std::function<void(TransferJob&)> body);

    std::mutex m_mutex;
    std::thread m_thread;
    std::atomic<bool> m_bRunning{false};
    TransferJob m_job;
};
