#pragma once

#include "app/Prompts.h"

#include <QPointer>
#include <functional>
#include <QWidget>

class QStatusBar;

// Message boxes, the wait cursor and the status text for the core. A call
// from a worker thread blocks that thread while the GUI thread shows the box;
// the worker never touches a widget.
class CGuiPrompts : public IPrompts {
public:
    void SetMainWindow(QWidget* window) { m_mainWindow = window; }
    void SetStatusBar(QStatusBar* bar);

    MsgResult MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon) override;
    // The "Message" dialog over the main window; a worker waits for the answer.
    ReplaceAnswer AskReplace(const std::string& message1, const std::string& message2) override;
    CertificateAnswer AskCertificate(const std::string& text, bool changed) override;
    bool AskSecret(const std::string& title, const std::string& text, std::string& secret) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void SetStatusText(const std::string& text) override;

private:
    MsgResult ShowMessageBox(const QString& text, MsgButtons buttons, MsgIcon icon);

    QPointer<QWidget> m_mainWindow;
    QPointer<QStatusBar> m_statusBar;
};

// Runs fn on the GUI thread and waits for it; runs it directly when already there.
void RunOnGuiThread(const std::function<void()>& fn);
