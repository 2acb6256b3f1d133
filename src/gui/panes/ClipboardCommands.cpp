#include "panes/ClipboardCommands.h"

#include "app/AppCore.h"
#include "app/Prompts.h"
#include "app/VamloDoc.h"
#include "fileops/LocalCopy.h"
#include "fileops/MoveSources.h"
#include "fileops/PasteDecision.h"
#include "net/NetActions.h"
#include "transfer/TransferJob.h"

#include <algorithm>

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
    PasteSource source;
    m_app.PasteFromClipboard(source.entries);
    source.site = m_app.m_pClipSourceSite;
    PasteEntries(std::move(source), {m_doc.m_byCurrentLocation, m_doc.m_strCurrentFolder, m_doc.m_pCurrentSite},
                 target);
}

void CClipboardCommands::Drop(PasteSource source, const PastePlace& place, const PasteTarget& target)
{
    if (IsDropOntoItself(source, place))
        return;
    // Only local entries can go once copied: a site is never changed behind
    // the user's back.
    source.move = source.move && !source.entries.empty() && source.entries.front()->m_byLocation == LOCATION_LOCAL;
    PasteEntries(std::move(source), place, target);
}

namespace {

// Runs of "/" count as one and a trailing one goes: "//pub//" is "/pub".
std::string PlainPath(const std::string& path)
{
    std::string plain;
    for (char c : path)
        if (c != '/' || plain.empty() || plain.back() != '/')
            plain += c;
    if (plain.size() > 1 && plain.back() == '/')
        plain.pop_back();
    return plain;
}

} // namespace

bool CClipboardCommands::IsDropOntoItself(const PasteSource& source, const PastePlace& place)
{
    if (source.entries.empty())
        return false;
    const CVaFileInfo& first = *source.entries.front();
    if (first.m_byLocation != place.location)
        return false;
    if (place.location == LOCATION_LOCAL && IsSameLocalFolder(first.m_strPath, place.folder))
        return true;
    if (place.location == LOCATION_REMOTE) {
        if (source.site != place.site)
            return false;
        if (IsSameRemoteFolder(first.m_strPath, place.folder, source.site, place.site))
            return true;
    }
    const std::string target = PlainPath(place.folder);
    return std::any_of(source.entries.begin(), source.entries.end(),
                       [&](const auto& entry) { return PlainPath(entry->m_strPath) == target; });
}

void CClipboardCommands::PasteEntries(PasteSource source, const PastePlace& place, const PasteTarget& target)
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
    CFileInfoList& entries = source.entries;
    if (entries.empty())
        return;
    const CVaFileInfo& first = *entries.front();
    // A site in the middle of a connect or a listing is not handed to a job;
    // a keep-alive is only waited for, by the job's own worker.
    if (m_pNetActions != nullptr) {
        for (CVamloSiteInfo* site : {source.site, place.site}) {
            if (site != nullptr && m_pNetActions->HasActionOn(site, false)) {
                m_pNetActions->ShowBusyMessage(site);
                return;
            }
        }
    }
    ITransferDoneSink* tree = target.notifyKind == NOTIFY_TREE ? target.view : nullptr;
    ITransferDoneSink* list = target.notifyKind == NOTIFY_LIST ? target.view : nullptr;
    const CVamloDoc::CJobPlaces places{place.folder, place.site, source.site, source.move};
    switch (DecidePaste(first.m_byLocation, place.location)) {
    case PasteAction::LocalCopy:
        if (IsSameLocalFolder(first.m_strPath, place.folder)) {
            prompts.MessageBox(kSamePathMessage);
            return;
        }
        if (source.move)
            MoveEntriesLocally(m_doc, prompts, place.folder, entries);
        else
            CLocalCopier(m_doc, prompts, place.folder).CopyEntriesLocally(entries);
        if (target.refreshAfterCopy)
            target.refreshAfterCopy();
        return;
    case PasteAction::Get:
        m_doc.StartGetJob(std::move(entries), target.notifyKind, tree, list, places);
        return;
    case PasteAction::Put:
        m_doc.StartPutJob(std::move(entries), target.notifyKind, tree, list, places);
        return;
    case PasteAction::RemoteCopy:
        if (IsSameRemoteFolder(first.m_strPath, place.folder, source.site, place.site)) {
            prompts.MessageBox(kSamePathMessage);
            return;
        }
        m_doc.StartRemoteCopyJob(std::move(entries), target.notifyKind, tree, list, places);
        return;
    case PasteAction::None:
        return;
    }
}
