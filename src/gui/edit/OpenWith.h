#pragma once

#include <QDialog>
#include <QString>

class QListWidget;
struct DesktopApp;

// Hands a local file to the desktop's default application for its type;
// false when nothing could be started.
bool OpenWithDefault(const QString& path);

// Starts one application of the desktop with the file; false when it could
// not be started.
bool OpenWithApp(const DesktopApp& app, const QString& path);

// "Open With…": the applications the desktop knows for the file's type, the
// default first. Shown without a loop of its own; the chosen one is started
// when the window is accepted.
class COpenWithDlg : public QDialog {
    Q_OBJECT

public:
    COpenWithDlg(const QString& path, QWidget* parent);
    QListWidget* Apps() const { return m_pApps; }
    // Opens the window, or says that the desktop knows no application.
    static COpenWithDlg* Show(const QString& path, QWidget* parent);

private:
    QString m_strPath;
    QListWidget* m_pApps = nullptr;
};
