#pragma once

#include "transfer/StatusDialog.h"
#include "transfer/TransferCancel.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The document's state of the running transfer. The worker writes most of
// it; what the GUI thread also touches is atomic or guarded.
class CTransferState {
public:
    virtual ~CTransferState() = default;

    // 1 once the user pressed Cancel or Escape in the Status window.
    CTransferCancel m_bCancelTransfer;
    // The running action's Status window; the worker's alone.
    std::unique_ptr<IStatusDialog> m_pStatusDlg;
    // 0 once the connection was lost and not restored: every step returns.
    std::atomic<int32_t> m_bContinueTransfer{0};
    // 1 after Yes to All; the file list's Paste resets it.
    std::atomic<int32_t> m_bYesToAll{0};
    int64_t m_nLocalFileCount = 0;
    int64_t m_nRemoteFileCount = 0;
    std::string m_strFileCount;
    int64_t m_nFilesSent = 0;
    int64_t m_nFilesReceived = 0;

    // Names that the last transfer wrote at the top of the target folder.
    void AddTransferredName(const std::string& name);
    void ClearTransferredNames();
    std::vector<std::string> TransferredNames() const;

private:
    mutable std::mutex m_namesMutex;
    std::vector<std::string> m_transferredNames;
};
