// The Site Manager's edits of its working copies: moves between the lists,
// Add, Delete and Properties.
#include "sites/SiteManagerDlg.h"

#include "app/Prompts.h"
#include "app/SiteManagerChanges.h"
#include "connect/SitePort.h"
#include "connect/UrlParser.h"
#include "sites/SiteDialogValues.h"
#include "sites/SiteInfoDlg.h"

#include <QListWidget>

#include <algorithm>
#include <mutex>

namespace {

std::string S(const QString& text) { return text.toStdString(); }

// Removes the item from its list box and gives back its copy. The list is
// left without a selection: on its own it would select a neighbour, which a
// second Delete key would then delete without a question.
CVamloSiteInfo* TakeItem(QListWidget* list, QListWidgetItem* item)
{
    CVamloSiteInfo* copy = CSiteManagerDlg::CopyOf(item);
    list->setCurrentItem(nullptr);
    list->clearSelection();
    delete list->takeItem(list->row(item));
    return copy;
}

} // namespace

void CSiteManagerDlg::OnMoveToAvailable()
{
    if (QListWidgetItem* item = Selected(m_pStoredList)) {
        CVamloSiteInfo* copy = TakeItem(m_pStoredList, item);
        copy->m_bAvailable = 1;
        copy->m_bEdited = 1;
        ClearSelection(m_pStoredList);
        Select(m_pAvailableList, AddItem(m_pAvailableList, copy));
    }
    UpdateControls();
}

void CSiteManagerDlg::OnMoveToStored()
{
    if (QListWidgetItem* item = Selected(m_pAvailableList)) {
        CVamloSiteInfo* copy = CopyOf(item);
        if (copy->m_hTreeItem != 0) {
            m_prompts.MessageBox("This site is currently connected by Vamlo. Please disconnect it from the Vamlo "
                                 "window before moving this site from the Available Site List to the Stored Site "
                                 "List.");
            UpdateControls();
            return;
        }
        TakeItem(m_pAvailableList, item);
        copy->m_bAvailable = 0;
        copy->m_bEdited = 1;
        copy->m_bReconnectAtLogon = 0;
        ClearSelection(m_pAvailableList);
        Select(m_pStoredList, AddItem(m_pStoredList, copy));
    }
    UpdateControls();
}

void CSiteManagerDlg::OnAdd()
{
    CAddSiteDlg dialog(this);
    dialog.m_strPort = QString::fromStdString(DefaultFtpPortText());
    if (!RunSiteDialog(dialog)) {
        UpdateControls();
        return;
    }
    std::string address;
    if (!ParseSiteAddress(S(dialog.m_strAddress), &address)) {
        m_prompts.MessageBox("The ftp site address \"" + address +
                             "\" is invalid.\nPlease try to add the ftp site address again!");
        UpdateControls();
        return;
    }
    // Deleted copies count too: their records still exist until OK.
    const bool known = std::any_of(m_workList.begin(), m_workList.end(),
                                   [&](const auto& copy) { return copy->m_strAddress == address; });
    if (known) {
        m_prompts.MessageBox("The ftp site \"" + address + "\" is already in the list!");
        UpdateControls();
        return;
    }
    auto copy = std::make_unique<CVamloSiteInfo>();
    TakeSiteDialog(dialog, *copy);
    copy->m_strAddress = address;
    copy->m_bAvailable = 1;
    copy->m_bEdited = 1;
    copy->m_nEditId = 0;
    CVamloSiteInfo* added = copy.get();
    m_workList.push_back(std::move(copy));
    ClearSelection(m_pStoredList);
    Select(m_pAvailableList, AddItem(m_pAvailableList, added));
    UpdateControls();
}

CVamloSiteInfo* CSiteManagerDlg::SelectedCopy(QListWidget** list, QListWidgetItem** item)
{
    *item = SelectedItem(list);
    if (*item == nullptr) {
        UpdateControls();
        return nullptr;
    }
    return CopyOf(*item);
}

bool CSiteManagerDlg::RefusedAsBusy(const CVamloSiteInfo& copy)
{
    CVamloSiteInfo* record = FindRecordByEditId(m_siteList, copy.m_nEditId);
    if (copy.m_nEditId == 0 || record == nullptr || !record->IsInUse())
        return false;
    m_prompts.MessageBox(SiteBusyMessage(record->m_strAddress), MsgButtons::Ok, MsgIcon::Information);
    UpdateControls();
    return true;
}

void CSiteManagerDlg::OnDelete()
{
    QListWidget* list = nullptr;
    QListWidgetItem* item = nullptr;
    CVamloSiteInfo* copy = SelectedCopy(&list, &item);
    if (copy == nullptr)
        return;
    if (copy->m_nEditId != 0) {
        // Refused at once rather than after OK: a transfer is using the
        // record, and it could not be deleted then either.
        if (RefusedAsBusy(*copy))
            return;
        if (copy->m_hTreeItem != 0) {
            const std::string listName = list == m_pStoredList ? "Stored Site List" : "Available Site List";
            if (m_prompts.MessageBox("This site is currently connected by Vamlo. Deleting this site from the " +
                                         listName +
                                         " will cause the termination of this connection.\nDo you still want to "
                                         "delete this site?",
                                     MsgButtons::YesNo) != MsgResult::Yes) {
                UpdateControls();
                return;
            }
        }
        copy->m_bDeleted = 1;
        TakeItem(list, item);
    } else {
        TakeItem(list, item);
        m_workList.remove_if([copy](const auto& candidate) { return candidate.get() == copy; });
    }
    UpdateControls();
}

void CSiteManagerDlg::OnProperties()
{
    QListWidget* list = nullptr;
    QListWidgetItem* item = nullptr;
    CVamloSiteInfo* copy = SelectedCopy(&list, &item);
    if (copy == nullptr)
        return;
    // A worker may be logging on with this record's name and password right
    // now. A site in the tree shows them read-only, so only its notes change.
    if (copy->m_hTreeItem == 0 && RefusedAsBusy(*copy))
        return;
    CAddSiteDlg dialog(this);
    FillSiteDialog(dialog, *copy);
    // The port the connection really uses: an address's own port wins over
    // the Port field.
    const QString shownAddress = dialog.m_strAddress;
    const QString shownPort = QString::fromStdString(SiteConnectionPortText(copy->m_strAddress, copy->m_strPort));
    dialog.m_strPort = shownPort;
    dialog.m_bReadOnly = copy->m_hTreeItem != 0 ? 1 : 0;
    if (!RunSiteDialog(dialog)) {
        UpdateControls();
        return;
    }
    std::string normalized;
    if (!ParseSiteAddress(S(dialog.m_strAddress), &normalized)) {
        m_prompts.MessageBox("The ftp site address \"" + normalized +
                                 "\" is invalid.\nPlease enter the ftp site address again!",
                             MsgButtons::Ok, MsgIcon::Error);
        UpdateControls();
        return;
    }
    // Address and port as they were shown connect where they did before:
    // the record's own Port field is kept rather than rewritten.
    if (dialog.m_strAddress == shownAddress && dialog.m_strPort == shownPort)
        dialog.m_strPort = QString::fromStdString(copy->m_strPort);
    if (TakeSiteDialog(dialog, *copy))
        m_bChanged = 1;
    copy->m_bEdited = 1;
    item->setText(QString::fromStdString(copy->m_strAddress));
    Select(list, item);
    UpdateControls();
}
