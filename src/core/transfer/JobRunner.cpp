#include "transfer/JobRunner.h"

CTransferJobRunner::~CTransferJobRunner() { Wait(); }

bool CTransferJobRunner::Start(TransferJob job, int doneMessage, std::function<void(TransferJob&)> body)
{
    std::lock_guard lock(m_mutex);
    if (m_bRunning)
        return false;
    // The previous worker has returned; collect it before reusing the job.
    if (m_thread.joinable())
        m_thread.join();
    m_job = std::move(job);
    m_bRunning = true;
    m_thread = std::thread(&CTransferJobRunner::Run, this, doneMessage, std::move(body));
    return true;
}

void CTransferJobRunner::Wait()
{
    std::lock_guard lock(m_mutex);
    if (m_thread.joinable())
        m_thread.join();
}

void CTransferJobRunner::Run(int doneMessage, std::function<void(TransferJob&)> body)
{
    body(m_job);
    m_job.m_entries.clear();
    ITransferDoneSink* sink = nullptr;
    if (m_job.m_nNotifyKind == NOTIFY_LIST)
        sink = m_job.m_pListView;
    else if (m_job.m_nNotifyKind == NOTIFY_TREE)
        sink = m_job.m_pTreeView;
    const int message = m_job.m_nNotifyKind == NOTIFY_TREE ? WM_TREE_PASTE_DONE : doneMessage;
    // Running ends before the notice, so that a view reacting to it may start the next job.
    m_bRunning = false;
    if (sink != nullptr)
        sink->PostTransferDone(message);
}
