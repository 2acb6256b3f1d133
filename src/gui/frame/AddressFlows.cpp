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

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

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
    // A record that a transfer or another action uses is not edited.
    if (existing != nullptr && m_pNetActions != nullptr && m_pNetActions->IsSiteBusy(existing)) {
        m_pNetActions->ShowBusyMessage(existing);
        return;
    }
    if (existing != nullptr && existing->m_hTreeItem != 0) {
        // Shown already: only its details may change, then the tree selects it.
        if (RunLoginDialog(*existing, true, &*url) && m_fnSelectSiteItem)
            m_fnSelectSiteItem(existing);
        return;
    }
    // A new record joins the site list only once it has connected; until
    // then the action owns it.
    std::shared_ptr<CVamloSiteInfo> created;
    if (existing == nullptr) {
        created = std::make_shared<CVamloSiteInfo>();
        created->m_strAddress = normalized;
        created->m_strPort = std::to_string(url->port);
    }
    CVamloSiteInfo& site = existing != nullptr ? *existing : *created;
    if (!RunLoginDialog(site, true, &*url) || m_pNetActions == nullptr)
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
        [this, site = &site, created, connected, text](NetActionEnd end) {
            if (end != NetActionEnd::Done || !*connected)
                return;
            OnAddressConnected(*site, created, text);
        });
}

void CMainFrame::OnAddressConnected(CVamloSiteInfo& site, const std::shared_ptr<CVamloSiteInfo>& created,
                                    const QString& text)
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
        owned->m_bEdited = 1;
        connected = owned.get();
        m_siteList.push_back(std::move(owned));
        m_bSiteListModified = 1;
    }
    if (m_fnAddSiteItem)
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
    if (m_pNetActions != nullptr && m_pNetActions->IsSiteBusy(site)) {
        m_pNetActions->ShowBusyMessage(site);
        return;
    }
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
