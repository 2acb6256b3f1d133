#pragma once

#include <QDialog>

class QPlainTextEdit;

// A modal dialog that shows one fixed text, read-only in "Courier", with OK.
class CTextInfoDlg : public QDialog {
    Q_OBJECT

public:
    CTextInfoDlg(const QString& title, const QString& text, QWidget* parent = nullptr);

    QPlainTextEdit* TextField() const { return m_pText; }

private:
    QPlainTextEdit* m_pText = nullptr;
};

// Help > Read Me: how to use Vamlo.
class CReadMeDlg : public CTextInfoDlg {
    Q_OBJECT

public:
    explicit CReadMeDlg(QWidget* parent = nullptr);
};

// Help > License: the program's license.
class CLicenseDlg : public CTextInfoDlg {
    Q_OBJECT

public:
    explicit CLicenseDlg(QWidget* parent = nullptr);
};

// Help > About Vamlo: name, version and license line.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

// Modal, over parent; they return when the user presses OK or closes them.
void ShowAboutDialog(QWidget* parent);
void ShowReadMeDialog(QWidget* parent);
void ShowLicenseDialog(QWidget* parent);
