#pragma once

#include "model/SiteList.h"

#include <cstdint>
#include <functional>
#include <string>

class CAppCore;
struct CSiteListOwner;

// The text shown when an action needs a site that a transfer is using.
std::string SiteBusyMessage(const std::string& address);

// The Site Manager's working copies of the records, in list order. Record n
// (counting from 1) and its copy both get m_nEditId = n; the copies start
// unedited.
CSiteList MakeSiteWorkList(CSiteList& siteList);

// The first record with this edit id, or null.
CVamloSiteInfo* FindRecordByEditId(const CSiteList& siteList, int32_t editId);

// Removes a shown site's tree item and disconnects it; false, with nothing
// changed, while a transfer holds the site (the user has been told).
using RemoveShownSiteFn = std::function<bool(CVamloSiteInfo& site)>;

// Carries the working copies back into the owner's records after OK:
// deleted copies delete their records (a shown site leaves the tree first),
// edited copies are assigned to theirs, new copies become new records.
// bChanged is set for every change made, and then the owner's modified flag.
// A record that a transfer is using is never deleted: the user is told, and
// it stays.
void ApplySiteManagerChanges(CSiteListOwner& owner, CSiteList& workList, int32_t& bChanged, CAppCore& app,
                             const RemoveShownSiteFn& removeShownSite);
