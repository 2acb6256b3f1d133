#pragma once

#include "fileops/Permissions.h"

#include <QDialog>

class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineEdit;

// "Permissions": read, write and execute for owner, group and others as
// check boxes beside the octal number, each following the other; for a
// folder, whether its files and folders get the same mode.
class CPermissionsDlg : public QDialog {
    Q_OBJECT

public:
    // known: the current mode is known (else the boxes start from mode and
    // the dialog says the listing gave none).
    CPermissionsDlg(const QString& name, bool isFolder, unsigned mode, bool known, QWidget* parent = nullptr);

    QCheckBox* Box(int bit) const { return m_boxes[bit]; }   // bit 0 = others execute ... 8 = owner read
    QLineEdit* OctalEdit() const { return m_pOctal; }
    PermissionChange Change() const;

private:
    void FromBoxes();
    void FromOctal();

    QCheckBox* m_boxes[9] = {};
    QLineEdit* m_pOctal = nullptr;
    QCheckBox* m_pContents = nullptr;
    QCheckBox* m_pFiles = nullptr;
    QCheckBox* m_pFolders = nullptr;
    QAbstractButton* m_pOk = nullptr;
    unsigned m_mode = 0;
};
