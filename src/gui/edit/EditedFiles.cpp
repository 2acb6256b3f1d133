#include "edit/EditedFiles.h"

#include "app/AppCore.h"
#include "app/SiteListOwner.h"
#include "app/VamloDoc.h"
#include "edit/EditedFilesDlg.h"
#include "remote/RemoteConnection.h"
#include "remote/EntryName.h"
#include "model/SiteInfo.h"
#include "net/NetActions.h"
#include "net/RemoteFolders.h"
#include "path/Paths.h"
#include "transfer/QuestionParent.h"
#include "transfer/TransferWait.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string TimeText(std::time_t time)
{
    std::tm local{};
    char text[64] = {};
    if (localtime_r(&time, &local) != nullptr)
        std::strftime(text, sizeof text, "%m/%d/%Y %I:%M:%S %p", &local);
    return text;
}

// Only what both readings know is compared.
bool SameOnServer(const CGetDriver::RemoteStamp& a, const CGetDriver::RemoteStamp& b)
{
    if (a.sizeKnown && b.sizeKnown && a.size != b.size)
        return false;
    return !(a.timeKnown && b.timeKnown && a.modified != b.modified);
}

} // namespace

std::string CEditedFile::Place() const
{
    std::string path = "/" + JoinRemotePath(folder, name);
    path.erase(std::unique(path.begin(), path.end(), [](char a, char b) { return a == '/' && b == '/'; }), path.end());
    std::string shown = address;
    while (!shown.empty() && shown.back() == '/')
        shown.pop_back();
    return shown + path;
}

CEditedFiles::CEditedFiles(CVamloDoc& doc, CAppCore& app, CNetActions& actions, CSiteListOwner& sites, QWidget* window)
    : m_doc(doc), m_app(app), m_actions(actions), m_sites(sites), m_window(window)
{
    m_fnOpen = [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &CEditedFiles::OnPathChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &CEditedFiles::OnPathChanged);
}

CEditedFiles::~CEditedFiles()
{
    // A transfer of ours still running would tell a gone object it ended.
    if (m_running)
        CancelAndWaitForTransfer(m_doc);
    for (const auto& file : m_files)
        if (!file->unsent)
            RemoveEditCopy(file->local);
    if (!m_strFolder.empty())
        rmdir(m_strFolder.c_str());
}

CEditedFile* CEditedFiles::Find(uint64_t id) const
{
    for (const auto& file : m_files)
        if (file->id == id)
            return file.get();
    return nullptr;
}

bool CEditedFiles::SiteKnown(const CVamloSiteInfo* site) const
{
    for (const auto& record : m_sites.m_siteList)
        if (record.get() == site)
            return true;
    return false;
}

void CEditedFiles::SetState(CEditedFile& file, EditState state)
{
    file.state = state;
    emit FilesChanged();
}

void CEditedFiles::ViewEdit(CVamloSiteInfo* site, const std::string& folder, const std::string& name)
{
    IPrompts& prompts = m_app.Prompts();
    // The name becomes a local path: a server's name is checked first.
    if (site == nullptr || !IsSafeEntryName(name))
        return;
    for (const auto& file : m_files) {
        if (file->site == site && file->folder == folder && file->name == name) {
            OpenAgain(file->id);
            return;
        }
    }
    std::string error;
    if (m_strFolder.empty())
        m_strFolder = MakePrivateFolder(m_app.m_strAppDir, error);
    const std::string own = m_strFolder.empty() ? std::string() : MakePrivateFolder(m_strFolder, error);
    if (own.empty()) {
        prompts.MessageBox("Failed to create a folder for the file " + name + "\nCause: " + error);
        return;
    }
    auto file = std::make_unique<CEditedFile>();
    file->id = m_nextId++;
    file->site = site;
    file->address = site->m_strAddress;
    file->folder = folder;
    file->name = name;
    file->local = JoinLocalPath(own, name);
    file->busy = true;
    file->settle = new QTimer(this);
    file->settle->setSingleShot(true);
    file->settle->setInterval(kSettleMs);
    connect(file->settle, &QTimer::timeout, this, [this, id = file->id] { OnSettled(id); });
    m_waiting.push_back({file->id, false});
    m_files.push_back(std::move(file));
    emit FilesChanged();
    StartNext();
}

void CEditedFiles::OpenAgain(uint64_t id)
{
    CEditedFile* file = Find(id);
    if (file == nullptr || file->state == EditState::Downloading)
        return;
    if (!m_fnOpen(QString::fromStdString(file->local)))
        m_app.Prompts().MessageBox("No application could be started to open the file " + file->local);
}

void CEditedFiles::Retry(uint64_t id, const std::function<void(uint64_t)>& step)
{
    QTimer::singleShot(kRetryMs, this, [step, id] { step(id); });
}

void CEditedFiles::StartNext()
{
    while (!m_running && !m_waiting.empty()) {
        // One transfer at a time in the whole program: ours wait their turn.
        if (m_doc.IsTransferRunning()) {
            QTimer::singleShot(kRetryMs, this, &CEditedFiles::StartNext);
            return;
        }
        const Transfer next = m_waiting.front();
        CEditedFile* file = Find(next.id);
        if (file == nullptr || !SiteKnown(file->site)) {
            m_waiting.pop_front();
            if (file != nullptr) {
                file->busy = false;
                SetState(*file, next.upload ? EditState::Changed : EditState::Failed);
            }
            continue;
        }
        if (m_actions.HasActionOn(file->site)) {
            QTimer::singleShot(kRetryMs, this, &CEditedFiles::StartNext);
            return;
        }
        CFileInfoList entries;
        auto entry = std::make_unique<CVaFileInfo>();
        entry->m_bIsFolder = 0;
        CVamloDoc::CJobPlaces places;
        int started = 0;
        // A job that ends before counting leaves the counters as they are:
        // an earlier job's count must not pass for this one's.
        m_doc.m_nFilesSent = 0;
        m_doc.m_nFilesReceived = 0;
        if (next.upload) {
            entry->m_byLocation = LOCATION_LOCAL;
            entry->m_strPath = file->local;
            entries.push_back(std::move(entry));
            places.m_strTargetFolder = file->folder;
            places.m_pTargetSite = file->site;
            m_sending = ReadLocalStamp(file->local);
            // The user has just said Yes to replacing this very file.
            m_yesToAllBefore = m_doc.m_bYesToAll;
            m_doc.m_bYesToAll = 1;
            started = m_doc.StartPutJob(std::move(entries), NOTIFY_LIST, nullptr, this, places);
            if (started == 0)
                m_doc.m_bYesToAll = m_yesToAllBefore;
        } else {
            entry->m_byLocation = LOCATION_REMOTE;
            entry->m_strPath = JoinRemoteEntry(file->folder, file->name);
            entries.push_back(std::move(entry));
            places.m_strTargetFolder = file->local.substr(0, file->local.find_last_of('/'));
            places.m_pSourceSite = file->site;
            started = m_doc.StartGetJob(std::move(entries), NOTIFY_LIST, nullptr, this, places);
        }
        if (started == 0) {
            QTimer::singleShot(kRetryMs, this, &CEditedFiles::StartNext);
            return;
        }
        m_running = next;
        m_waiting.pop_front();
    }
}

void CEditedFiles::PostTransferDone(int message)
{
    QMetaObject::invokeMethod(this, [this, message] { OnTransferDone(message); }, Qt::QueuedConnection);
}

void CEditedFiles::OnTransferDone(int /*message*/)
{
    if (!m_running)
        return;
    const Transfer done = *m_running;
    m_running.reset();
    // The names are the list's, for a paste of its own.
    m_doc.ClearTransferredNames();
    CEditedFile* file = Find(done.id);
    if (done.upload)
        m_doc.m_bYesToAll = m_yesToAllBefore;
    if (file != nullptr && !done.upload) {
        const LocalStamp copy = ReadLocalStamp(file->local);
        if (m_doc.m_nFilesReceived != 1 || !copy.exists) {
            // The Get has told why; nothing is left to watch.
            RemoveEditCopy(file->local);
            Forget(file);
        } else {
            file->seen = copy;
            SetState(*file, EditState::Open);
            Watch(*file);
            OpenAgain(file->id);
            CheckServer(file->id, true);
        }
    } else if (file != nullptr) {
        if (m_doc.m_nFilesSent == 1) {
            file->seen = m_sending;
            file->unsent = ReadLocalStamp(file->local) != m_sending;
            SetState(*file, EditState::Sent);
            // What the server holds now is what later changes are measured by.
            CheckServer(file->id, true);
        } else {
            file->busy = false;
            SetState(*file, EditState::Failed);
        }
    }
    StartNext();
}

void CEditedFiles::Watch(CEditedFile& file)
{
    // An editor that saves by writing a new file and renaming it over the
    // old one ends the watch on the file; the folder's stays and sees it.
    const QString local = QString::fromStdString(file.local);
    const QString folder = QFileInfo(local).absolutePath();
    if (!m_watcher.directories().contains(folder))
        m_watcher.addPath(folder);
    if (!m_watcher.files().contains(local) && QFileInfo::exists(local))
        m_watcher.addPath(local);
}

void CEditedFiles::OnPathChanged(const QString& path)
{
    const std::string changed = path.toStdString();
    for (const auto& file : m_files) {
        if (file->state == EditState::Downloading)
            continue;
        if (file->local == changed || file->local.rfind(changed + "/", 0) == 0)
            file->settle->start();
    }
}

void CEditedFiles::OnSettled(uint64_t id)
{
    CEditedFile* file = Find(id);
    if (file == nullptr)
        return;
    const LocalStamp now = ReadLocalStamp(file->local);
    // Gone for a moment while an editor saves: the new file is seen when it comes.
    if (!now.exists)
        return;
    Watch(*file);
    if (now == file->seen || file->busy)
        return;
    file->unsent = true;
    file->busy = true;
    SetState(*file, EditState::Changed);
    CheckServer(id, false);
}

void CEditedFiles::CheckServer(uint64_t id, bool opening)
{
    CEditedFile* file = Find(id);
    if (file == nullptr)
        return;
    if (!SiteKnown(file->site)) {
        file->busy = false;
        return;
    }
    if (m_doc.IsTransferRunning() || m_actions.IsSiteBusy(file->site)) {
        Retry(id, [this, opening](uint64_t again) { CheckServer(again, opening); });
        return;
    }
    const std::string path = JoinRemotePath(file->folder, file->name);
    struct Reading {
        bool read = false;
        bool found = false;
        CGetDriver::RemoteStamp stamp;
    };
    auto reading = std::make_shared<Reading>();
    m_actions.Start(
        file->site, QStringLiteral("Checking %1").arg(QString::fromStdString(path)),
        [reading, path](NetActionContext& context) {
            if (!EnsureSiteConnection(context))
                return;
            const std::shared_ptr<IRemoteConnection> connection = context.site->m_pConnection;
            reading->found = connection && CGetDriver::ReadRemoteStamp(*connection, path, reading->stamp);
            reading->read = connection != nullptr && (reading->found || connection->IsOpen());
        },
        [this, id, opening, reading](NetActionEnd) {
            CEditedFile* checked = Find(id);
            if (checked == nullptr)
                return;
            if (opening) {
                if (reading->read)
                    checked->server = reading->found ? std::optional(reading->stamp) : std::nullopt;
                checked->busy = false;
                // Changes made meanwhile are looked at now.
                OnSettled(id);
            } else if (!reading->read) {
                // Not asked without knowing what the server holds.
                checked->busy = false;
            } else {
                Ask(id, reading->found, reading->stamp);
            }
        });
}

void CEditedFiles::Ask(uint64_t id, bool found, const CGetDriver::RemoteStamp& now)
{
    CEditedFile* file = Find(id);
    if (file == nullptr)
        return;
    const bool serverChanged = found != file->server.has_value() || (found && !SameOnServer(*file->server, now));
    if (file->always && !serverChanged) {
        Upload(id);
        return;
    }
    std::string text = "The file " + file->Place() + " has been changed.\nDo you want to " + kUploadQuestion;
    if (!found) {
        text += "\n\nThe file is no longer on the server.";
    } else if (serverChanged) {
        text += "\n\nThe file on the server has changed since it was opened. It is now " +
                (now.sizeKnown ? std::to_string(now.size) + " bytes" : std::string("of unknown size")) +
                (now.timeKnown ? ", modified " + TimeText(now.modified) : std::string()) +
                ". Yes replaces it with your copy.";
    }
    // Posted and shown without a loop of its own: the answer comes back as a signal.
    auto* box = new QMessageBox(QuestionParent(m_window));
    KeepAboveParent(box);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(QStringLiteral("Vamlo"));
    box->setIcon(serverChanged ? QMessageBox::Warning : QMessageBox::Question);
    box->setText(QString::fromStdString(text));
    box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    QPushButton* always = box->addButton(QString::fromLatin1(kAlwaysButton), QMessageBox::AcceptRole);
    box->setEscapeButton(QMessageBox::No);
    // A changed server file is replaced only on a deliberate click.
    box->setDefaultButton(serverChanged ? QMessageBox::No : QMessageBox::Yes);
    connect(box, &QDialog::finished, this, [this, id, box, always] {
        QAbstractButton* clicked = box->clickedButton();
        OnAnswer(id, clicked == always ? 2 : clicked == box->button(QMessageBox::Yes) ? 1 : 0);
    });
    box->open();
}

void CEditedFiles::OnAnswer(uint64_t id, int answer)
{
    CEditedFile* file = Find(id);
    if (file == nullptr)
        return;
    if (answer == 0) {
        // Asked again only when the copy changes once more.
        file->seen = ReadLocalStamp(file->local);
        file->busy = false;
        return;
    }
    if (answer == 2)
        file->always = true;
    Upload(id);
}

void CEditedFiles::Upload(uint64_t id)
{
    CEditedFile* file = Find(id);
    if (file == nullptr)
        return;
    SetState(*file, EditState::Uploading);
    m_waiting.push_back({id, true});
    StartNext();
}

bool CEditedFiles::CanClose()
{
    std::string names;
    for (const auto& file : m_files)
        if (file->unsent)
            names += "\n" + file->local;
    if (names.empty())
        return true;
    const std::string text = "These files opened for editing have changes that were not sent back to the server:" +
                             names + "\nThe copies are kept. Do you want to exit anyway?";
    return m_app.Prompts().MessageBox(text, MsgButtons::YesNo, MsgIcon::Question) == MsgResult::Yes;
}

void CEditedFiles::StopWatching(uint64_t id)
{
    CEditedFile* file = Find(id);
    if (file == nullptr || file->busy)
        return;
    if (file->unsent && m_app.Prompts().MessageBox("The file " + file->name +
                                                       " has changes that were not sent back to the server.\n"
                                                       "Stop watching it anyway? Its copy is kept as " +
                                                       file->local,
                                                   MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return;
    const QString local = QString::fromStdString(file->local);
    m_watcher.removePath(local);
    m_watcher.removePath(QFileInfo(local).absolutePath());
    if (!file->unsent)
        RemoveEditCopy(file->local);
    Forget(file);
}

void CEditedFiles::Forget(CEditedFile* file)
{
    delete file->settle;
    m_files.remove_if([&](const auto& kept) { return kept.get() == file; });
    emit FilesChanged();
}

void CEditedFiles::ShowWindow()
{
    if (m_pDlg == nullptr)
        m_pDlg = new CEditedFilesDlg(*this, m_window);
    m_pDlg->show();
    m_pDlg->raise();
    m_pDlg->activateWindow();
}
