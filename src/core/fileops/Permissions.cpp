#include "fileops/Permissions.h"

#include "remote/EntryName.h"
#include "log/ActionLog.h"
#include "path/Paths.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

std::string PermissionsText(unsigned mode) { return ModeLetters(mode); }

std::string OctalModeText(unsigned mode)
{
    mode &= kPermissionBits;
    return {static_cast<char>('0' + (mode >> 6)), static_cast<char>('0' + ((mode >> 3) & 7)),
            static_cast<char>('0' + (mode & 7))};
}

bool ParseOctalMode(std::string_view text, unsigned& mode)
{
    if (text.empty() || text.size() > 4)
        return false;
    unsigned value = 0;
    for (const char c : text) {
        if (c < '0' || c > '7')
            return false;
        value = value * 8 + static_cast<unsigned>(c - '0');
    }
    if (value > kPermissionBits)
        return false;
    mode = value;
    return true;
}

bool ParseModeLetters(std::string_view text, unsigned& mode)
{
    if (text.size() != 9)
        return false;
    unsigned value = 0;
    for (size_t i = 0; i < 9; ++i) {
        const char c = text[i];
        const char granted = "rwx"[i % 3];
        const bool executeSlot = i % 3 == 2;
        bool on = c == granted;
        // setuid, setgid and sticky share the execute slot: lower case means
        // the execute bit is set too.
        if (executeSlot && (c == 's' || c == 't'))
            on = true;
        else if (!on && c != '-' && !(executeSlot && (c == 'S' || c == 'T')))
            return false;
        if (on)
            value |= 0400u >> i;
    }
    mode = value;
    return true;
}

bool CLocalPermissionPlace::List(const std::string& folder, std::vector<Entry>& entries, std::string& cause)
{
    // O_NOFOLLOW: the folder walked into is the one listed, never a link
    // that replaced it since.
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* dir = fd < 0 ? nullptr : fdopendir(fd);
    if (dir == nullptr) {
        cause = std::strerror(errno);
        if (fd >= 0)
            close(fd);
        return false;
    }
    while (const dirent* item = readdir(dir)) {
        const std::string name = item->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat info {};
        if (fstatat(fd, item->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const Kind kind = S_ISLNK(info.st_mode) ? Kind::Link : S_ISDIR(info.st_mode) ? Kind::Folder : Kind::File;
        entries.push_back({name, kind});
    }
    closedir(dir);
    return true;
}

IPermissionPlace::Result CLocalPermissionPlace::Change(const std::string& path, unsigned mode, std::string& cause)
{
    struct stat info {};
    // The setuid, setgid and sticky bits the dialog does not show are kept.
    if (stat(path.c_str(), &info) == 0 && chmod(path.c_str(), (info.st_mode & 07000) | (mode & kPermissionBits)) == 0)
        return Result::Done;
    cause = std::strerror(errno);
    return Result::Failed;
}

std::string CLocalPermissionPlace::Join(const std::string& folder, const std::string& name) const
{
    return JoinLocalPath(folder, name);
}

std::string CLocalPermissionPlace::WalkLimit(const std::string& /*folder*/, int depth) const
{
    return depth > kMaxDepth ? "it lies more than " + std::to_string(kMaxDepth) + " folders deep" : std::string();
}

CPermissionWalk::CPermissionWalk(IPermissionPlace& place, CActionLog& log, std::function<bool()> canceled)
    : m_place(place), m_log(log), m_canceled(std::move(canceled))
{
}

bool CPermissionWalk::Stopped()
{
    if (!m_outcome.canceled && m_canceled && m_canceled())
        m_outcome.canceled = true;
    return m_outcome.canceled || m_outcome.unsupported;
}

bool CPermissionWalk::ChangeOne(const std::string& path, unsigned mode)
{
    if (Stopped())
        return false;
    std::string cause;
    const IPermissionPlace::Result result = m_place.Change(path, mode, cause);
    m_log.AppendLog(OctalModeText(mode) + " (" + PermissionsText(mode) + ")  " + path);
    if (result == IPermissionPlace::Result::Done) {
        ++m_outcome.changed;
        return true;
    }
    m_log.AppendLog(std::string(CActionLog::m_strFailure) + "\nCause: " + cause);
    m_outcome.unsupported = result == IPermissionPlace::Result::Unsupported;
    if (m_outcome.failed++ == 0)
        m_outcome.firstCause = cause;
    return false;
}

void CPermissionWalk::Walk(const std::string& folder, int depth, const PermissionChange& change, bool changeSelf)
{
    if (const std::string limit = m_place.WalkLimit(folder, depth); !limit.empty()) {
        m_log.AppendLog("Skipped " + folder + " since " + limit);
        ++m_outcome.skipped;
        return;
    }
    // A folder that loses its owner's read or execute permission can no
    // longer be listed: it is changed after its contents, else before.
    const bool selfFirst = (change.mode & 0500) == 0500;
    if (changeSelf && selfFirst && !ChangeOne(folder, change.mode) && Stopped())
        return;
    std::vector<IPermissionPlace::Entry> entries;
    std::string cause;
    if (!Stopped() && !m_place.List(folder, entries, cause)) {
        m_log.AppendLog("Cannot list " + folder + "\n" + CActionLog::m_strFailure + "\nCause: " + cause);
        if (m_outcome.failed++ == 0)
            m_outcome.firstCause = cause;
    }
    for (const IPermissionPlace::Entry& entry : entries) {
        if (Stopped())
            return;
        const std::string path = m_place.Join(folder, entry.name);
        if (entry.kind == IPermissionPlace::Kind::Link) {
            m_log.AppendLog("Skipped " + path + " since it is or may be a link");
            ++m_outcome.skipped;
        } else if (entry.kind == IPermissionPlace::Kind::Folder) {
            Walk(path, depth + 1, change, change.folders);
        } else if (change.files) {
            ChangeOne(path, change.mode);
        }
    }
    if (changeSelf && !selfFirst)
        ChangeOne(folder, change.mode);
}

CPermissionWalk::Outcome CPermissionWalk::Apply(const std::string& placeName, const std::string& path, bool isFolder,
                                                const PermissionChange& change)
{
    m_outcome = Outcome{};
    m_log.LogActionStart(placeName);
    m_log.AppendLog("\n===== Changing Permissions ====");
    if (isFolder && change.contents)
        Walk(path, 0, change, true);
    else
        ChangeOne(path, change.mode);
    if (m_outcome.canceled)
        m_log.AppendLog("\n***** Action \"Permissions\" Canceled *****");
    m_log.AppendLog(std::to_string(m_outcome.changed) + " changed, " + std::to_string(m_outcome.failed) + " failed, " +
                    std::to_string(m_outcome.skipped) + " skipped");
    m_log.LogActionEnd();
    return m_outcome;
}

std::string PermissionOutcomeMessage(const std::string& path, const CPermissionWalk::Outcome& outcome)
{
    if (outcome.unsupported)
        return "The ftp site does not support changing permissions.\nCause: " + outcome.firstCause;
    if (outcome.failed == 0)
        return {};
    if (outcome.failed == 1 && outcome.changed == 0)
        return "Failed to change the permissions of \"" + path + "\".\nCause: " + outcome.firstCause;
    return "Failed to change the permissions of " + std::to_string(outcome.failed) + " entries in \"" + path +
           "\" (see the action status log).\nFirst cause: " + outcome.firstCause;
}
