#pragma once

class CSiteInfoDlg;
class CVamloSiteInfo;

// A site record's fields in and out of the site information dialogs.
void FillSiteDialog(CSiteInfoDlg& dialog, const CVamloSiteInfo& site);
// Writes back only what changed (a transfer may be reading the other
// fields) and says whether anything did.
bool TakeSiteDialog(const CSiteInfoDlg& dialog, CVamloSiteInfo& site);
