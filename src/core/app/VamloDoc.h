#pragma once

#include "capture/BitmapFile.h"
#include "log/ActionLog.h"
#include "model/SiteList.h"
#include "transfer/JobRunner.h"
#include "transfer/TransferState.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class CAppCore;
class CSitePasswords;
struct CSiteListOwner;

// The single document: the site list file, the action status log, and the
// transfer state that every view shares.
class CVamloDoc : public CActionLog, public CTransferState {
public:
    explicit CVamloDoc(CAppCore& app);
    ~CVamloDoc() override;
    CVamloDoc(const CVamloDoc&) = delete;
    CVamloDoc& operator=(const CVamloDoc&) = delete;

    // Where saved passwords live; not owned, may stay unset (all in the file).
    CSitePasswords* m_pSitePasswords = nullptr;
    // The owner exists before the document is opened or created.
    void SetSiteListOwner(CSiteListOwner* owner) { m_pSiteListOwner = owner; }

    // A new document takes the site list path and saves itself there at once;
    // 0 when that save fails (start-up then ends).
    int OnNewDocument(const std::string& path);
    // Reads the records into the owner's list. A missing file fails; a file
    // that cannot be read is reported, left untouched, and the document
    // starts with an empty list.
    int OnOpenDocument(const std::string& path);
    // The plain save: to the document's path, or through the Save As question
    // when that file is missing or read-only. 1 when written.
    int DoFileSave();
    // Save Site List: the plain save, and the modified flag cleared on success.
    int OnFileSaveSiteList();
    // Asks about unsaved site list changes; closing always goes on.
    int CanCloseFrame();

    // The two log options: toggle, then store both.
    void OnStatusLogAutoSave();
    void OnLogViewAutoRefresh();
    // Greyed while the autosave file is not open.
    bool IsStatusLogAutoSaveEnabled() const { return m_bAutoSaveFileOpen == 1; }
    bool IsStatusLogAutoSaveChecked() const { return m_bAutoSaveLog == 1; }
    bool IsLogViewAutoRefreshChecked() const { return m_bAutoRefreshLogView == 1; }

    // The message text for a system (errno) or FTP engine error code.
    static std::string GetSystemErrorText(int code);

    // Where a job's files go and whose site its remote entries come from.
    // Without one, a job takes the panes' folder and the clipboard's site.
    struct CJobPlaces {
        std::string m_strTargetFolder;
        CVamloSiteInfo* m_pTargetSite = nullptr;
        CVamloSiteInfo* m_pSourceSite = nullptr;
        // A Put that moves: its local sources go once every file arrived.
        bool m_bMoveSources = false;
    };

    // Transfer jobs, started by Paste. Each takes the entries over and
    // returns 0, dropping them, when a transfer still runs.
    int StartGetJob(CFileInfoList entries, int32_t notifyKind, ITransferDoneSink* treeView,
                    ITransferDoneSink* listView, const std::optional<CJobPlaces>& places = std::nullopt);
    int StartPutJob(CFileInfoList entries, int32_t notifyKind, ITransferDoneSink* treeView,
                    ITransferDoneSink* listView, const std::optional<CJobPlaces>& places = std::nullopt);
    // From the clipboard's site into the current folder of the current site,
    // through the temporary folder.
    int StartRemoteCopyJob(CFileInfoList entries, int32_t notifyKind, ITransferDoneSink* treeView,
                           ITransferDoneSink* listView, const std::optional<CJobPlaces>& places = std::nullopt);
    bool IsTransferRunning() const { return m_jobRunner.IsRunning(); }
    void WaitForTransfer() { m_jobRunner.Wait(); }

    CAppCore& App() { return m_app; }

    // Deletes a local folder and everything in it, asking about read-only
    // entries; 1 when the folder is gone. Links inside are removed, never
    // followed. canceled, when given, can stop the walk between entries.
    int DeleteLocalFolder(const std::string& path, std::function<bool()> canceled = {});
    // 1: further read-only files and folders are deleted without a question.
    // Reset by the list's Delete, set by the answers.
    std::atomic<int32_t> m_bDeleteYesToAll{0};

    // The folder that the panes show, written by the tree's selection only.
    uint8_t m_byCurrentLocation = 0;
    std::string m_strCurrentFolder;
    CVamloSiteInfo* m_pCurrentSite = nullptr;
    // The file list's sort: column 0 Name, 1 Size, 2 Location, 3 Modified.
    int32_t m_nSortColumn = 0;
    int32_t m_bSortForward = 1;
    // 1 once the main frame has started to close: remote folders are then
    // neither listed nor selected.
    int32_t m_bClosing = 0;
    const std::string& GetPathName() const { return m_strPathName; }

    // The last picture of the main window, replaced by every capture; empty
    // before the first.
    CBitmapPixels m_capturedWindow;

    std::string m_strFileSignature = "VamLO";
    uint32_t m_dwFileVersion = 256;

    // Asked for a file name when the plain save cannot write to the
    // document's path; empty answer or nothing = cancelled. Set by the GUI.
    std::function<std::optional<std::string>(const std::string& currentPath)> m_fnAskSaveAsPath;

private:
    // The one transfer at a time: refused while another runs.
    int StartJob(CFileInfoList entries, int32_t notifyKind, ITransferDoneSink* treeView, ITransferDoneSink* listView,
                 const std::optional<CJobPlaces>& places, int doneMessage, std::function<void(TransferJob&)> work);
    bool WriteSiteList(const std::string& path);
    bool KeepUnreadableFileAside(const std::string& path);

    CAppCore& m_app;
    CSiteListOwner* m_pSiteListOwner = nullptr;
    std::string m_strPathName;
    // The file at m_strPathName could not be read: it is kept aside before
    // the first save replaces it.
    bool m_bSiteListUnreadable = false;
    // Declared last: its destructor waits for a running worker, which may
    // still use everything above.
    CTransferJobRunner m_jobRunner;
};

inline constexpr const char* kSiteListChangedQuestion =
    "The site list of the site manager has been changed. Do you want to save the changes?";
