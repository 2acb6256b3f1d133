#pragma once

#include <QDialog>

#include <string>

class QLineEdit;

// "Create New Directory": asks for the name of a folder to make in the
// folder that the file list shows.
class CNewDirDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int IDD = 163;
    static constexpr int IDC_DIR_NAME = 1054;

    explicit CNewDirDlg(QWidget* parent = nullptr);

    QLineEdit* NameEdit() const { return m_pEdit; }
    void accept() override;

    // Set from the edit box when OK closes the dialog.
    std::string m_strDirName;

private:
    QLineEdit* m_pEdit = nullptr;
};
