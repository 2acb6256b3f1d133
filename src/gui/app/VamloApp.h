#pragma once

#include "app/AppCore.h"
#include "panes/ViewHub.h"
#include "services/GuiPrompts.h"
#include "services/KeychainStore.h"
#include "services/QtClipboard.h"
#include "services/QtSettingsStore.h"
#include "transfer/StatusDialogProxy.h"

#include <QApplication>
#include <memory>

class CMainFrame;
class CSitePasswords;
class CSingleInstance;
class CVamloDoc;

// The application object: start-up, the shared values of CAppCore, and the
// platform services (settings, clipboard, prompts) that the core uses.
class CVamloApp : public QApplication, public CAppCore {
    Q_OBJECT

public:
    CVamloApp(int& argc, char** argv);
    ~CVamloApp() override;

    // False when the program must end at once; InitExitCode() then says how.
    bool InitInstance();
    int InitExitCode() const { return m_nInitExitCode; }

    CMainFrame* MainFrame() const { return m_pMainFrame.get(); }
    CVamloDoc* Document() const { return m_pDoc.get(); }
    CGuiPrompts& GuiPrompts() { return m_prompts; }

private:
    bool OpenOrCreateDocument(const std::string& commandLineFile);
    // The first argument that is no option: a site link or a site list file.
    std::string CommandLineArgument() const;

    int m_nInitExitCode = 0;
    CQtSettingsStore m_settings;
    CQtClipboard m_clipboard;
    CGuiPrompts m_prompts;
    CStatusDialogFactory m_statusDialogFactory;
    CViewHub m_viewHub;
    std::unique_ptr<CSingleInstance> m_pSingleInstance;
    std::unique_ptr<CMainFrame> m_pMainFrame;
    CKeychainStore m_keychain;
    std::unique_ptr<CSitePasswords> m_pSitePasswords;
    std::unique_ptr<CVamloDoc> m_pDoc;
};

CVamloApp* VamloApp();
