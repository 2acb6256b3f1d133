#pragma once

#include "model/FileInfo.h"
#include "transfer/TransferJob.h"
#include "transfer/TransferLanes.h"
#include "transfer/TransferMeter.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class IRemoteConnection;
class IRemoteFile;
class CVamloDoc;
class CVamloSiteInfo;
class IPrompts;

// What Get and Put share: the driver frame, the Status window, the
// connection check with its reconnect prompt, and the block copy with its
// progress texts. The two differ only in direction, which the subclasses and
// the texts they pass in say.
class CTransferDriver {
public:
    CTransferDriver(CVamloDoc& doc, TransferJob& job);
    virtual ~CTransferDriver() = default;
    CTransferDriver(const CTransferDriver&) = delete;
    CTransferDriver& operator=(const CTransferDriver&) = delete;

    // The whole action over the job's entries.
    void RunEntries(const CFileInfoList& entries, int32_t tempFlag);

    // A job of many files sends them over up to the user's number of
    // connections to the site: the extra ones are opened here and closed by
    // EndLanes, which waits for their files.
    void StartLanes(int64_t files);
    void EndLanes();
    // This driver sends files beside leader's, on laneSite's connection.
    void JoinAsLane(CTransferDriver& leader, CVamloSiteInfo& laneSite, CQuestionGate& gate);

    // 0 when the connection is missing or no longer answers, with the code
    // and its text.
    static int IsConnectionAlive(IRemoteConnection* connection, int& errorCode, std::string& errorText);

protected:
    struct FrameTexts {
        const char* statusTitle;
        const char* countingMessage;
        const char* canceledLine;
    };
    virtual CVamloSiteInfo* ActionSite() const = 0;
    virtual FrameTexts Texts() const = 0;
    // Counts the files under the entries and resets the kind's counter.
    virtual int64_t CountFiles(const CFileInfoList& entries) = 0;
    virtual void TransferItem(const CVaFileInfo& entry, int32_t tempFlag) = 0;
    // The bytes under the entries as counted, or -1 when not known.
    virtual int64_t CountedActionBytes() const { return -1; }
    // A driver of the same kind, to send files on an extra connection.
    virtual std::unique_ptr<CTransferDriver> NewLaneDriver() = 0;
    // The site whose connection this driver's files use.
    CVamloSiteInfo* FileSite() const { return m_pLaneSite != nullptr ? m_pLaneSite : ActionSite(); }
    // One file of the walk: on an idle extra connection, or here when every
    // one is busy or there are none. Its log lines stay together.
    void SendOrRun(const std::function<void(CTransferDriver& driver)>& file);

    // The connection check at the head of drivers, walk steps and files. A
    // walk step or file (walkStep) also ends the action when it fails. The
    // head of a driver asks the server; a walk step only looks whether the
    // connection is still open, as a command per file costs a round trip.
    bool CheckConnection(CVamloSiteInfo* site, bool walkStep);
    // A file's first command failed: when the connection went away under it,
    // the reconnect question. Reconnected: connection is the new one, try
    // the file again; Ended: the user or the reconnect ended the action (it
    // is logged); NotDropped: the failure is the file's own.
    enum class Dropped { NotDropped, Reconnected, Ended };
    Dropped ReconnectAfterRefusal(CVamloSiteInfo* site, std::shared_ptr<IRemoteConnection>& connection);

    void CreateStatusDialog(const char* title);
    void CloseStatusDialog();
    void SetMessages(const std::string& message1, const std::string& message2);
    void SetMessage3(const std::string& message3);
    void SetFileRange(int64_t n);
    void SetOverallRange(int64_t n);
    void StepFile(int64_t steps = 1);
    void StepOverall();
    bool Cancelled() const;
    bool Continuing() const;

    void LogFailure(const std::string& cause);
    // The failure line and the message box of one file's error.
    void ReportFileError(const std::string& boxLead, const std::string& target, const std::string& cause);

    // Block copy of one file with the progress texts of both directions.
    // Broken: the connection went away under it (nothing reported yet).
    enum class CopyResult { Complete, Failed, Cancelled, Broken };
    struct CopyTexts {
        std::string message1;       // "Getting file: " + R, or "Putting file: " + P
        const char* countVerb;      // "Received " or "Sent "
        std::string readTarget;     // named in "Failed to read the file "
        std::string writeTarget;    // named in "Failed to write the file "
    };
    using ReadBlock = std::function<int64_t(char* buffer, size_t count, std::string& error)>;
    using WriteBlock = std::function<bool(const char* buffer, size_t count, std::string& error)>;
    // Sets the file bar to the file's units and returns the total text
    // (" of total 3 kb", " of total 20 bytes", or empty for an empty file).
    // again: the same file starts over from its first byte.
    std::string BeginFileProgress(uint64_t size, bool sizeKnown = true, bool again = false);
    // Where a copy stands: bytes of the file in place (a resumed copy starts
    // there), how to tell a lost connection, and, once Broken, why.
    struct CopyState {
        uint64_t done = 0;
        std::function<bool()> connectionLost;
        std::string brokenCause;
    };
    // A read or write failure has been logged and shown when it returns Failed.
    CopyResult CopyBlocks(const std::string& totalText, const CopyTexts& texts, const ReadBlock& read,
                          const WriteBlock& write, CopyState& state);
    // A file's connection broke: the reconnect question. The new connection,
    // or null when the action ends there (the cause is logged).
    std::shared_ptr<IRemoteConnection> ReconnectAfterDrop(CVamloSiteInfo* site, const std::string& cause);
    // Opens the file on a new connection to go on from offset (REST), or
    // from its first byte when the server cannot (offset becomes 0), and logs
    // which. Null when it does not open.
    std::unique_ptr<IRemoteFile> ReopenAt(IRemoteConnection& connection, const std::string& name, uint32_t access,
                                            uint64_t& offset);
    // After a file went on from the middle of it: where the server can give
    // the file's SHA-256, the two copies must agree. False (logged) when
    // they differ or the server's HASH fails.
    bool SplicedCopyAgrees(IRemoteConnection& connection, const std::string& remoteName, const std::string& localPath);
    // How often one file may be taken up again after its connection broke.
    static constexpr int kMaxResumes = 5;
    // "(Code: E)" + the system's text: the cause of failed folder and removal steps.
    static std::string CodeCause(int code);
    // The failure line and the box of a file that did not close cleanly.
    void ReportCloseError(const std::string& name, const std::string& cause);
    uint32_t OpenFlags() const;
    // A file has arrived: the kind's counter, Message 3, the overall bar and
    // the success and running-total lines.
    struct DoneTexts {
        const char* message3Tail;   // " files have been received from the remote site "
        const char* verb;           // "received" or "sent"
        const char* logTail;        // " files from the remote site "
        const char* logTempTail;    // the same through the local temp directory
    };
    void ReportFileDone(int64_t& counter, const std::string& address, int32_t tempFlag, const DoneTexts& texts);
    // The replace question for an existing target, with Yes to All
    // remembered and read-only targets never replaced. False: skip the file.
    bool ConfirmReplace(const std::string& target, bool readOnly, const char* cancelCause);

    void ShowFigures();
    static int64_t NowMs();

    CVamloDoc& m_doc;
    TransferJob& m_job;

private:
    CTransferDriver& Leader() { return m_pLeader != nullptr ? *m_pLeader : *this; }
    void MeterBeginFile(int64_t size, bool again);
    void MeterUpdate(uint64_t done);
    // Whether this driver's file is the one the window's file bar and texts
    // show (always without extra connections); ShowThisFile takes that place
    // when it is free (true when it took it now), or gives it up.
    bool ShowsTheFile();
    bool ShowThisFile(bool shown);

    // Every question of a job with extra connections passes its gate.
    CGatedPrompts m_gatedPrompts;
    CTransferDriver* m_pLeader = nullptr;        // set on a lane's driver
    CVamloSiteInfo* m_pLaneSite = nullptr;       // the lane's own record
    std::unique_ptr<CTransferLanes> m_pLanes;    // the leader's lanes
    // The leader's: the counters, the failures and the figures of the job.
    std::mutex m_sharedMutex;
    uint64_t m_nLaneReported = 0;                // of this file, in the leader's figures
    CTransferDriver* m_pShownFile = nullptr;     // the leader's: whose file the window shows
    uint64_t m_nFileUnits = 1;                   // the file bar's range for this driver's file
    CTransferMeter m_meter;

protected:
    IPrompts& m_prompts;
};

// "%s" of a 64-bit count.
std::string CountText(int64_t n);
// The message of the calling thread's last FTP engine error, at most 255 characters.
std::string LastNetErrorMessage();
