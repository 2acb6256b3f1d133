#include "transfer/RemoteCopyDriver.h"

#include "app/AppCore.h"
#include "app/Prompts.h"
#include "app/VamloDoc.h"
#include "remote/RemoteEngine.h"
#include "model/SiteInfo.h"
#include "path/Paths.h"
#include "transfer/GetDriver.h"
#include "transfer/LocalFile.h"
#include "transfer/PutDriver.h"
#include "transfer/TempDirectory.h"

#include <dirent.h>
#include <sys/stat.h>

namespace {

constexpr const char* kGetTitle = "Getting data from the remote site, please wait...";
constexpr const char* kCountingMessage =
    "Vamlo is trying to find out the number of files it needs to get from the remote ftp site.";

constexpr CRemoteCopyDriver::SiteTexts kSourceTexts{
    "The connection to the source ftp site \"", "Connecting to the source ftp site: ",
    "Failed to reconnect to the source ftp site \"", "***** Failed to reconnect to the source ftp site: "};
// Reconnecting to the target says the plain text of every other transfer.
constexpr CRemoteCopyDriver::SiteTexts kTargetTexts{
    "The connection to the target ftp site \"", "Connecting to ftp site: ",
    "Failed to reconnect to the target ftp site \"", "***** Failed to reconnect to the target ftp site: "};

} // namespace

CRemoteCopyDriver::CRemoteCopyDriver(CVamloDoc& doc, TransferJob& job)
    : m_fnFreeBytes(FreeBytesAt), m_doc(doc), m_job(job), m_prompts(doc.App().Prompts())
{
}

void CRemoteCopyDriver::RemoteCopyEntries(const CFileInfoList& entries)
{
    if (CTempDirectory(m_doc, m_prompts).PrepareTempDirectory() == 0)
        return;
    CVamloSiteInfo* source = m_job.m_pSourceSite;
    CVamloSiteInfo* target = m_job.m_pTargetSite;
    if (source == nullptr || target == nullptr || entries.empty())
        return;

    m_doc.ClearTransferredNames();
    m_doc.LogTransferStart(source->m_strAddress, target->m_strAddress);
    CreateStatusDialog(kGetTitle);
    if (!CheckSite(*source, kSourceTexts))
        return;
    // Folders may have changed on the server since the last action.
    if (source->m_pConnection)
        source->m_pConnection->ForgetCurrentDirectory();

    // The Get leg. The window shows only now: a source that is not restored
    // ends the action without it.
    m_doc.m_bContinueTransfer = 1;
    if (m_doc.m_pStatusDlg)
        m_doc.m_pStatusDlg->Show();
    SetMessages(kCountingMessage, "");
    CGetDriver get(m_doc, m_job);
    get.m_bMeasureBytes = true;
    get.CountRemoteFiles(entries);
    const std::string total = CountText(m_doc.m_nRemoteFileCount);
    m_doc.m_nFilesReceived = 0;
    if (m_doc.m_pStatusDlg)
        m_doc.m_pStatusDlg->SetOverallRange(m_doc.m_nRemoteFileCount);
    if (m_doc.m_bCancelTransfer != 1 && !RoomForBytes(get.CountedBytes()))
        return;
    if (!RunLeg(entries, [&get](const CVaFileInfo& entry) { get.GetItem(entry, 1); }, get, m_doc.m_nRemoteFileCount))
        return;

    if (!CheckSite(*target, kTargetTexts))
        return;
    if (target->m_pConnection)
        target->m_pConnection->ForgetCurrentDirectory();

    // The Put leg, of what arrived. The overall bar keeps the Get leg's range.
    const CFileInfoList received = TempEntries();
    CPutDriver put(m_doc, m_job);
    put.CountLocalFiles(received);
    const std::string receivedCount = CountText(m_doc.m_nLocalFileCount);
    m_doc.m_nFilesSent = 0;
    if (received.empty()) {
        CloseStatusDialog();
        return;
    }
    if (!RunLeg(received, [&put](const CVaFileInfo& entry) { put.PutItem(entry, 1); }, put, m_doc.m_nLocalFileCount))
        return;

    // This line takes the place of the end banner.
    m_doc.AppendLog("\n\n///// Have successfully transferred " + receivedCount + " of total " + total +
                    " files from the ftp site \"" + source->m_strAddress + "\" to the ftp site \"" +
                    target->m_strAddress + "\".\n///// Remote to remote file transfer action ended.\n" +
                    std::string(64, '/'));
    CloseStatusDialog();
}

bool CRemoteCopyDriver::RunLeg(const CFileInfoList& entries, const std::function<void(const CVaFileInfo&)>& item,
                               CTransferDriver& driver, int64_t files)
{
    driver.StartLanes(files);
    for (const auto& entry : entries) {
        item(*entry);
        if (m_doc.m_bCancelTransfer == 1 || m_doc.m_bContinueTransfer != 1)
            break;
    }
    // The leg's files on other connections end before the leg does.
    driver.EndLanes();
    if (m_doc.m_bCancelTransfer == 1) {
        // The Get line stands for the whole action, in both legs.
        m_doc.AppendLog(CActionLog::m_strGetCanceled);
        CloseStatusDialog();
        m_doc.LogActionEnd();
        return false;
    }
    if (m_doc.m_bContinueTransfer != 1) {
        CloseStatusDialog();
        return false;
    }
    return true;
}

bool CRemoteCopyDriver::CheckSite(CVamloSiteInfo& site, const SiteTexts& texts)
{
    int code = 0;
    std::string text;
    if (CTransferDriver::IsConnectionAlive(site.m_pConnection.get(), code, text) == 1)
        return true;
    const std::string& address = site.m_strAddress;
    const auto stop = [&] {
        CloseStatusDialog();
        site.Disconnect();
        return false;
    };
    if (m_prompts.MessageBox(texts.brokenLead + address +
                                 "\" is broken.\nDo you want to reconnect to the ftp site?",
                             MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return stop();
    SetMessages(texts.connecting + address, "");
    if (site.Reconnect(m_doc.App()) == 1)
        return true;
    m_prompts.MessageBox(texts.failedLead + address + "\".\nPlease try to reconnect to the ftp site later.");
    const std::string failed = texts.failedLine + address;
    SetMessages(failed, "");
    m_doc.AppendLog(failed);
    return stop();
}

bool CRemoteCopyDriver::RoomForBytes(long long bytes)
{
    const std::string& folder = m_doc.App().m_strTempDirPath;
    const long long free = m_fnFreeBytes(folder);
    if (bytes < 0 || free < 0 || bytes <= free)
        return true;
    // Refused before the first byte: a full disk halfway would leave a half copy.
    const std::string cause = "The files to transfer need " + std::to_string(bytes) + " bytes, but only " +
                              std::to_string(free) + " bytes are free for the temporary directory \"" + folder +
                              "\".";
    m_doc.AppendLog(std::string(CActionLog::m_strFailure) + "\nCause: " + cause);
    m_prompts.MessageBox("There is not enough free disk space for the remote to remote file transfer.\n" + cause +
                         "\nPlease free some disk space before trying to do remote to remote file transfer.");
    CloseStatusDialog();
    m_doc.LogActionEnd();
    return false;
}

CFileInfoList CRemoteCopyDriver::TempEntries() const
{
    CFileInfoList list;
    const std::string& folder = m_doc.App().m_strTempDirPath;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return list;
    while (const dirent* found = readdir(dir)) {
        const std::string name = found->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = JoinLocalPath(folder, name);
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0)
            continue;
        auto entry = std::make_unique<CVaFileInfo>();
        entry->m_strPath = path;
        entry->m_byLocation = LOCATION_LOCAL;
        entry->m_bIsFolder = S_ISDIR(info.st_mode) ? 1 : 0;
        list.push_back(std::move(entry));
    }
    closedir(dir);
    return list;
}

void CRemoteCopyDriver::CreateStatusDialog(const char* title)
{
    IStatusDialogFactory* factory = m_doc.App().m_pStatusDialogFactory;
    if (factory != nullptr)
        m_doc.m_pStatusDlg = factory->CreateStatusDialog(title, &m_doc.m_bCancelTransfer, false);
}

void CRemoteCopyDriver::CloseStatusDialog() { m_doc.m_pStatusDlg.reset(); }

void CRemoteCopyDriver::SetMessages(const std::string& message1, const std::string& message2)
{
    if (m_doc.m_pStatusDlg)
        m_doc.m_pStatusDlg->SetMessages(message1, message2);
}
