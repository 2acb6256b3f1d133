#pragma once

#include <QDialog>

class CEditedFiles;
class QPushButton;
class QTreeWidget;

// "Files being edited": the files of servers opened with View/Edit, where
// each stands, and the way to open one again or stop watching it.
class CEditedFilesDlg : public QDialog {
    Q_OBJECT

public:
    CEditedFilesDlg(CEditedFiles& files, QWidget* parent);
    QTreeWidget* Table() const { return m_pTable; }

private:
    void Fill();
    // The file of the selected row, 0 for none.
    uint64_t SelectedId() const;

    CEditedFiles& m_files;
    QTreeWidget* m_pTable = nullptr;
    QPushButton* m_pOpen = nullptr;
    QPushButton* m_pStop = nullptr;
};
