#pragma once

#include "fileops/LocalDelete.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class IRemoteConnection;
class CVamloSiteInfo;
class IPrompts;

// How the walks over a site's folders see their entries.
namespace remotewalk {
// A link is handled as itself, never walked into: it may lead out of the
// folder walked. Unsure: listed as a folder in a form that does not tell a
// link from a folder.
enum class Kind { File, Folder, Link, Unsure };

struct Listed {
    std::string name;
    Kind kind = Kind::File;
};

// The folder's entries; false when it could not be listed at all.
bool ListEntries(IRemoteConnection& connection, const std::string& path, uint32_t flags, std::vector<Listed>& entries);
// Settles the unsure folders with the long listing, whose lines mark links.
// The name of one that stays unsure, or empty.
std::string SettleUnsure(IRemoteConnection& connection, const std::string& path, std::vector<Listed>& entries);
} // namespace remotewalk

// Deletes on an FTP site, on the thread that holds the site. Each folder's
// listing is read whole before anything in it is removed; names are joined
// to their folder's path. Once canceled, steps fail without a message.
class CRemoteDelete {
public:
    CRemoteDelete(CVamloSiteInfo* site, IPrompts& prompts, std::function<bool()> canceled = {});

    // The folder and everything in it; 1 when the folder is gone. Links in
    // it are removed as links; a folder the listings cannot tell from a link
    // stops the delete before anything of its parent goes.
    int DeleteRemoteFolder(const std::string& path);
    // The file list's Delete of rows in folder (joined with "//"). False
    // when the command ended at once.
    bool DeleteRows(const std::string& folder, const std::vector<DeleteRow>& rows);

    size_t RemovedCount() const { return m_nRemoved; }

private:
    int DeleteFolderAt(const std::string& path, int depth);
    bool Canceled() const { return m_canceled && m_canceled(); }
    void Removed();

    CVamloSiteInfo* m_pSite;
    IPrompts& m_prompts;
    std::function<bool()> m_canceled;
    size_t m_nRemoved = 0;
};
