#include "app/SiteManagerChanges.h"

#include "app/AppCore.h"
#include "app/Prompts.h"
#include "app/SiteListOwner.h"

#include <mutex>

namespace {

// Takes the record out of the tree and off the network; false when a
// transfer holds it, since the transfer would go on using a freed record.
bool ReleaseRecord(CVamloSiteInfo& record, CAppCore& app, const RemoveShownSiteFn& removeShownSite)
{
    if (record.m_hTreeItem != 0 && removeShownSite)
        return removeShownSite(record);
    std::unique_lock<std::mutex> inUse(record.m_mutexInUse, std::try_to_lock);
    if (!inUse.owns_lock()) {
        app.Prompts().MessageBox(SiteBusyMessage(record.m_strAddress), MsgButtons::Ok, MsgIcon::Information);
        return false;
    }
    // Closed while no transfer can start on it; the lock is let go before
    // the record itself goes.
    record.DisconnectWithoutWaiting();
    return true;
}

template <typename T>
void Take(T& field, const T& value)
{
    if (field != value)
        field = value;
}

// The copy's fields into the record. Only fields that differ are written: a
// transfer on a connected site may be reading the others. The tree item is
// the tree's own, not the dialog's. What a worker logs on with changes only
// while no one uses the record; false, after the busy message, when someone
// does, and the record stays as it was.
bool TakeEditedCopy(CVamloSiteInfo& record, const CVamloSiteInfo& copy, CAppCore& app)
{
    std::unique_lock<std::mutex> inUse(record.m_mutexInUse, std::defer_lock);
    const bool logonChanged = record.m_strAddress != copy.m_strAddress || record.m_strPort != copy.m_strPort ||
                              record.m_strUserName != copy.m_strUserName ||
                              record.m_strPassword != copy.m_strPassword;
    if (logonChanged && !inUse.try_lock()) {
        app.Prompts().MessageBox(SiteBusyMessage(record.m_strAddress), MsgButtons::Ok, MsgIcon::Information);
        return false;
    }
    Take(record.m_strAddress, copy.m_strAddress);
    Take(record.m_strPort, copy.m_strPort);
    Take(record.m_strUserName, copy.m_strUserName);
    if (record.m_strPassword != copy.m_strPassword)
        record.m_strLinkPassword.clear();   // the user's own password from now on
    Take(record.m_strPassword, copy.m_strPassword);
    Take(record.m_strProxy, copy.m_strProxy);
    Take(record.m_bSavePassword, copy.m_bSavePassword);
    Take(record.m_bReconnectAtLogon, copy.m_bReconnectAtLogon);
    Take(record.m_bAvailable, copy.m_bAvailable);
    Take(record.m_strNotes, copy.m_strNotes);
    record.m_bDeleted = copy.m_bDeleted;
    record.m_bEdited = copy.m_bEdited;
    return true;
}

} // namespace

std::string SiteBusyMessage(const std::string& address)
{
    return "The ftp site \"" + address +
           "\" is busy with a file transfer. Please try again when the transfer has finished.";
}

CSiteList MakeSiteWorkList(CSiteList& siteList)
{
    CSiteList workList;
    int32_t editId = 0;
    for (const auto& record : siteList) {
        ++editId;
        if (!record)
            continue;
        auto copy = std::make_unique<CVamloSiteInfo>(*record);
        record->m_nEditId = editId;
        copy->m_nEditId = editId;
        copy->m_bEdited = 0;
        workList.push_back(std::move(copy));
    }
    return workList;
}

CVamloSiteInfo* FindRecordByEditId(const CSiteList& siteList, int32_t editId)
{
    for (const auto& record : siteList)
        if (record && record->m_nEditId == editId)
            return record.get();
    return nullptr;
}

void ApplySiteManagerChanges(CSiteListOwner& owner, CSiteList& workList, int32_t& bChanged, CAppCore& app,
                             const RemoveShownSiteFn& removeShownSite)
{
    CSiteList& siteList = owner.m_siteList;
    for (const auto& copy : workList) {
        if (copy->m_nEditId > 0) {
            auto found = siteList.begin();
            while (found != siteList.end() && !(*found && (*found)->m_nEditId == copy->m_nEditId))
                ++found;
            if (found == siteList.end())
                continue;
            CVamloSiteInfo& record = **found;
            if (copy->m_bDeleted == 1) {
                if (!ReleaseRecord(record, app, removeShownSite))
                    continue;
                // A later Paste must not take its source from a freed record.
                if (app.m_pClipSourceSite == &record)
                    app.m_pClipSourceSite = nullptr;
                siteList.erase(found);
                bChanged = 1;
            } else if (copy->m_bEdited == 1 && TakeEditedCopy(record, *copy, app)) {
                bChanged = 1;
            }
        } else {
            auto record = std::make_unique<CVamloSiteInfo>(*copy);
            siteList.push_back(std::move(record));
            bChanged = 1;
        }
    }
    if (bChanged == 1)
        owner.m_bSiteListModified = 1;
}
