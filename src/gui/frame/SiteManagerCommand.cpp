// The main frame's Site Manager command.
#include "frame/MainFrame.h"

#include "app/AppCore.h"
#include "app/SiteManagerChanges.h"
#include "sites/SiteManagerDlg.h"
#include "tree/TreeViewSite.h"

void CMainFrame::OnSiteManager()
{
    if (m_pApp == nullptr)
        return;
    CSiteManagerDlg dialog(m_siteList, m_pApp->Prompts(), m_pApp->m_pSettings, this);
    if (m_fnRunSiteManager ? !m_fnRunSiteManager(dialog) : dialog.exec() != QDialog::Accepted)
        return;
    RemoveShownSiteFn removeShownSite;
    if (m_pTreeView != nullptr)
        removeShownSite = [this](CVamloSiteInfo& site) { return m_pTreeView->RemoveSiteItem(&site); };
    ApplySiteManagerChanges(*this, dialog.m_workList, dialog.m_bChanged, *m_pApp, removeShownSite);
    RefillAddressBox();
    UpdateCommandStates();
}
