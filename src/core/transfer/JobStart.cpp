// The document's transfer job starters.
#include "app/AppCore.h"
#include "app/VamloDoc.h"
#include "fileops/MoveSources.h"
#include "model/SiteInfo.h"
#include "transfer/GetDriver.h"
#include "transfer/PutDriver.h"
#include "transfer/RemoteCopyDriver.h"

namespace {

TransferJob MakeJob(CVamloDoc& doc, CFileInfoList entries, int32_t notifyKind, ITransferDoneSink* treeView,
                    ITransferDoneSink* listView, const std::optional<CVamloDoc::CJobPlaces>& places)
{
    TransferJob job;
    job.m_pDoc = &doc;
    job.m_entries = std::move(entries);
    job.m_nNotifyKind = notifyKind;
    job.m_pTreeView = treeView;
    job.m_pListView = listView;
    job.m_strTargetFolder = places ? places->m_strTargetFolder : doc.m_strCurrentFolder;
    job.m_pTargetSite = places ? places->m_pTargetSite : doc.m_pCurrentSite;
    job.m_pSourceSite = places ? places->m_pSourceSite : doc.App().m_pClipSourceSite;
    return job;
}

// The site an action works on is busy for the whole action: the GUI thread
// sees that and does not wait on its connection.
std::unique_lock<std::mutex> HoldSite(CVamloSiteInfo* site)
{
    return site != nullptr ? std::unique_lock<std::mutex>(site->m_mutexInUse) : std::unique_lock<std::mutex>();
}

} // namespace

CVamloDoc::~CVamloDoc()
{
    m_bCancelTransfer = 1;
    m_jobRunner.Wait();
    if (m_app.m_pConnectLog == this)
        m_app.m_pConnectLog = nullptr;
}

int CVamloDoc::StartJob(CFileInfoList entries, int32_t notifyKind, ITransferDoneSink* treeView,
                        ITransferDoneSink* listView, const std::optional<CJobPlaces>& places, int doneMessage,
                        std::function<void(TransferJob&)> work)
{
    if (IsTransferRunning())
        return 0;
    // Reset here, not in the worker: a Cancel pressed as the job starts
    // must not be wiped out by the worker's first line.
    m_bCancelTransfer = 0;
    TransferJob job = MakeJob(*this, std::move(entries), notifyKind, treeView, listView, places);
    // Cancel wakes the worker's network waits too, not only its checks
    // between blocks.
    return m_jobRunner.Start(std::move(job), doneMessage,
                             [this, work = std::move(work)](TransferJob& running) {
                                 const CNetCancelScope scope(m_bCancelTransfer.Switch());
                                 work(running);
                             })
               ? 1
               : 0;
}

int CVamloDoc::StartGetJob(CFileInfoList entries, int32_t notifyKind, ITransferDoneSink* treeView,
                           ITransferDoneSink* listView, const std::optional<CJobPlaces>& places)
{
    return StartJob(std::move(entries), notifyKind, treeView, listView, places, WM_LIST_GET_DONE, [this](TransferJob& running) {
        auto busy = HoldSite(running.m_pSourceSite);
        CGetDriver(*this, running).GetEntries(running.m_entries, 0);
    });
}

int CVamloDoc::StartPutJob(CFileInfoList entries, int32_t notifyKind, ITransferDoneSink* treeView,
                           ITransferDoneSink* listView, const std::optional<CJobPlaces>& places)
{
    const bool move = places && places->m_bMoveSources;
    return StartJob(std::move(entries), notifyKind, treeView, listView, places, WM_LIST_PUT_DONE, [this, move](TransferJob& running) {
        auto busy = HoldSite(running.m_pTargetSite);
        if (move)
            BeginPutMove(*this);
        CPutDriver(*this, running).PutEntries(running.m_entries, 0);
        busy = {};
        if (move)
            EndPutMove(*this, running);
    });
}

int CVamloDoc::StartRemoteCopyJob(CFileInfoList entries, int32_t notifyKind, ITransferDoneSink* treeView,
                                  ITransferDoneSink* listView, const std::optional<CJobPlaces>& places)
{
    return StartJob(std::move(entries), notifyKind, treeView, listView, places, WM_LIST_PUT_DONE, [this](TransferJob& running) {
        // Both sites are busy for the whole copy; a copy within one site
        // holds it once.
        auto sourceBusy = HoldSite(running.m_pSourceSite);
        auto targetBusy =
            HoldSite(running.m_pTargetSite != running.m_pSourceSite ? running.m_pTargetSite : nullptr);
        CRemoteCopyDriver(*this, running).RemoteCopyEntries(running.m_entries);
    });
}
