#pragma once

// The remote steps of the folder tree and the file list, as they run on a
// short network action's worker: nothing here touches a widget.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

struct NetActionContext;

// A subfolder found under a remote folder, and whether it has one of its own.
struct RemoteSubfolder {
    std::string name;
    std::string path;
    bool hasSubfolder = false;
};

// One row of a remote folder for the file list.
struct RemoteEntry {
    std::string name;
    bool isFolder = false;
    bool isLink = false;
    uint64_t size = 0;
    std::time_t modified = 0;
    std::string permissions;
};

// The connection check with its reconnect prompt; false when the site is
// left disconnected (answered No, or the reconnect failed or was cancelled).
bool EnsureSiteConnection(NetActionContext& context);

// The subfolders of a folder, each probed for subfolders of its own; false
// when the site has no connection.
bool ListRemoteSubfolders(NetActionContext& context, const std::string& folder, std::vector<RemoteSubfolder>& out);

// The entries of a folder without "." and ".."; false when there is no
// connection or the listing failed.
bool ListRemoteEntries(NetActionContext& context, const std::string& folder, std::vector<RemoteEntry>& out);

std::string RemoteSearchPattern(const std::string& folder);
