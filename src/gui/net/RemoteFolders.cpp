#include "net/RemoteFolders.h"

#include "remote/RemoteEngine.h"
#include "net/NetCancel.h"
#include "model/SiteInfo.h"
#include "net/NetActions.h"
#include "path/Paths.h"
#include "transfer/TransferDriver.h"

namespace {

constexpr uint32_t kFreshFindFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;

} // namespace

std::string RemoteSearchPattern(const std::string& folder)
{
    return folder == "/" ? std::string("/*") : folder + "/*";
}

bool EnsureSiteConnection(NetActionContext& context)
{
    CVamloSiteInfo* site = context.site;
    int code = 0;
    std::string cause;
    if (CTransferDriver::IsConnectionAlive(site->m_pConnection.get(), code, cause) != 0)
        return true;
    if (context.cancel.IsCanceled())
        return false;
    IPrompts& prompts = context.prompts;
    const MsgResult answer = prompts.MessageBox("The connection to ftp site \"" + site->m_strAddress +
                                                    "\" is broken.\nDo you want to reconnect to the ftp site?",
                                                MsgButtons::YesNo, MsgIcon::Question);
    if (answer == MsgResult::Yes) {
        prompts.SetStatusText("Connecting to ftp site: " + site->m_strAddress);
        // The broken connection goes first: a record connects from clean.
        if (site->Reconnect(context.connect) == 1)
            return true;
        prompts.MessageBox("Failed to reconnect to ftp site \"" + site->m_strAddress +
                               "\".\nPlease try to reconnect to the ftp site later.",
                           MsgButtons::Ok);
        prompts.SetStatusText("Failed to connect to ftp site: " + site->m_strAddress);
    }
    site->Disconnect();
    return false;
}

bool ListRemoteSubfolders(NetActionContext& context, const std::string& folder, std::vector<RemoteSubfolder>& out)
{
    out.clear();
    CVamloSiteInfo* site = context.site;
    if (!site->m_pConnection)
        return false;
    const std::string pattern = RemoteSearchPattern(folder);
    context.prompts.SetStatusText("Searching " + pattern);
    bool sawDirectory = false;
    {
        CRemoteFileFind finder(site->m_pConnection.get());
        bool more = finder.FindFile(pattern, kFreshFindFlags);
        while (more) {
            more = finder.FindNextFile();
            if (!finder.IsDirectory())
                continue;
            sawDirectory = true;
            if (finder.IsDots())
                continue;
            RemoteSubfolder found;
            found.name = LastPathComponent(finder.GetFileName());
            found.path = folder + "/" + found.name;
            context.prompts.SetStatusText("Found: " + found.path);
            out.push_back(std::move(found));
        }
        finder.Close();
    }
    if (context.cancel.IsCanceled())
        return false;
    if (!sawDirectory)
        return true;
    // One look into each child decides whether it gets an expand button.
    for (RemoteSubfolder& child : out) {
        context.prompts.SetStatusText("Searching the subfolders of folder: " + child.path);
        if (!site->m_pConnection || context.cancel.IsCanceled())
            return false;
        CRemoteFileFind probe(site->m_pConnection.get());
        bool more = probe.FindFile(child.path + "/*", kFreshFindFlags);
        while (more) {
            more = probe.FindNextFile();
            if (probe.IsDirectory()) {
                child.hasSubfolder = true;
                break;
            }
        }
        probe.Close();
    }
    return true;
}

bool ListRemoteEntries(NetActionContext& context, const std::string& folder, std::vector<RemoteEntry>& out)
{
    out.clear();
    const std::shared_ptr<IRemoteConnection> connection = context.site->m_pConnection;
    if (!connection)
        return false;
    CRemoteFileFind find(connection.get());
    bool working = find.FindFile(folder + "/*", kFreshFindFlags);
    while (working) {
        working = find.FindNextFile();
        if (find.IsDots())
            continue;
        RemoteEntry entry;
        entry.name = LastPathComponent(find.GetFileName());
        entry.isFolder = find.IsDirectory();
        entry.isLink = find.IsLink();
        entry.size = find.GetLength();
        find.GetLastWriteTime(entry.modified);
        entry.permissions = find.GetPermissions();
        out.push_back(std::move(entry));
    }
    find.Close();
    return !context.cancel.IsCanceled();
}
