#include "log/ActionLog.h"

#include "app/Prompts.h"
#include "log/LogViewSink.h"

#include <ctime>

const std::string CActionLog::m_strBannerTop = "\n\n" + std::string(65, '/');
const std::string CActionLog::m_strBannerBottom = "\n" + std::string(64, '/');

std::string LongDateTimeText(std::time_t when)
{
    std::tm local {};
    localtime_r(&when, &local);
    // The day without a leading zero, as the long date form writes it.
    char head[64];
    char tail[64];
    std::size_t headSize = std::strftime(head, sizeof head, "%A, %B ", &local);
    std::size_t tailSize = std::strftime(tail, sizeof tail, ", %Y %H:%M:%S", &local);
    return std::string(head, headSize) + std::to_string(local.tm_mday) + std::string(tail, tailSize);
}

void CActionLog::OpenAutoSaveFile(const std::string& path, IPrompts& prompts)
{
    m_pPrompts = &prompts;
    m_strAutoSavePath = path;
    std::string cause;
    if (!m_fileAutoSave.Open(path, cause)) {
        m_bAutoSaveFileOpen = 0;
        prompts.MessageBox("The Status Log AutoSave feature cannot be turned on since the Status Log AutoSave file (" +
                           path + ") could not be open.\nCause: " + cause);
        return;
    }
    m_bAutoSaveFileOpen = 1;
    if (m_fileAutoSave.OpenedSize() >= CAutoSaveFile::kSizeWarningBytes) {
        prompts.MessageBox("The size of the Status Log AutoSave file \"" + path +
                           "\" is getting too big.\nPlease delete or rename the Status Log AutoSave file before "
                           "running the Vamlo application next time!");
    }
}

void CActionLog::SetLogView(ILogViewSink* view)
{
    std::lock_guard lock(m_mutex);
    m_pLogView = view;
}

std::string CActionLog::TimeText() const
{
    return m_fnTimeText ? m_fnTimeText() : LongDateTimeText(std::time(nullptr));
}

void CActionLog::StartBanner(const std::string& banner)
{
    std::lock_guard lock(m_mutex);
    if (m_pLogView == nullptr)
        return;
    if (m_bAutoRefreshLogView == 1) {
        m_strLogText = banner;
        m_pLogView->SetLogText(m_strLogText);
    } else {
        m_strLogText += banner;
        m_pLogView->AppendLogText(banner);
    }
}

void CActionLog::LogActionStart(const std::string& siteAddress)
{
    StartBanner(m_strBannerTop + m_strSiteAddressLabel + siteAddress + m_strStartedAtLabel + TimeText());
}

void CActionLog::LogTransferStart(const std::string& sourceAddress, const std::string& targetAddress)
{
    StartBanner(m_strBannerTop + m_strSourceSiteLabel + sourceAddress + m_strTargetSiteLabel + targetAddress +
                m_strStartedAtLabel + TimeText());
}

void CActionLog::LogActionEnd()
{
    const std::string banner = m_strEndedAtLabel + TimeText() + m_strBannerBottom;
    std::lock_guard lock(m_mutex);
    if (m_pLogView == nullptr)
        return;
    m_strLogText += banner;
    m_pLogView->AppendLogText(banner);
}

namespace {
thread_local CActionLog::CLineGroup* t_pLineGroup = nullptr;
}

CActionLog::CLineGroup::CLineGroup(CActionLog& log) : m_log(log), m_pOuter(t_pLineGroup) { t_pLineGroup = this; }

CActionLog::CLineGroup::~CLineGroup()
{
    t_pLineGroup = m_pOuter;
    if (!m_strHeld.empty())
        m_log.AppendHeld(m_strHeld);
}

void CActionLog::CLineGroup::FlushCurrent()
{
    if (t_pLineGroup == nullptr || t_pLineGroup->m_strHeld.empty())
        return;
    t_pLineGroup->m_log.AppendHeld(t_pLineGroup->m_strHeld);
    t_pLineGroup->m_strHeld.clear();
}

void CActionLog::AppendLog(const std::string& text)
{
    if (t_pLineGroup != nullptr && &t_pLineGroup->m_log == this) {
        t_pLineGroup->m_strHeld += "\n" + text;
        return;
    }
    AppendHeld("\n" + text);
}

void CActionLog::AppendHeld(const std::string& line)
{
    std::string cause;
    bool saveFailed = false;
    {
        std::lock_guard lock(m_mutex);
        if (m_pLogView != nullptr) {
            m_strLogText += line;
            m_pLogView->AppendLogText(line);
        }
        if (m_bAutoSaveFileOpen == 1 && m_bAutoSaveLog == 1 && !m_fileAutoSave.Append(line, cause)) {
            saveFailed = true;
            // One failure, one message: a full disk would otherwise ask once
            // for every line of a long transfer. The user can turn it on again.
            m_bAutoSaveLog = 0;
            const std::string failure = "\n" + std::string(m_strAutoSaveFailed) + "\nCause: " + cause;
            if (m_pLogView != nullptr) {
                m_strLogText += failure;
                m_pLogView->AppendLogText(failure);
            }
        }
    }
    // Asked outside the lock: the GUI thread may be waiting to log.
    if (saveFailed && m_pPrompts != nullptr) {
        m_pPrompts->MessageBox("Failed to write to the Status Log AutoSave file \"" + m_strAutoSavePath +
                               "\".\nCause: " + cause);
    }
}

std::string CActionLog::GetLogText() const
{
    std::lock_guard lock(m_mutex);
    return m_strLogText;
}
