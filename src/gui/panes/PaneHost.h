#pragma once

#include "app/SiteListOwner.h"
#include "commands/CommandHost.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CCaptionedPane;
class CListViewDetail;
class CNetActions;
class CTreeViewSite;
class CVamloSiteInfo;
class IEditTarget;

// The window as the panes see it: the narrow way from the tree and the list
// back to the frame, so the panes never include the frame.
class IPaneHost : public ICommandHost {
public:
    // Paints the text into the status bar at once, for long synchronous work.
    virtual void SetStatusText(const QString& text) = 0;
    virtual CNetActions* NetActions() const = 0;
    virtual void SetActiveEditTarget(IEditTarget* target) = 0;
    virtual void SetTreeView(CTreeViewSite* tree) = 0;
    virtual void SetListView(CListViewDetail* list) = 0;
    virtual CCaptionedPane* TreePane() const = 0;
    virtual QWidget* ListPane() const = 0;
    virtual void ShowPlaceInTitle(uint8_t location, const std::string& folder, const CVamloSiteInfo* site) = 0;
    // The site records the window owns.
    virtual CSiteListOwner& SiteOwner() = 0;
    // The tree's answers to "a site was added" and "select this site".
    virtual void SetSiteItemHooks(std::function<void(CVamloSiteInfo*)> add,
                                  std::function<void(CVamloSiteInfo*)> select) = 0;
    // The tree's answer to "show this site and open these folders below its
    // login folder" (a link's path).
    virtual void SetSiteFolderHook(std::function<void(CVamloSiteInfo*, const std::vector<std::string>&)> open) = 0;
    // A folder rename in the tree failed; posted, so it runs after the editor closed.
    virtual void OnRenameDirFailed() = 0;
    // The Login window for a site about to connect; false when canceled.
    virtual bool AskSiteLogin(CVamloSiteInfo& site) = 0;

protected:
    ~IPaneHost() = default;
};
