#pragma once

#include "edit/EditCopies.h"
#include "transfer/GetDriver.h"
#include "transfer/TransferJob.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>

class CAppCore;
class CEditedFilesDlg;
class CNetActions;
class CVamloDoc;
class CVamloSiteInfo;
struct CSiteListOwner;
class QMessageBox;
class QTimer;
class QWidget;

// One file of a server opened for editing: its local copy and what is known
// of both sides.
struct CEditedFile {
    uint64_t id = 0;
    CVamloSiteInfo* site = nullptr;
    std::string address;
    std::string folder;
    std::string name;
    std::string local;
    EditState state = EditState::Downloading;
    // The server's file as it was when opened or last sent.
    std::optional<CGetDriver::RemoteStamp> server;
    // The copy as it was when last downloaded, sent or asked about.
    LocalStamp seen;
    // Changes on disk that the server does not have.
    bool unsent = false;
    // "Always for this file": later changes go without a question.
    bool always = false;
    // A check, question or transfer of this file is under way.
    bool busy = false;
    QTimer* settle = nullptr;
    // The address and path as the user reads them: no "//" joins.
    std::string Place() const;
};

// View/Edit of remote files: each is downloaded through the normal Get into
// a private folder of this run of the program, opened with the desktop's
// application and watched. A change on disk asks whether to upload it back
// (through the normal Put), saying so when the server's file changed since.
// Copies go when no longer watched, never while they hold unsent changes.
class CEditedFiles : public QObject, public ITransferDoneSink {
    Q_OBJECT

public:
    CEditedFiles(CVamloDoc& doc, CAppCore& app, CNetActions& actions, CSiteListOwner& sites, QWidget* window);
    ~CEditedFiles() override;

    // Downloads the file and opens it; a file already open is opened again.
    void ViewEdit(CVamloSiteInfo* site, const std::string& folder, const std::string& name);
    // Closing: true when nothing is unsent, or the user agrees to go; the
    // unsent copies are then kept on disk.
    bool CanClose();
    // The file goes from the list: its copy too, unless it holds unsent
    // changes (then the user is asked, and the copy is kept).
    void StopWatching(uint64_t id);
    void OpenAgain(uint64_t id);
    const std::list<std::unique_ptr<CEditedFile>>& Files() const { return m_files; }
    // The "Files being edited" window.
    void ShowWindow();
    // The private folder of this run; empty before the first View/Edit.
    const std::string& Folder() const { return m_strFolder; }

    // Hands a local file to the desktop; false when nothing could open it.
    std::function<bool(const QString& path)> m_fnOpen;

    void PostTransferDone(int message) override;

    // Quiet time after a change on disk before the copy is looked at: an
    // editor's save is several writes, which give one question.
    static constexpr int kSettleMs = 400;
    // How soon a busy site or a running transfer is tried again.
    static constexpr int kRetryMs = 1000;

signals:
    void FilesChanged();

private:
    CEditedFile* Find(uint64_t id) const;
    // Drops the file from the list (its copy is the caller's business).
    void Forget(CEditedFile* file);
    bool SiteKnown(const CVamloSiteInfo* site) const;
    void Watch(CEditedFile& file);
    void OnPathChanged(const QString& path);
    void OnSettled(uint64_t id);
    // Reads the server's file, then asks (or, for Always, sends).
    void CheckServer(uint64_t id, bool opening);
    void Ask(uint64_t id, bool found, const CGetDriver::RemoteStamp& now);
    void OnAnswer(uint64_t id, int answer);
    void Upload(uint64_t id);
    // Starts the waiting transfer when no other runs.
    void StartNext();
    void OnTransferDone(int message);
    void SetState(CEditedFile& file, EditState state);
    void Retry(uint64_t id, const std::function<void(uint64_t)>& step);

    CVamloDoc& m_doc;
    CAppCore& m_app;
    CNetActions& m_actions;
    CSiteListOwner& m_sites;
    QPointer<QWidget> m_window;
    std::string m_strFolder;
    std::list<std::unique_ptr<CEditedFile>> m_files;
    uint64_t m_nextId = 1;
    QFileSystemWatcher m_watcher;
    // Transfers waiting for their turn (Get or Put of a file), and the one
    // that runs.
    struct Transfer {
        uint64_t id;
        bool upload;
    };
    std::list<Transfer> m_waiting;
    std::optional<Transfer> m_running;
    LocalStamp m_sending;
    int32_t m_yesToAllBefore = 0;
    QPointer<CEditedFilesDlg> m_pDlg;
};

// The question's texts.
inline constexpr const char* kUploadQuestion = "upload the changed file back?";
inline constexpr const char* kAlwaysButton = "Always for this file";
