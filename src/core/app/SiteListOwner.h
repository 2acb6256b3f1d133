#pragma once

#include "model/SiteList.h"

#include <cstdint>

// Owner of every site record: the main frame derives from it, tests use it
// alone. Records are deleted (and so disconnected) with the owner.
struct CSiteListOwner {
    CSiteList m_siteList;
    // 1 while the records differ from what the site list file holds.
    int32_t m_bSiteListModified = 0;
};
