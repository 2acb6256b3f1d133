#pragma once

#include "model/FileInfo.h"

#include <cstdint>
#include <string>

class CVamloDoc;
class CVamloSiteInfo;

// The notices a transfer posts to the view whose Paste started it.
enum : int {
    WM_TREE_PASTE_DONE = 0x403,
    WM_LIST_GET_DONE = 0x404,
    WM_LIST_PUT_DONE = 0x405,
};

// A view that hears when a transfer has ended. Called from the worker
// thread: it must only post, never wait.
class ITransferDoneSink {
public:
    virtual ~ITransferDoneSink() = default;
    virtual void PostTransferDone(int message) = 0;
};

enum : int32_t { NOTIFY_TREE = 1, NOTIFY_LIST = 2 };

// The one transfer job of the process: filled by a Paste, owned by the
// worker thread from its start to its end.
struct TransferJob {
    CVamloDoc* m_pDoc = nullptr;
    CFileInfoList m_entries;
    int32_t m_nNotifyKind = 0;
    ITransferDoneSink* m_pTreeView = nullptr;
    ITransferDoneSink* m_pListView = nullptr;
    // Where the files go and come from, taken when the Paste starts the job:
    // the panes may show another folder or site while the transfer runs.
    std::string m_strTargetFolder;
    CVamloSiteInfo* m_pTargetSite = nullptr;
    CVamloSiteInfo* m_pSourceSite = nullptr;
    // The failure lines this job wrote to the log.
    int64_t m_nFailures = 0;
};
