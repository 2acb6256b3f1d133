#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

// The form that the three site information dialogs share: the fields of one
// site record in a group box "Ftp Site Information", with OK and Cancel. The
// caller fills the members before exec(); the dialog shows them, and only OK
// writes the controls back into the members. The dialog never touches a site
// record itself. Check boxes exchange 0 or 1.
class CSiteInfoDlg : public QDialog {
    Q_OBJECT

public:
    // The notes of a site hold at most this many characters.
    static constexpr int kMaxNotesLength = 200;

    QString m_strAddress;
    QString m_strPort;
    QString m_strUserName;
    QString m_strPassword;
    int32_t m_bSavePassword = 0;
    QString m_strProxy;
    int32_t m_bReconnectAtLogon = 0;
    QString m_strNotes;

    // The members go into the controls each time the dialog is shown.
    void setVisible(bool visible) override;

public slots:
    // Keeps the dialog open while the notes are too long.
    void accept() override;

protected:
    CSiteInfoDlg(const QString& title, QWidget* parent);

    // Called after the controls took the members, just before the dialog
    // shows: each dialog decides there which fields can be changed.
    virtual void ApplyFieldAccess() = 0;
    // Disables the fields that identify and log in to the site (both check
    // boxes included), or enables them all.
    void SetSiteFieldsEnabled(bool enabled);
    // The five edits keep their text selectable but cannot be changed; the
    // check boxes are disabled.
    void MakeSiteFieldsReadOnly();
    // The user name is what is left to type once the address is filled in.
    void FocusUserNameWhenAddressGiven();

private:
    // A port the dialog filled in follows the address as it is typed: 22
    // for sftp://, 21 for ftp://, or the address's own port. A port the user
    // typed stays.
    void FollowAddressPort();
    void ShowMembers();
    void TakeMembers();
    QLineEdit* AddEdit(const char* name);
    QCheckBox* AddCheckBox(const QString& text, const char* name);

    QLineEdit* m_pAddress = nullptr;
    QLineEdit* m_pPort = nullptr;
    QLineEdit* m_pUserName = nullptr;
    QLineEdit* m_pPassword = nullptr;
    QCheckBox* m_pSavePassword = nullptr;
    QLineEdit* m_pProxy = nullptr;
    QCheckBox* m_pReconnectAtLogon = nullptr;
    QPlainTextEdit* m_pNotes = nullptr;
    QString m_strShownNotes;
    QString m_strFollowedPort;   // null: the port is the user's own
};

// The two dialogs in which every field can be changed unless m_bReadOnly is 1
// (a connected site): then only the notes, OK and Cancel stay usable.
class CEditableSiteInfoDlg : public CSiteInfoDlg {
    Q_OBJECT

public:
    int32_t m_bReadOnly = 0;

protected:
    using CSiteInfoDlg::CSiteInfoDlg;
    void ApplyFieldAccess() override;
};

// Site Manager Add... and Properties...
class CAddSiteDlg : public CEditableSiteInfoDlg {
    Q_OBJECT

public:
    explicit CAddSiteDlg(QWidget* parent = nullptr);
};

// Asked when the user enters an address in the toolbar.
class CLoginDlg : public CEditableSiteInfoDlg {
    Q_OBJECT

public:
    explicit CLoginDlg(QWidget* parent = nullptr);

protected:
    void ApplyFieldAccess() override;
};

// The folder tree's site Properties...: only the notes can be changed.
class CSitePropertiesDlg : public CSiteInfoDlg {
    Q_OBJECT

public:
    explicit CSitePropertiesDlg(QWidget* parent = nullptr);

protected:
    void ApplyFieldAccess() override;
};
