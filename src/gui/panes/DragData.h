#pragma once

#include "model/FileInfo.h"
#include "model/SiteList.h"

#include <optional>

class QMimeData;

// Files and folders dragged between the panes and to and from other
// programs. Inside the program the private type carries the entries and
// their site; other programs see local entries as file URLs, and remote ones
// not at all.
inline constexpr const char* kDragItemsMimeType = "application/x-vamlo-items";

// The drag of entries from one place: all local, or all on one site.
QMimeData* CreateDragData(const CFileInfoList& entries, const CVamloSiteInfo* site);

struct DroppedItems {
    CFileInfoList entries;
    CVamloSiteInfo* site = nullptr;
};
// What a drop brings: entries of ours, dragged in this process from a site
// that is still in the list (or from the local disk), else the local files
// and folders named by file URLs. Nothing when it brings neither.
std::optional<DroppedItems> ReadDropData(const QMimeData& data, const CSiteList& sites);
