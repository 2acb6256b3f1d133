#include "app/VamloDoc.h"

#include "fileops/LocalDelete.h"

#include "app/AppCore.h"
#include "app/Prompts.h"
#include "app/SiteListOwner.h"
#include "app/SitePasswords.h"
#include "net/NetErrors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsMissingOrReadOnly(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return true;
    return (info.st_mode & S_IWUSR) == 0;
}

} // namespace

CVamloDoc::CVamloDoc(CAppCore& app) : m_app(app)
{
    int32_t autoSave = 0;
    int32_t autoRefresh = 1;
    m_app.LoadSettings(&autoSave, &autoRefresh);
    m_bAutoSaveLog = autoSave;
    m_bAutoRefreshLogView = autoRefresh;
    if (!m_app.m_strAutoSavePath.empty() && m_app.m_pPrompts != nullptr)
        OpenAutoSaveFile(m_app.m_strAutoSavePath, *m_app.m_pPrompts);
    // Connections note in this log what the user should know about a site.
    m_app.m_pConnectLog = this;
}

void CVamloDoc::OnStatusLogAutoSave()
{
    m_bAutoSaveLog = m_bAutoSaveLog == 0 ? 1 : 0;
    m_app.SaveSettings(m_bAutoSaveLog, m_bAutoRefreshLogView);
}

void CVamloDoc::OnLogViewAutoRefresh()
{
    m_bAutoRefreshLogView = m_bAutoRefreshLogView == 0 ? 1 : 0;
    m_app.SaveSettings(m_bAutoSaveLog, m_bAutoRefreshLogView);
}

std::string CVamloDoc::GetSystemErrorText(int code) { return ::GetSystemErrorText(code); }

int CVamloDoc::OnNewDocument(const std::string& path)
{
    m_strPathName = path;
    m_bSiteListUnreadable = false;
    if (m_pSiteListOwner != nullptr)
        m_pSiteListOwner->m_siteList.clear();
    return WriteSiteList(path) ? 1 : 0;
}

int CVamloDoc::OnOpenDocument(const std::string& path)
{
    if (m_pSiteListOwner == nullptr)
        return 0;
    if (access(path.c_str(), F_OK) != 0) {
        m_app.Prompts().MessageBox("The site list file \"" + path + "\" cannot be opened.\nCause: " +
                                       std::strerror(errno),
                                   MsgButtons::Ok, MsgIcon::Error);
        return 0;
    }
    CSiteListHeader header;
    CSiteList records;
    std::string error;
    m_strPathName = path;
    m_pSiteListOwner->m_siteList.clear();
    if (!LoadSiteListFile(path, header, records, error)) {
        m_bSiteListUnreadable = true;
        m_app.Prompts().MessageBox(
            error + "\nVamlo starts with an empty site list and leaves the file as it is. "
                "Saving the site list keeps a copy of it as \"" + path + ".unreadable\".",
            MsgButtons::Ok, MsgIcon::Error);
        return 1;
    }
    m_bSiteListUnreadable = false;
    m_strFileSignature = header.m_strFileSignature;
    m_dwFileVersion = header.m_dwFileVersion;
    m_pSiteListOwner->m_siteList = std::move(records);
    if (m_pSitePasswords != nullptr)
        m_pSitePasswords->FillFromStore(m_pSiteListOwner->m_siteList);
    return 1;
}

int CVamloDoc::DoFileSave()
{
    std::string path = m_strPathName;
    if (path.empty() || IsMissingOrReadOnly(path)) {
        if (!m_fnAskSaveAsPath)
            return 0;
        std::optional<std::string> chosen = m_fnAskSaveAsPath(path);
        if (!chosen || chosen->empty())
            return 0;
        path = *chosen;
    }
    if (!WriteSiteList(path))
        return 0;
    m_strPathName = path;
    return 1;
}

int CVamloDoc::OnFileSaveSiteList()
{
    if (DoFileSave() != 1)
        return 0;
    if (m_pSiteListOwner != nullptr)
        m_pSiteListOwner->m_bSiteListModified = 0;
    return 1;
}

int CVamloDoc::CanCloseFrame()
{
    if (m_pSiteListOwner != nullptr && m_pSiteListOwner->m_bSiteListModified == 1) {
        if (m_app.Prompts().MessageBox(kSiteListChangedQuestion, MsgButtons::YesNo, MsgIcon::Question) ==
            MsgResult::Yes)
            OnFileSaveSiteList();
    }
    return 1;
}

namespace {

// Moves from to to unless to exists already.
bool RenameNoReplace(const std::string& from, const std::string& to)
{
#ifdef RENAME_NOREPLACE
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
#endif
    // A system or file system without the flag: look first.
    if (access(to.c_str(), F_OK) == 0) {
        errno = EEXIST;
        return false;
    }
    return std::rename(from.c_str(), to.c_str()) == 0;
}

} // namespace

bool CVamloDoc::KeepUnreadableFileAside(const std::string& path)
{
    // A copy kept earlier is never replaced: the next one gets a number.
    constexpr int kMaxCopies = 1000;
    std::string aside;
    for (int number = 1; number <= kMaxCopies; ++number) {
        aside = path + ".unreadable" + (number == 1 ? std::string() : "." + std::to_string(number));
        if (RenameNoReplace(path, aside) || errno == ENOENT)
            return true;
        if (errno != EEXIST)
            break;
    }
    m_app.Prompts().MessageBox("Failed to keep a copy of the unreadable site list file \"" + path + "\" as \"" +
                                   aside + "\".\nCause: " + std::strerror(errno) +
                                   "\nThe site list was not saved.",
                               MsgButtons::Ok, MsgIcon::Error);
    return false;
}

bool CVamloDoc::WriteSiteList(const std::string& path)
{
    if (m_pSiteListOwner == nullptr)
        return false;
    if (m_bSiteListUnreadable && path == m_strPathName && !KeepUnreadableFileAside(path))
        return false;
    CSiteListHeader header;
    header.m_strFileSignature = m_strFileSignature;
    header.m_dwFileVersion = m_dwFileVersion;
    std::string error;
    if (m_pSitePasswords != nullptr)
        m_pSitePasswords->StoreBeforeSave(m_pSiteListOwner->m_siteList);
    if (!SaveSiteListFile(path, header, m_pSiteListOwner->m_siteList, error)) {
        m_app.Prompts().MessageBox("Failed to save the site list.\nCause: " + error,
                                   MsgButtons::Ok, MsgIcon::Error);
        return false;
    }
    if (path == m_strPathName)
        m_bSiteListUnreadable = false;
    return true;
}

int CVamloDoc::DeleteLocalFolder(const std::string& path, std::function<bool()> canceled)
{
    return CLocalDelete(*this, m_app.Prompts(), std::move(canceled)).DeleteLocalFolder(path);
}
