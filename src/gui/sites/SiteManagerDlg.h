#pragma once

#include "model/SiteList.h"

#include <QDialog>

#include <cstdint>
#include <functional>

class CAddSiteDlg;
class IPrompts;
class ISettingsStore;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTextEdit;

// The Site Manager: the user's sites in the "Stored Site List" and the
// "Available Site List", with Add, Delete, Properties and moves between the
// lists. It works on copies of the records (m_workList); the caller carries
// them back with ApplySiteManagerChanges only after OK, so Cancel leaves
// every record as it was. Messages go through the prompts; the Add Site
// dialog is run through m_fnRunSiteDialog, which tests may script.
class CSiteManagerDlg : public QDialog {
    Q_OBJECT

public:
    // The settings value that keeps the dialog's size.
    static constexpr const char* kSizeValue = "SiteManagerSize";

    // Makes the working copies of siteList's records. settings may be null.
    CSiteManagerDlg(CSiteList& siteList, IPrompts& prompts, ISettingsStore* settings, QWidget* parent = nullptr);
    ~CSiteManagerDlg() override;

    // Set when a Properties edit changed a field.
    int32_t m_bChanged = 0;
    CSiteList m_workList;
    // Runs the Add Site dialog; true for OK. By default it is shown modally.
    std::function<bool(CAddSiteDlg&)> m_fnRunSiteDialog;

    void OnMoveToAvailable();
    void OnMoveToStored();
    void OnAdd();
    void OnDelete();
    void OnProperties();
    void OnFindSite(const QString& text);

    QListWidget* StoredList() const { return m_pStoredList; }
    QListWidget* AvailableList() const { return m_pAvailableList; }
    QTextEdit* NotesBox() const { return m_pNotes; }
    QLineEdit* FindEdit() const { return m_pFind; }
    // The working copy behind a list item.
    static CVamloSiteInfo* CopyOf(const QListWidgetItem* item);

public slots:
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildLayout();
    void FillLists();
    // Adds the address where the sorted list wants it; returns the item.
    QListWidgetItem* AddItem(QListWidget* list, CVamloSiteInfo* copy);
    static QListWidgetItem* Selected(const QListWidget* list);
    static void ClearSelection(QListWidget* list);
    static void Select(QListWidget* list, QListWidgetItem* item);
    // The selected item, the stored list first; list receives its list box.
    QListWidgetItem* SelectedItem(QListWidget** list) const;
    // The selected item's copy, or nullptr (the buttons brought up to date)
    // when nothing is selected.
    CVamloSiteInfo* SelectedCopy(QListWidget** list, QListWidgetItem** item);
    // True, after the busy message, while a transfer or a connect uses the
    // copy's record.
    bool RefusedAsBusy(const CVamloSiteInfo& copy);
    void OnSelectionChanged(QListWidget* list);
    void UpdateControls();
    bool RunSiteDialog(CAddSiteDlg& dialog);

    CSiteList& m_siteList;
    IPrompts& m_prompts;
    ISettingsStore* m_pSettings = nullptr;
    QLineEdit* m_pFind = nullptr;
    QListWidget* m_pStoredList = nullptr;
    QListWidget* m_pAvailableList = nullptr;
    QPushButton* m_pMoveToAvailable = nullptr;
    QPushButton* m_pMoveToStored = nullptr;
    QPushButton* m_pAdd = nullptr;
    QPushButton* m_pDelete = nullptr;
    QPushButton* m_pProperties = nullptr;
    QTextEdit* m_pNotes = nullptr;
};
