#include "app/VamloApp.h"

#include "app/Settings.h"
#include "app/SingleInstance.h"
#include "app/VamloDoc.h"
#include "frame/MainFrame.h"
#include "net/NetCancel.h"
#include "connect/UrlParser.h"
#include "net/SiteKeepAlive.h"
#include "list/ListViewDetail.h"
#include "transfer/TransferWait.h"
#include "tree/TreeViewSite.h"

#include <thread>
#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>

#include <chrono>

#include <csignal>
#include <cstdlib>
#include <sys/stat.h>

CVamloApp* VamloApp() { return qobject_cast<CVamloApp*>(QCoreApplication::instance()); }

CVamloApp::CVamloApp(int& argc, char** argv) : QApplication(argc, argv)
{
    // The window's thread never waits on the network; a wait there is a bug.
    ForbidNetworkWaitsOn(std::this_thread::get_id());
    setOrganizationName(QStringLiteral("Brisk Orchard Corp"));
    setApplicationName(QStringLiteral("Vamlo"));
    setApplicationVersion(QStringLiteral("1.40"));
    // Ties the window to the installed desktop entry (its icon and name in docks and task lists).
    setDesktopFileName(QStringLiteral("org.vamlo.Vamlo"));
    m_pSettings = &m_settings;
    m_pClipboard = &m_clipboard;
    m_pPrompts = &m_prompts;
    m_pStatusDialogFactory = &m_statusDialogFactory;
}

CVamloApp::~CVamloApp()
{
    // Whatever way the program ends, a running transfer is cancelled and
    // finished first: it uses the site records the frame owns, and may be
    // waiting on a question that this thread must still answer.
    if (m_pDoc)
        CancelAndWaitForTransfer(*m_pDoc);
    // The frame deletes the site records, which close their connections,
    // before the document and the services they report through go away.
    m_pMainFrame.reset();
    m_pDoc.reset();
}

bool CVamloApp::InitInstance()
{
    // The program directory comes first here: the single-instance lock lives in it.
    const std::string appDir = ProgramDirectory([](const char* name) -> const char* { return std::getenv(name); });
    std::string error;
    if (!EnsureDirectory(appDir, error)) {
        QMessageBox::critical(nullptr, QStringLiteral("Vamlo"),
                              QStringLiteral("The program directory \"%1\" cannot be created.\nCause: %2")
                                  .arg(QString::fromStdString(appDir), QString::fromStdString(error)));
        m_nInitExitCode = 1;
        return false;
    }

    // A link opens a site in the window; any other argument is a site list file.
    const std::string argument = CommandLineArgument();
    const bool isLink = IsSiteLink(argument);
    m_pSingleInstance = std::make_unique<CSingleInstance>(QString::fromStdString(appDir));
    if (!m_pSingleInstance->TryAcquire()) {
        // A first instance still starting has no window to raise: end quietly.
        m_pSingleInstance->ActivateRunningInstance(3000, isLink ? QString::fromStdString(argument) : QString());
        m_nInitExitCode = 0;
        return false;
    }

    m_nTransferType = 2;
    // A write to a socket that the server has closed must fail, not kill us.
    std::signal(SIGPIPE, SIG_IGN);

    SetPaths(MakeAppPaths(appDir));

    const std::string commandLineFile = isLink ? std::string() : argument;
    m_pMainFrame = std::make_unique<CMainFrame>(this);
    m_prompts.SetMainWindow(m_pMainFrame.get());
    m_prompts.SetStatusBar(m_pMainFrame->statusBar());
    m_pDoc = std::make_unique<CVamloDoc>(*this);
    m_pDoc->SetSiteListOwner(m_pMainFrame.get());
    m_pDoc->m_fnAskSaveAsPath = [this](const std::string& current) -> std::optional<std::string> {
        const QString path = QFileDialog::getSaveFileName(m_pMainFrame.get(), QStringLiteral("Save Site List As"),
                                                          QString::fromStdString(current));
        if (path.isEmpty())
            return std::nullopt;
        return path.toStdString();
    };
    m_pMainFrame->SetDocument(m_pDoc.get());
    m_pSitePasswords = std::make_unique<CSitePasswords>(m_prompts, &m_settings, &m_keychain);
    m_pDoc->m_pSitePasswords = m_pSitePasswords.get();
    m_pMainFrame->SetSitePasswords(m_pSitePasswords.get());
    if (!OpenOrCreateDocument(commandLineFile)) {
        m_nInitExitCode = 1;
        return false;
    }
    m_pMainFrame->RefillAddressBox();
    m_pMainFrame->FillTransferModeBox();
    // The panes take their views; the list first, so that it hears the
    // tree's first selection.
    auto* list = new CListViewDetail(*m_pDoc, *this, *m_pMainFrame, m_viewHub);
    auto* tree = new CTreeViewSite(*m_pDoc, *this, *m_pMainFrame, m_viewHub);
    list->OnInitialUpdate();
    tree->OnInitialUpdate();

    // Without a window manager "maximised" means nothing: fill the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        m_pMainFrame->setGeometry(screen->availableGeometry());
    m_pMainFrame->showMaximized();
    RegisterClipboardFormat();
    m_strAgentName = kAgentName;

    m_pMainFrame->KeepAlive()->SetInterval(std::chrono::seconds(LoadKeepAliveSeconds(m_settings)));
    m_nTransferConnections = LoadTransferConnections(m_settings);
    m_pMainFrame->ShowTransferConnections();

    connect(m_pSingleInstance.get(), &CSingleInstance::activationRequested, m_pMainFrame.get(),
            &CMainFrame::ActivateFromSecondInstance);
    // Queued: the Login window must not run inside the socket's callback.
    connect(m_pSingleInstance.get(), &CSingleInstance::linkRequested, m_pMainFrame.get(), &CMainFrame::OpenLink,
            Qt::QueuedConnection);
    m_pSingleInstance->Listen();
    if (isLink)
        QMetaObject::invokeMethod(
            m_pMainFrame.get(), [frame = m_pMainFrame.get(), link = QString::fromStdString(argument)] { frame->OpenLink(link); },
            Qt::QueuedConnection);
    return true;
}

std::string CVamloApp::CommandLineArgument() const
{
    // Qt has already taken its own options out of the arguments.
    const QStringList args = arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (!args[i].startsWith(QLatin1Char('-')))
            return args[i].toStdString();
    }
    return {};
}

bool CVamloApp::OpenOrCreateDocument(const std::string& commandLineFile)
{
    if (!commandLineFile.empty())
        return m_pDoc->OnOpenDocument(commandLineFile) == 1;
    struct stat info {};
    if (stat(m_strSiteListPath.c_str(), &info) == 0)
        return m_pDoc->OnOpenDocument(m_strSiteListPath) == 1;
    return m_pDoc->OnNewDocument(m_strSiteListPath) == 1;
}
