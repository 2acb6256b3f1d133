#include "transfer/TransferDriver.h"

#include "app/AppCore.h"
#include "app/Prompts.h"
#include "app/VamloDoc.h"
#include "remote/RemoteEngine.h"
#include "model/SiteInfo.h"
#include "transfer/FileHash.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

// Data moves in blocks this large; Cancel is looked at after each one.
constexpr size_t kBlockBytes = 64 * 1024;
constexpr uint64_t kUnitBytes = 1024;

uint64_t UnitsOf(uint64_t bytes) { return (bytes + kUnitBytes - 1) / kUnitBytes; }

} // namespace

std::string CountText(int64_t n) { return std::to_string(n); }

std::string LastNetErrorMessage()
{
    std::string text = GetSystemErrorText(GetLastNetErrorCode());
    if (text.size() > 255)
        text.resize(255);
    return text;
}

CTransferDriver::CTransferDriver(CVamloDoc& doc, TransferJob& job)
    : m_doc(doc), m_job(job), m_gatedPrompts(doc.App().Prompts()), m_prompts(m_gatedPrompts)
{
}

void CTransferDriver::StartLanes(int64_t files)
{
    const int connections = std::clamp<int>(m_doc.App().m_nTransferConnections.load(), 1, kMaxTransferConnections);
    CVamloSiteInfo* site = ActionSite();
    const int64_t extra = std::min<int64_t>(connections - 1, files - 1);
    if (extra <= 0 || site == nullptr || m_pLanes || m_pLeader != nullptr)
        return;
    m_pLanes = std::make_unique<CTransferLanes>(*this, m_doc, *site, static_cast<int>(extra),
                                                [this] { return NewLaneDriver(); });
    m_gatedPrompts.SetGate(&m_pLanes->Gate());
}

void CTransferDriver::EndLanes()
{
    // The files still queued may go out here: the lanes stay known (and
    // the window open) until every one has ended.
    if (m_pLanes)
        m_pLanes->Drain();
    m_pLanes.reset();
    m_gatedPrompts.SetGate(nullptr);
}

void CTransferDriver::JoinAsLane(CTransferDriver& leader, CVamloSiteInfo& laneSite, CQuestionGate& gate)
{
    m_pLeader = &leader;
    m_pLaneSite = &laneSite;
    m_gatedPrompts.SetGate(&gate);
}

void CTransferDriver::SendOrRun(const std::function<void(CTransferDriver& driver)>& file)
{
    if (!m_pLanes) {
        file(*this);
        return;
    }
    m_pLanes->Queue([file](CTransferDriver& driver, int64_t index) {
        // Files still queued when the job was cancelled or ended are not begun.
        if (driver.m_doc.m_bCancelTransfer == 1 || !driver.Continuing())
            return;
        const CActionLog::CLineGroup lines(driver.m_doc);
        driver.m_gatedPrompts.SetFile(index);
        file(driver);
        driver.m_gatedPrompts.SetFile(CQuestionGate::kNoFile);
    });
}

int CTransferDriver::IsConnectionAlive(IRemoteConnection* connection, int& errorCode, std::string& errorText)
{
    std::string directory;
    if (connection != nullptr && connection->GetCurrentDirectory(directory))
        return 1;
    errorCode = connection != nullptr ? GetLastNetErrorCode() : ERROR_INTERNET_INCORRECT_HANDLE_STATE;
    errorText = GetSystemErrorText(errorCode);
    return 0;
}

bool CTransferDriver::CheckConnection(CVamloSiteInfo* site, bool walkStep)
{
    // After a Cancel every network wait fails at once: that is no broken
    // connection to ask about.
    if (Cancelled()) {
        CloseStatusDialog();
        return false;
    }
    if (walkStep) {
        if (site->m_pConnection && site->m_pConnection->IsOpen())
            return true;
    } else {
        int code = 0;
        std::string text;
        if (IsConnectionAlive(site->m_pConnection.get(), code, text))
            return true;
    }
    const std::string& address = site->m_strAddress;
    const auto stop = [&] {
        CloseStatusDialog();
        site->Disconnect();
        if (walkStep)
            m_doc.m_bContinueTransfer = 0;
        return false;
    };
    if (m_prompts.MessageBox("The connection to ftp site \"" + address +
                                 "\" is broken.\nDo you want to reconnect to the ftp site?",
                             MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return stop();
    SetMessages("Connecting to ftp site: " + address, "");
    if (site->Reconnect(m_doc.App()) == 1)
        return true;
    m_prompts.MessageBox("Failed to reconnect to ftp site \"" + address +
                         "\".\nPlease try to reconnect to the ftp site later.");
    const std::string failed = "***** Failed to reconnect to ftp site: " + address;
    SetMessages(failed, "");
    m_doc.AppendLog(failed);
    return stop();
}

CTransferDriver::Dropped CTransferDriver::ReconnectAfterRefusal(CVamloSiteInfo* site,
                                                                std::shared_ptr<IRemoteConnection>& connection)
{
    if (site == nullptr || (connection && connection->IsOpen()) || Cancelled())
        return Dropped::NotDropped;
    // An extra connection of ours that the server let go is no news to the
    // user: it logs on again by itself, or the file fails as refused.
    if (m_pLeader != nullptr) {
        if (!ReconnectQuietly(*site, m_doc.App()))
            return Dropped::NotDropped;
        connection = site->m_pConnection;
        return Dropped::Reconnected;
    }
    if (!CheckConnection(site, true) || !site->m_pConnection)
        return Dropped::Ended;
    connection = site->m_pConnection;
    return Dropped::Reconnected;
}

void CTransferDriver::RunEntries(const CFileInfoList& entries, int32_t tempFlag)
{
    CVamloSiteInfo* site = ActionSite();
    if (site == nullptr)
        return;
    const FrameTexts texts = Texts();
    m_doc.LogActionStart(site->m_strAddress);
    CreateStatusDialog(texts.statusTitle);
    if (!CheckConnection(site, false))
        return;
    // Folders may have been renamed or removed on the server since the
    // last action: every folder change of this one asks the server again.
    if (site->m_pConnection)
        site->m_pConnection->ForgetCurrentDirectory();
    m_doc.m_bContinueTransfer = 1;
    SetMessages(texts.countingMessage, "");
    const int64_t files = CountFiles(entries);
    SetOverallRange(files);
    m_meter.BeginAction(CountedActionBytes(), files);
    StartLanes(files);
    for (const auto& entry : entries) {
        TransferItem(*entry, tempFlag);
        if (Cancelled() || !Continuing())
            break;
    }
    // The files still on their way end first: the end lines come after theirs.
    EndLanes();
    if (Cancelled()) {
        m_doc.AppendLog(texts.canceledLine);
        CloseStatusDialog();
        m_doc.LogActionEnd();
        return;
    }
    CloseStatusDialog();
    if (Continuing())
        m_doc.LogActionEnd();
}

void CTransferDriver::CreateStatusDialog(const char* title)
{
    IStatusDialogFactory* factory = m_doc.App().m_pStatusDialogFactory;
    if (factory != nullptr)
        m_doc.m_pStatusDlg = factory->CreateStatusDialog(title, &m_doc.m_bCancelTransfer, true);
}

void CTransferDriver::CloseStatusDialog()
{
    // While files go on beside this one the window stays; the job closes it
    // once they have ended.
    if (m_pLeader == nullptr && !m_pLanes)
        m_doc.m_pStatusDlg.reset();
}

void CTransferDriver::SetMessages(const std::string& message1, const std::string& message2)
{
    if (m_doc.m_pStatusDlg && ShowsTheFile())
        m_doc.m_pStatusDlg->SetMessages(message1, message2);
}

void CTransferDriver::SetMessage3(const std::string& message3)
{
    if (m_doc.m_pStatusDlg)
        m_doc.m_pStatusDlg->SetMessage3(message3);
}

void CTransferDriver::SetFileRange(int64_t n)
{
    if (m_doc.m_pStatusDlg && ShowsTheFile())
        m_doc.m_pStatusDlg->SetFileRange(n);
}

void CTransferDriver::SetOverallRange(int64_t n)
{
    if (m_doc.m_pStatusDlg)
        m_doc.m_pStatusDlg->SetOverallRange(n);
}

void CTransferDriver::StepFile(int64_t steps)
{
    if (m_doc.m_pStatusDlg && ShowsTheFile())
        m_doc.m_pStatusDlg->StepFile(steps);
}

void CTransferDriver::StepOverall()
{
    if (m_doc.m_pStatusDlg)
        m_doc.m_pStatusDlg->StepOverall();
}

bool CTransferDriver::Cancelled() const
{
    if (m_doc.m_bCancelTransfer != 1)
        return false;
    // The switch has woken whatever wait the Cancel came in; what follows
    // only cleans up.
    StopCancelWakeups();
    return true;
}

bool CTransferDriver::Continuing() const { return m_doc.m_bContinueTransfer == 1; }

void CTransferDriver::LogFailure(const std::string& cause)
{
    {
        const std::lock_guard lock(Leader().m_sharedMutex);
        ++m_job.m_nFailures;
    }
    m_doc.AppendLog(std::string(CActionLog::m_strFailure) + "\nCause: " + cause);
}

void CTransferDriver::ReportFileError(const std::string& boxLead, const std::string& target, const std::string& cause)
{
    // A wait that Cancel cut short is no failure to tell.
    if (Cancelled())
        return;
    LogFailure(cause);
    m_prompts.MessageBox(boxLead + target + "\nCause: " + cause);
}

int64_t CTransferDriver::NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool CTransferDriver::ShowsTheFile()
{
    if (m_pLeader == nullptr && !m_pLanes)
        return true;
    const std::lock_guard lock(Leader().m_sharedMutex);
    return Leader().m_pShownFile == this;
}

bool CTransferDriver::ShowThisFile(bool shown)
{
    if (m_pLeader == nullptr && !m_pLanes)
        return false;
    const std::lock_guard lock(Leader().m_sharedMutex);
    CTransferDriver*& owner = Leader().m_pShownFile;
    if (shown && owner == nullptr) {
        owner = this;
        return true;
    }
    if (!shown && owner == this)
        owner = nullptr;
    return false;
}

void CTransferDriver::ShowFigures()
{
    if (!ShowsTheFile())
        return;
    const std::lock_guard lock(Leader().m_sharedMutex);
    if (m_doc.m_pStatusDlg)
        m_doc.m_pStatusDlg->SetFigures(m_meter.FileLine(), Leader().m_meter.ActionLine());
}

void CTransferDriver::MeterBeginFile(int64_t size, bool again)
{
    const std::lock_guard lock(Leader().m_sharedMutex);
    if (again)
        m_meter.Update(0, NowMs());
    else
        m_meter.BeginFile(size, 0, NowMs());
    m_nLaneReported = 0;
}

void CTransferDriver::MeterUpdate(uint64_t done)
{
    const std::lock_guard lock(Leader().m_sharedMutex);
    m_meter.Update(done, NowMs());
    if (m_pLeader != nullptr && done > m_nLaneReported)
        m_pLeader->m_meter.AddOtherBytes(done - m_nLaneReported, NowMs());
    m_nLaneReported = done;
}

std::string CTransferDriver::BeginFileProgress(uint64_t size, bool sizeKnown, bool again)
{
    // Of the files sent side by side, the window's file bar and texts follow
    // one until its data has moved; then the next one that moves data.
    ShowThisFile(true);
    m_nFileUnits = std::max<uint64_t>(UnitsOf(size), 1);
    MeterBeginFile(sizeKnown ? static_cast<int64_t>(size) : -1, again);
    ShowFigures();
    std::string total;
    if (size > kUnitBytes)
        total = " of total " + std::to_string(UnitsOf(size)) + " kb";
    else if (size > 0)
        total = " of total " + std::to_string(size) + " bytes";
    SetFileRange(static_cast<int64_t>(std::max<uint64_t>(UnitsOf(size), 1)));
    return total;
}

CTransferDriver::CopyResult CTransferDriver::CopyBlocks(const std::string& totalText, const CopyTexts& texts,
                                                        const ReadBlock& read, const WriteBlock& write,
                                                        CopyState& state)
{
    std::vector<char> buffer(kBlockBytes);
    uint64_t& done = state.done;
    struct ShownUntilDone {
        CTransferDriver& driver;
        ~ShownUntilDone() { driver.ShowThisFile(false); }
    } shown{*this};
    // A lost connection is not the file's failure: the caller offers it back.
    const auto failed = [&](const char* lead, const std::string& target, const std::string& error) {
        // Cancel cuts the network wait it came in: no failure of the file.
        if (Cancelled())
            return CopyResult::Cancelled;
        if (state.connectionLost && state.connectionLost()) {
            state.brokenCause = error;
            return CopyResult::Broken;
        }
        ReportFileError(lead, target, error);
        return CopyResult::Failed;
    };
    for (;;) {
        std::string error;
        const int64_t n = read(buffer.data(), buffer.size(), error);
        if (n < 0)
            return failed("Failed to read the file ", texts.readTarget, error);
        if (n == 0) {
            ShowFigures();
            return CopyResult::Complete;
        }
        if (!write(buffer.data(), static_cast<size_t>(n), error))
            return failed("Failed to write the file ", texts.writeTarget, error);
        // The texts count as if the data came in blocks of 1024 bytes: whole
        // kilobytes, and a file shorter than one block in bytes.
        const uint64_t before = done;
        done += static_cast<uint64_t>(n);
        const std::string received = done < kUnitBytes ? std::to_string(done) + " bytes"
                                                       : std::to_string(UnitsOf(done)) + " kb";
        // Taken over in the middle: the bar starts where this file stands.
        if (ShowThisFile(true)) {
            SetFileRange(static_cast<int64_t>(m_nFileUnits));
            if (UnitsOf(before) > 0)
                StepFile(static_cast<int64_t>(UnitsOf(before)));
        }
        SetMessages(texts.message1, texts.countVerb + received + totalText);
        StepFile(static_cast<int64_t>(std::max<uint64_t>(UnitsOf(done) - UnitsOf(before), 1)));
        // The figures go with every block, as the texts do: the window shows
        // whichever came last, so the two never tell different counts.
        MeterUpdate(done);
        ShowFigures();
        if (Cancelled())
            return CopyResult::Cancelled;
    }
}

std::shared_ptr<IRemoteConnection> CTransferDriver::ReconnectAfterDrop(CVamloSiteInfo* site, const std::string& cause)
{
    if (site == nullptr || !CheckConnection(site, true) || !site->m_pConnection) {
        LogFailure(cause);
        return nullptr;
    }
    return site->m_pConnection;
}

std::unique_ptr<IRemoteFile> CTransferDriver::ReopenAt(IRemoteConnection& connection, const std::string& name,
                                                         uint32_t access, uint64_t& offset)
{
    // Offsets count stored bytes; an ASCII transfer changes line ends, so it
    // starts again instead.
    if ((OpenFlags() & FTP_TRANSFER_TYPE_ASCII) != 0)
        offset = 0;
    bool refused = false;
    std::unique_ptr<IRemoteFile> file = connection.OpenFileAt(name, access, OpenFlags(), offset, refused);
    if (file && offset > 0) {
        m_doc.AppendLog("===== The connection is back: the file resumed at " + std::to_string(offset) +
                        " bytes =====");
        MeterUpdate(offset);
        return file;
    }
    if (!file && !refused)
        return nullptr;
    m_doc.AppendLog(offset > 0 ? "===== The server cannot go on from byte " + std::to_string(offset) +
                                     ": the file starts again from its first byte ====="
                               : std::string("===== The connection is back: the file starts again from its first "
                                             "byte ====="));
    offset = 0;
    return file ? std::move(file) : connection.OpenFile(name, access, OpenFlags(), 1);
}

bool CTransferDriver::SplicedCopyAgrees(IRemoteConnection& connection, const std::string& remoteName,
                                        const std::string& localPath)
{
    std::string serverHex;
    const int offered = connection.GetSha256(remoteName, serverHex);
    if (offered < 0)
        return true;   // the size check is all there is
    std::string localHex;
    if (offered == 0 || !Sha256OfFile(localPath, localHex)) {
        // The server said it could check the file and then did not: an
        // unchecked splice is no better than a wrong one.
        LogFailure("The SHA-256 checksums of the resumed file could not be compared");
        return false;
    }
    if (localHex != serverHex) {
        LogFailure("The resumed file differs from the server's copy: their SHA-256 checksums do not agree");
        return false;
    }
    m_doc.AppendLog("===== The SHA-256 checksums of the resumed file agree =====");
    return true;
}

std::string CTransferDriver::CodeCause(int code)
{
    return "(Code: " + std::to_string(code) + ")" + GetSystemErrorText(code);
}

void CTransferDriver::ReportCloseError(const std::string& name, const std::string& cause)
{
    if (Cancelled())
        return;
    LogFailure(cause);
    m_prompts.MessageBox("Failed to close the file " + name + "\nCause: " + cause);
}

uint32_t CTransferDriver::OpenFlags() const
{
    const uint32_t type = m_doc.App().m_nTransferType == 1 ? FTP_TRANSFER_TYPE_ASCII : FTP_TRANSFER_TYPE_BINARY;
    return INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | type;
}

bool CTransferDriver::ConfirmReplace(const std::string& target, bool readOnly, const char* cancelCause)
{
    const auto refuseReadOnly = [&](const std::string& cause) {
        m_prompts.MessageBox("File " + target + " is read-only.\nYou can not replace the read-only file.");
        LogFailure(cause);
        return false;
    };
    if (m_doc.m_bYesToAll == 1)
        return readOnly ? refuseReadOnly("Cannot replace read-only file " + target) : true;

    const ReplaceAnswer answer =
        m_prompts.AskReplace("The file " + target + " already exists.", "Are you sure you want to replace this file?");
    if (answer.result == DialogResult::Cancel) {
        m_doc.m_bYesToAll = 0;
        LogFailure(cancelCause);
        return false;
    }
    switch (answer.choice) {
    case REPLACE_YES_TO_ALL:
        m_doc.m_bYesToAll = 1;
        return readOnly ? refuseReadOnly("Vamlo cannot replace the read-only file.") : true;
    case REPLACE_NO:
        m_doc.m_bYesToAll = 0;
        LogFailure("User selected not to replace the existed file.");
        return false;
    default:
        m_doc.m_bYesToAll = 0;
        return readOnly ? refuseReadOnly("Vamlo cannot replace the read-only file") : true;
    }
}

void CTransferDriver::ReportFileDone(int64_t& counter, const std::string& address, int32_t tempFlag,
                                     const DoneTexts& texts)
{
    const std::lock_guard lock(Leader().m_sharedMutex);
    ++counter;
    const std::string count = CountText(counter) + " of total " + m_doc.m_strFileCount;
    SetMessage3(count + texts.message3Tail + address);
    StepOverall();
    m_doc.AppendLog(CActionLog::m_strSuccess);
    m_doc.AppendLog(std::string("\n===== Have successfully ") + texts.verb + " " + count +
                    (tempFlag == 0 ? texts.logTail : texts.logTempTail) + address + " =====");
    // Files sent side by side reach the log in the order of their counts.
    CActionLog::CLineGroup::FlushCurrent();
}
