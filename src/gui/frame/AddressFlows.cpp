// The main frame's flows from an address in the toolbar's box to a
// connected site.
#include "frame/MainFrame.h"

#include "app/AppCore.h"
#include "app/Prompts.h"
#include "connect/UrlParser.h"
#include "model/SiteInfo.h"
#include "net/NetActions.h"
#include "sites/SiteDialogValues.h"
#include "sites/SiteInfoDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

constexpr int kLinkRetryMs = 250;

// A record that a transfer or another action uses is not edited: true,
// after the busy message, for such a record.
bool RefusedAsBusy(CNetActions* actions, const CVamloSiteInfo* site)
{
    if (site == nullptr || actions == nullptr || !actions->IsSiteBusy(site))
        return false;
    actions->ShowBusyMessage(site);
    return true;
}

// A record for an address not in the site list; the action that connects
// it owns it until it joins the list.
std::shared_ptr<CVamloSiteInfo> NewSiteRecord(const std::string& address, const ParsedUrl& url)
{
    auto created = std::make_shared<CVamloSiteInfo>();
    created->m_strAddress = address;
    created->m_strPort = std::to_string(url.port);
    return created;
}

} // namespace

bool CMainFrame::RunLoginDialog(CVamloSiteInfo& site, bool markModified, const ParsedUrl* typed)
{
    CLoginDlg dialog(this);
    FillSiteDialog(dialog, site);
    if (typed != nullptr && !typed->user.empty()) {
        dialog.m_strUserName = Q(typed->user);
        dialog.m_strPassword = Q(typed->password);
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (TakeSiteDialog(dialog, site) && markModified)
        m_bSiteListModified = 1;
    UpdateCommandStates();
    return true;
}

void CMainFrame::OnAddressEntered()
{
    if (m_pApp == nullptr)
        return;
    const QString typed = m_pAddressBox->currentText();
    std::string normalized;
    const std::optional<ParsedUrl> url = ParseSiteAddress(typed.toStdString(), &normalized);
    if (!url) {
        m_pApp->Prompts().MessageBox("The ftp site address \"" + normalized +
                                         "\" is invalid.\nPlease enter the ftp site address again!",
                                     MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    // A login typed into the address is kept in the login fields, not in
    // the address that the title, the tree and the site list show.
    normalized = AddressWithoutUserInfo(normalized);
    const QString text = Q(normalized);
    if (text != typed)
        m_pAddressBox->setEditText(text);

    CVamloSiteInfo* existing = FindSite(text);
    if (RefusedAsBusy(m_pNetActions, existing))
        return;
    if (existing != nullptr && existing->m_hTreeItem != 0) {
        // Shown already: only its details may change, then the tree selects it.
        if (RunLoginDialog(*existing, true, &*url) && m_fnSelectSiteItem)
            m_fnSelectSiteItem(existing);
        return;
    }
    const std::shared_ptr<CVamloSiteInfo> created = existing == nullptr ? NewSiteRecord(normalized, *url) : nullptr;
    CVamloSiteInfo& site = existing != nullptr ? *existing : *created;
    if (RunLoginDialog(site, true, &*url))
        ConnectAddress(site, created, text, {});
}

void CMainFrame::ConnectAddress(CVamloSiteInfo& site, const std::shared_ptr<CVamloSiteInfo>& created,
                                const QString& text, const std::vector<std::string>& folders)
{
    if (m_pNetActions == nullptr)
        return;
    auto connected = std::make_shared<bool>(false);
    m_pNetActions->Start(
        &site, QStringLiteral("Connecting to ftp site: ") + Q(site.m_strAddress),
        [connected](NetActionContext& context) {
            context.prompts.SetStatusText("Connecting to ftp site: " + context.site->m_strAddress);
            *connected = context.site->Connect(context.connect) == 1;
            if (!*connected)
                context.prompts.SetStatusText("Failed to connect to ftp site: " + context.site->m_strAddress);
        },
        [this, site = &site, created, connected, text, folders](NetActionEnd end) {
            if (end != NetActionEnd::Done || !*connected) {
                // A link's password that did not log on is not tried again.
                site->m_strLinkPassword.clear();
                return;
            }
            OnAddressConnected(*site, created, text, folders);
        });
}

void CMainFrame::OpenLink(const QString& link)
{
    if (m_pApp == nullptr)
        return;
    // A question or a dialog is up: the link waits until it has gone.
    if (QApplication::activeModalWidget() != nullptr) {
        QTimer::singleShot(kLinkRetryMs, this, [this, link] { OpenLink(link); });
        return;
    }
    ActivateFromSecondInstance();
    const std::string text = link.toStdString();
    const std::optional<ParsedUrl> url = ParseUrl(text);
    if (!url) {
        m_pApp->Prompts().MessageBox("The ftp site address \"" + AddressWithoutUserInfo(text) +
                                         "\" is invalid.\nPlease enter the ftp site address again!",
                                     MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    const QString address = Q(LinkSiteAddress(text));
    const std::vector<std::string> folders = LinkFolderNames(url->path);
    m_pAddressBox->setEditText(address);
    CVamloSiteInfo* existing = FindSite(address);
    if (RefusedAsBusy(m_pNetActions, existing))
        return;
    if (existing != nullptr && existing->m_hTreeItem != 0) {
        if (m_fnOpenSiteFolder)
            m_fnOpenSiteFolder(existing, folders);
        return;
    }
    const std::shared_ptr<CVamloSiteInfo> created =
        existing == nullptr ? NewSiteRecord(address.toStdString(), *url) : nullptr;
    if (created)
        created->m_strUserName = url->user;
    CVamloSiteInfo& site = existing != nullptr ? *existing : *created;
    // Another login than the record's goes through the Login window, where
    // the user sees what the record will hold.
    const bool otherUser = !url->user.empty() && url->user != site.m_strUserName;
    const bool needPassword = site.LacksPassword() && url->password.empty();
    const bool ask = otherUser || needPassword;
    if (ask) {
        ParsedUrl login;   // the link's user, never its password
        login.user = url->user;
        if (!RunLoginDialog(site, true, &login))
            return;
    }
    // A password typed into the Login window wins over the link's.
    site.m_strLinkPassword = ask && !site.m_strPassword.empty() ? std::string() : url->password;
    ConnectAddress(site, created, address, folders);
}

void CMainFrame::OnAddressConnected(CVamloSiteInfo& site, const std::shared_ptr<CVamloSiteInfo>& created,
                                    const QString& text, const std::vector<std::string>& folders)
{
    // The new address goes to the top of the list, once.
    if (const int old = m_pAddressBox->findText(text, Qt::MatchExactly); old >= 0)
        m_pAddressBox->removeItem(old);
    m_pAddressBox->insertItem(0, text);
    // The entry is made current: a box whose text matches an entry that is
    // not current picks that entry when it loses the focus, as if the user
    // had chosen it, and would connect the site a second time.
    m_pAddressBox->setCurrentIndex(0);
    m_pAddressBox->lineEdit()->deselect();
    site.m_bAvailable = 1;
    CVamloSiteInfo* connected = &site;
    if (created) {
        // The list takes the record over from the action.
        auto owned = std::make_unique<CVamloSiteInfo>(*created);
        owned->m_pSession = std::move(created->m_pSession);
        owned->m_pConnection = std::move(created->m_pConnection);
        owned->m_strLinkPassword = std::move(created->m_strLinkPassword);
        owned->m_bEdited = 1;
        connected = owned.get();
        m_siteList.push_back(std::move(owned));
        m_bSiteListModified = 1;
    }
    if (!folders.empty() && m_fnOpenSiteFolder)
        m_fnOpenSiteFolder(connected, folders);
    else if (m_fnAddSiteItem)
        m_fnAddSiteItem(connected);
    else
        SetStatusText(QStringLiteral("Successfully connected to ftp site: ") + Q(connected->m_strAddress));
    UpdateCommandStates();
}

void CMainFrame::OnAddressPicked(int index)
{
    if (m_pApp == nullptr || index < 0)
        return;
    CVamloSiteInfo* site = FindSite(m_pAddressBox->itemText(index));
    if (site == nullptr)
        return;
    if (site->m_hTreeItem != 0) {
        if (m_fnSelectSiteItem)
            m_fnSelectSiteItem(site);
        return;
    }
    if (RefusedAsBusy(m_pNetActions, site))
        return;
    if (!RunLoginDialog(*site, false))
        return;
    if (m_fnAddSiteItem) {
        m_fnAddSiteItem(site);
        return;
    }
    // Until the folder tree takes the site over, picking it connects it.
    if (m_pNetActions != nullptr)
        m_pNetActions->Start(site, QStringLiteral("Connecting to ftp site: ") + Q(site->m_strAddress),
                             [](NetActionContext& context) {
                                 CVamloSiteInfo* record = context.site;
                                 context.prompts.SetStatusText("Connecting to ftp site: " + record->m_strAddress);
                                 if (record->Connect(context.connect) != 1)
                                     context.prompts.SetStatusText("Failed to connect to ftp site: " +
                                                                   record->m_strAddress);
                                 else
                                     context.prompts.SetStatusText("Successfully connected to ftp site: " +
                                                                   record->m_strAddress);
                             },
                             {});
}
