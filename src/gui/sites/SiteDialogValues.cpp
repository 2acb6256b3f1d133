#include "sites/SiteDialogValues.h"

#include "model/SiteInfo.h"
#include "sites/SiteInfoDlg.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

template <typename T>
bool Take(T& field, const T& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

void FillSiteDialog(CSiteInfoDlg& dialog, const CVamloSiteInfo& site)
{
    dialog.m_strAddress = Q(site.m_strAddress);
    dialog.m_strPort = Q(site.m_strPort);
    dialog.m_strUserName = Q(site.m_strUserName);
    dialog.m_strPassword = Q(site.m_strPassword);
    dialog.m_strProxy = Q(site.m_strProxy);
    dialog.m_bSavePassword = site.m_bSavePassword;
    dialog.m_bReconnectAtLogon = site.m_bReconnectAtLogon;
    dialog.m_strNotes = Q(site.m_strNotes);
}

bool TakeSiteDialog(const CSiteInfoDlg& dialog, CVamloSiteInfo& site)
{
    bool changed = false;
    changed |= Take(site.m_strAddress, dialog.m_strAddress.toStdString());
    changed |= Take(site.m_strPort, dialog.m_strPort.toStdString());
    changed |= Take(site.m_strUserName, dialog.m_strUserName.toStdString());
    if (Take(site.m_strPassword, dialog.m_strPassword.toStdString())) {
        // A password the user typed replaces one that came in a link.
        site.m_strLinkPassword.clear();
        changed = true;
    }
    changed |= Take(site.m_strProxy, dialog.m_strProxy.toStdString());
    changed |= Take(site.m_bSavePassword, dialog.m_bSavePassword);
    changed |= Take(site.m_bReconnectAtLogon, dialog.m_bReconnectAtLogon);
    changed |= Take(site.m_strNotes, dialog.m_strNotes.toStdString());
    return changed;
}
