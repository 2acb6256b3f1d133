#include "BenchHost.h"

#include "app/AppPaths.h"
#include "app/VamloDoc.h"
#include "fileops/RemoteDelete.h"
#include "ftp/FtpEngine.h"
#include "remote/RemoteFileFind.h"
#include "ftp/FtpSession.h"
#include "log/ActionLog.h"
#include "model/FileInfo.h"
#include "model/SiteInfo.h"

MsgResult CBenchPrompts::MessageBox(const std::string& text, MsgButtons buttons, MsgIcon)
{
    std::lock_guard lock(m_mutex);
    m_texts.push_back(text);
    return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgResult::Yes : MsgResult::Ok;
}

ReplaceAnswer CBenchPrompts::AskReplace(const std::string&, const std::string&)
{
    return {DialogResult::Ok, REPLACE_YES_TO_ALL};
}

std::vector<std::string> CBenchPrompts::TakeTexts()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_texts, {});
}

namespace {

class CCountingStatusDialog : public IStatusDialog {
public:
    explicit CCountingStatusDialog(std::atomic<int64_t>& calls) : m_calls(calls) {}
    void SetMessages(const std::string&, const std::string&) override { ++m_calls; }
    void SetMessage3(const std::string&) override { ++m_calls; }
    void SetFileRange(int64_t) override { ++m_calls; }
    void SetOverallRange(int64_t) override { ++m_calls; }
    void StepFile(int64_t) override { ++m_calls; }
    void StepOverall() override { ++m_calls; }

private:
    std::atomic<int64_t>& m_calls;
};

CFileInfoList OneEntry(const std::string& path, bool isFolder, uint8_t location)
{
    CFileInfoList list;
    auto entry = std::make_unique<CVaFileInfo>();
    entry->m_strPath = path;
    entry->m_bIsFolder = isFolder ? 1 : 0;
    entry->m_byLocation = location;
    list.push_back(std::move(entry));
    return list;
}

} // namespace

std::unique_ptr<IStatusDialog> CCountingStatusDialogFactory::CreateStatusDialog(const std::string&,
                                                                                CTransferCancel*, bool)
{
    return std::make_unique<CCountingStatusDialog>(m_nCalls);
}

CVamloBenchClient::CVamloBenchClient(const BenchServer& server, const std::string& homeFolder)
    : m_bPassive(server.bPassive), m_pSite(std::make_unique<CVamloSiteInfo>()),
      m_pTargetSite(std::make_unique<CVamloSiteInfo>())
{
    m_app.m_pPrompts = &m_prompts;
    m_app.m_pSettings = &m_settings;
    m_app.m_pStatusDialogFactory = &m_statusFactory;
    // The program directory exists before the document opens its files in it.
    std::string ignored;
    EnsureDirectory(homeFolder, ignored);
    m_app.SetPaths(MakeAppPaths(homeFolder));
    m_app.m_strAgentName = kAgentName;
    m_pDoc = std::make_unique<CVamloDoc>(m_app);
    m_pDoc->SetLogView(&m_logView);
    const char* scheme = server.bSftp ? "sftp://" : server.bTls ? "ftpes://" : "ftp://";
    m_pSite->m_strAddress = scheme + server.strHost + ":" + std::to_string(server.nPort);
    m_pSite->m_strUserName = server.strUser;
    m_pSite->m_strPassword = server.strPassword;
    *m_pTargetSite = *m_pSite;
    // One site is both the source of Gets and the target of Puts.
    m_app.m_pClipSourceSite = m_pSite.get();
    m_pDoc->m_pCurrentSite = m_pSite.get();
}

CVamloBenchClient::~CVamloBenchClient()
{
    m_pDoc->WaitForTransfer();
    m_pDoc.reset();
    m_pSite->Disconnect();
    m_pTargetSite->Disconnect();
}

void CVamloBenchClient::Disconnect()
{
    m_pSite->Disconnect();
    m_pTargetSite->Disconnect();
}

bool CVamloBenchClient::Connect(std::string& error)
{
    m_pSite->Disconnect();
    if (m_pSite->Connect(m_app) == 1) {
        if (auto* ftp = dynamic_cast<CFtpConnection*>(m_pSite->m_pConnection.get()))
            ftp->Session()->bPassive = m_bPassive;
        return true;
    }
    NothingReported(error);
    if (error.empty())
        error = "could not log on";
    return false;
}

bool CVamloBenchClient::NothingReported(std::string& error)
{
    const std::vector<std::string> texts = m_prompts.TakeTexts();
    if (texts.empty())
        return true;
    error = texts.front();
    return false;
}

bool CVamloBenchClient::RunAction(bool get, const std::string& path, bool isFolder, const std::string& into,
                                  int64_t expected, std::string& error)
{
    if (!Connect(error))
        return false;
    m_pDoc->m_strCurrentFolder = into;
    const int started = get ? m_pDoc->StartGetJob(OneEntry(path, isFolder, LOCATION_REMOTE), NOTIFY_LIST, nullptr,
                                                  nullptr)
                            : m_pDoc->StartPutJob(OneEntry(path, isFolder, LOCATION_LOCAL), NOTIFY_LIST, nullptr,
                                                  nullptr);
    if (started != 1) {
        error = "the transfer did not start";
        return false;
    }
    m_pDoc->WaitForTransfer();
    if (!NothingReported(error))
        return false;
    const int64_t done = get ? m_pDoc->m_nFilesReceived : m_pDoc->m_nFilesSent;
    if (done != expected) {
        error = std::to_string(done) + " of " + std::to_string(expected) + " files moved";
        const std::string log = m_pDoc->GetLogText();
        const size_t failure = log.find(CActionLog::m_strFailure);
        if (failure != std::string::npos)
            error += "; log: " + log.substr(failure, 200);
        return false;
    }
    return true;
}

bool CVamloBenchClient::Get(const std::string& remotePath, bool isFolder, const std::string& localFolder,
                            int64_t expectedFiles, std::string& error)
{
    return RunAction(true, remotePath, isFolder, localFolder, expectedFiles, error);
}

bool CVamloBenchClient::Put(const std::string& localPath, bool isFolder, const std::string& remoteFolder,
                            int64_t expectedFiles, std::string& error)
{
    return RunAction(false, localPath, isFolder, remoteFolder, expectedFiles, error);
}

bool CVamloBenchClient::RemoteCopy(const std::string& remotePath, bool isFolder, const std::string& remoteFolder,
                                   int64_t expectedFiles, std::string& error)
{
    if (!Connect(error))
        return false;
    m_pTargetSite->Disconnect();
    if (m_pTargetSite->Connect(m_app) != 1) {
        if (NothingReported(error))
            error = "could not log on to the target";
        return false;
    }
    m_pDoc->m_strCurrentFolder = remoteFolder;
    m_pDoc->m_pCurrentSite = m_pTargetSite.get();
    const int started =
        m_pDoc->StartRemoteCopyJob(OneEntry(remotePath, isFolder, LOCATION_REMOTE), NOTIFY_LIST, nullptr, nullptr);
    if (started == 1)
        m_pDoc->WaitForTransfer();
    m_pDoc->m_pCurrentSite = m_pSite.get();
    if (started != 1) {
        error = "the transfer did not start";
        return false;
    }
    if (!NothingReported(error))
        return false;
    if (m_pDoc->m_nFilesReceived != expectedFiles || m_pDoc->m_nFilesSent != expectedFiles) {
        error = std::to_string(m_pDoc->m_nFilesReceived) + " received and " + std::to_string(m_pDoc->m_nFilesSent) +
                " sent of " + std::to_string(expectedFiles) + " files";
        return false;
    }
    return true;
}

bool CVamloBenchClient::List(const std::string& remoteFolder, int64_t& entries, std::string& error)
{
    entries = 0;
    if (!Connect(error))
        return false;
    std::shared_ptr<IRemoteConnection> connection = m_pSite->m_pConnection;
    std::lock_guard busy(connection->GetMutex());
    CRemoteFileFind finder(connection.get());
    bool more = finder.FindFile(remoteFolder + "/*", INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE);
    if (!more) {
        const int code = GetLastNetErrorCode();
        error = "listing failed: (" + std::to_string(code) + ")" + CVamloDoc::GetSystemErrorText(code);
        return false;
    }
    while (more) {
        more = finder.FindNextFile();
        if (!finder.IsDots())
            ++entries;
    }
    return true;
}

bool CVamloBenchClient::DeleteFolder(const std::string& remoteFolder, std::string& error)
{
    if (!Connect(error))
        return false;
    std::lock_guard inUse(m_pSite->m_mutexInUse);
    if (CRemoteDelete(m_pSite.get(), m_prompts).DeleteRemoteFolder(remoteFolder) != 1) {
        if (NothingReported(error))
            error = "the delete failed";
        return false;
    }
    return NothingReported(error);
}
