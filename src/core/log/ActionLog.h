#pragma once

#include "log/AutoSaveFile.h"

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>

class IPrompts;
class ILogViewSink;

// The FTP action status log: banners and lines of every transfer, shown in
// the log view and optionally appended to the autosave file. Any thread may
// log; the text is guarded.
class CActionLog {
public:
    static constexpr const char* m_strSiteAddressLabel = "\n///// Ftp Site Address:  ";
    static constexpr const char* m_strSourceSiteLabel = "\n///// Source Ftp Site Address:  ";
    static constexpr const char* m_strTargetSiteLabel = "\n///// Target Ftp Site Address:  ";
    static constexpr const char* m_strStartedAtLabel = "\n///// Action Started At: ";
    static constexpr const char* m_strEndedAtLabel = "\n\n///// Action Ended At: ";
    static constexpr const char* m_strPuttingFile = "\n===== Putting File ============";
    static constexpr const char* m_strGettingFile = "\n===== Getting File ============";
    static constexpr const char* m_strCreatingDirectory = "\n===== Creating Directory ======";
    static constexpr const char* m_strSuccess = "===== Success =================";
    static constexpr const char* m_strFailure = "***** Failure *****************";
    static constexpr const char* m_strPutCanceled = "\n***** Action \"Put\" Canceled *****";
    static constexpr const char* m_strGetCanceled = "\n***** Action \"Get\" Canceled *****";
    static constexpr const char* m_strCreateDirectoryCanceled = "***** Action \"Create Directory\" Canceled *****";
    static constexpr const char* m_strAutoSaveFailed = "***** AutoSave Ftp Action Status Failed *****";
    // "\n\n" and 65 slashes; "\n" and 64 slashes.
    static const std::string m_strBannerTop;
    static const std::string m_strBannerBottom;

    CActionLog() = default;
    virtual ~CActionLog() = default;
    CActionLog(const CActionLog&) = delete;
    CActionLog& operator=(const CActionLog&) = delete;

    // Opens the autosave file whatever the option says, and tells the user
    // when it cannot be opened or has grown too big.
    void OpenAutoSaveFile(const std::string& path, IPrompts& prompts);

    void SetLogView(ILogViewSink* view);
    void LogActionStart(const std::string& siteAddress);
    void LogTransferStart(const std::string& sourceAddress, const std::string& targetAddress);
    void LogActionEnd();
    void AppendLog(const std::string& text);

    // While one lives, the lines its thread logs here are held and go to the
    // log at once when it ends: a file's lines stay together while other
    // files are sent beside it. Groups of one thread do not nest.
    class CLineGroup {
    public:
        explicit CLineGroup(CActionLog& log);
        ~CLineGroup();
        // The calling thread's held lines go to the log now (a file's last
        // line, written in step with the count it carries).
        static void FlushCurrent();
        CLineGroup(const CLineGroup&) = delete;
        CLineGroup& operator=(const CLineGroup&) = delete;

    private:
        friend class CActionLog;
        CActionLog& m_log;
        std::string m_strHeld;
        CLineGroup* m_pOuter;
    };

    std::string GetLogText() const;

    // Tests fix the clock; the text is the long local date and time.
    std::function<std::string()> m_fnTimeText;

    std::atomic<int32_t> m_bAutoSaveLog{0};
    std::atomic<int32_t> m_bAutoRefreshLogView{1};
    int32_t m_bAutoSaveFileOpen = 0;

private:
    // Lines that already begin with their line break, to the view and the file.
    void AppendHeld(const std::string& line);
    void StartBanner(const std::string& banner);
    std::string TimeText() const;

    mutable std::mutex m_mutex;
    ILogViewSink* m_pLogView = nullptr;
    std::string m_strLogText;
    CAutoSaveFile m_fileAutoSave;
    std::string m_strAutoSavePath;
    IPrompts* m_pPrompts = nullptr;
};

// The long local date-and-time text of the banners, e.g.
// "Sunday, December 6, 2026 10:49:11".
std::string LongDateTimeText(std::time_t when);
