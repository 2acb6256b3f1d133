#include "ui/ClipboardCommands.h"

#include "app/AppCore.h"
#include "app/Prompts.h"
#include "app/VamloDoc.h"
#include "fileops/LocalCopy.h"
#include "fileops/PasteDecision.h"
#include "transfer/TransferJob.h"
#include "ui/NetActions.h"

CClipboardCommands::CClipboardCommands(CVamloDoc& doc, CAppCore& app) : m_doc(doc), m_app(app) {}

bool CClipboardCommands::CanPaste() const
{
    return m_app.HasClipboardFileList() == 1 && m_doc.m_byCurrentLocation != LOCATION_NONE;
}

void CClipboardCommands::CopyEntries(const CFileInfoList& entries, uint8_t location, CVamloSiteInfo* site)
{
    CWaitCursor wait(m_app.Prompts());
    if (location == LOCATION_LOCAL)
        m_app.m_pClipSourceSite = nullptr;
    else if (location == LOCATION_REMOTE)
        m_app.m_pClipSourceSite = site;
    m_app.CopyToClipboard(entries);
}

void CClipboardCommands::Paste(const PasteTarget& target)
{
    IPrompts& prompts = m_app.Prompts();
    CWaitCursor wait(prompts);
    // The one job block belongs to the running transfer until it ends.
    if (m_doc.IsTransferRunning()) {
        prompts.MessageBox(kPasteWhileTransferMessage, MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    if (target.notifyKind == NOTIFY_LIST)
        m_doc.m_bYesToAll = 0;
    CFileInfoList entries;
    m_app.PasteFromClipboard(entries);
    if (entries.empty())
        return;
    const CVaFileInfo& first = *entries.front();
    // A site in the middle of a connect or a listing is not handed to a job.
    if (m_pNetActions != nullptr) {
        for (CVamloSiteInfo* site : {m_app.m_pClipSourceSite, m_doc.m_pCurrentSite}) {
            if (site != nullptr && m_pNetActions->HasActionOn(site)) {
                m_pNetActions->ShowBusyMessage(site);
                return;
            }
        }
    }
    ITransferDoneSink* tree = target.notifyKind == NOTIFY_TREE ? target.view : nullptr;
    ITransferDoneSink* list = target.notifyKind == NOTIFY_LIST ? target.view : nullptr;
    switch (DecidePaste(first.m_byLocation, m_doc.m_byCurrentLocation)) {
    case PasteAction::LocalCopy:
        if (IsSameLocalFolder(first.m_strPath, m_doc.m_strCurrentFolder)) {
            prompts.MessageBox(kSamePathMessage);
            return;
        }
        CLocalCopier(m_doc, prompts).CopyEntriesLocally(entries);
        if (target.refreshAfterCopy)
            target.refreshAfterCopy();
        return;
    case PasteAction::Get:
        m_doc.StartGetJob(std::move(entries), target.notifyKind, tree, list);
        return;
    case PasteAction::Put:
        m_doc.StartPutJob(std::move(entries), target.notifyKind, tree, list);
        return;
    case PasteAction::RemoteCopy:
        if (IsSameRemoteFolder(first.m_strPath, m_doc.m_strCurrentFolder, m_app.m_pClipSourceSite,
                               m_doc.m_pCurrentSite)) {
            prompts.MessageBox(kSamePathMessage);
            return;
        }
        m_doc.StartRemoteCopyJob(std::move(entries), target.notifyKind, tree, list);
        return;
    case PasteAction::None:
        return;
    }
}
