#include "ftp/FtpFileFind.h"

#include "ftp/FtpConnection.h"
#include "net/NetErrors.h"
#include "ftp/FtpListing.h"
#include "ftp/FtpSession.h"

#include <vector>

struct CFtpFileFind::Impl {
    std::shared_ptr<FtpSession> session;
    std::vector<FtpListEntry> entries;
    // A single file found by its size: its time is asked for only when needed.
    std::string strTimePending;
    size_t nNext = 0;
    const FtpListEntry* pCurrent = nullptr;
    bool bHasRoot = false;   // the search named a folder
    std::string strRoot;     // that folder, as the caller wrote it
    size_t nBadNames = 0;
    bool bOpen = false;

    void Release()
    {
        entries.clear();
        strTimePending.clear();
        nNext = 0;
        pCurrent = nullptr;
        if (bOpen && session && session->pOpenSearch == this)
            session->pOpenSearch = nullptr;
        bOpen = false;
    }
};

namespace {

// "*" alone asks for the whole folder. Anything else is a name: "*" and "?"
// are ordinary characters in names on this system.
bool ListsFolder(const std::string& last) { return last == "*"; }

} // namespace

CFtpFileFind::CFtpFileFind(CFtpConnection* connection, uint32_t /*context*/) : m_pImpl(std::make_unique<Impl>())
{
    if (connection != nullptr)
        m_pImpl->session = connection->Session();
}

CFtpFileFind::~CFtpFileFind() { Close(); }

void CFtpFileFind::Close() { m_pImpl->Release(); }

bool CFtpFileFind::FindFile(const std::string& name, uint32_t flags)
{
    Impl& find = *m_pImpl;
    find.Release();
    find.nBadNames = 0;
    if (!find.session)
        return PublishStatus(NetStatus::Error(ERROR_INTERNET_INCORRECT_HANDLE_STATE));
    FtpSession& session = *find.session;
    if (session.pOpenSearch != nullptr)
        return PublishStatus(NetStatus::Error(ERROR_FTP_TRANSFER_IN_PROGRESS));
    if (NetStatus ready = session.Ready(); !ready)
        return PublishStatus(ready);

    const std::string pattern = name.empty() ? "*" : name;
    const size_t slash = pattern.rfind('/');
    const std::string last = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    find.bHasRoot = slash != std::string::npos;
    find.strRoot = find.bHasRoot ? pattern.substr(0, slash) : std::string();

    if (ListsFolder(last)) {
        const std::string folder = find.bHasRoot && find.strRoot.empty() ? "/" : find.strRoot;
        FtpListing listing;
        if (NetStatus listed = ListFolder(session, folder, listing, (flags & FIND_FLAG_LONG_LIST) != 0); !listed)
            return PublishStatus(listed);
        find.nBadNames = listing.nBadNames;
        find.entries = std::move(listing.entries);
    } else {
        FtpListEntry entry;
        if (NetStatus found = FindEntry(session, pattern, entry, false); !found)
            return PublishStatus(found);
        if (!entry.hasTime && !entry.isDirectory)
            find.strTimePending = pattern;
        if (entry.name == "/") {
            find.bHasRoot = false;   // the root's path is its name
            find.strRoot.clear();
        }
        find.entries.push_back(std::move(entry));
    }
    if (find.entries.empty())
        return PublishStatus(NetStatus::Error(ERROR_NO_MORE_FILES));
    find.bOpen = true;
    session.pOpenSearch = &find;
    return true;
}

bool CFtpFileFind::FindNextFile()
{
    Impl& find = *m_pImpl;
    if (!find.bOpen || find.nNext >= find.entries.size()) {
        SetLastNetError(ERROR_NO_MORE_FILES);
        return false;
    }
    find.pCurrent = &find.entries[find.nNext++];
    return find.nNext < find.entries.size();
}

std::string CFtpFileFind::GetFileName() const
{
    return m_pImpl->pCurrent ? m_pImpl->pCurrent->name : std::string();
}

std::string CFtpFileFind::GetFilePath() const
{
    const Impl& find = *m_pImpl;
    if (find.pCurrent == nullptr)
        return {};
    if (!find.bHasRoot)
        return find.pCurrent->name;
    if (!find.strRoot.empty() && find.strRoot.back() == '/')
        return find.strRoot + find.pCurrent->name;
    return find.strRoot + "/" + find.pCurrent->name;
}

std::string CFtpFileFind::GetFileURL() const
{
    const Impl& find = *m_pImpl;
    if (find.pCurrent == nullptr || !find.session)
        return {};
    const std::string& server = find.session->serverName;
    const std::string host = server.find(':') != std::string::npos ? "[" + server + "]" : server;
    const std::string path = GetFilePath();
    const char* scheme = find.session->control.IsTls() ? "ftpes://" : "ftp://";
    return scheme + host + (path.empty() || path[0] != '/' ? "/" : "") + path;
}

uint64_t CFtpFileFind::GetLength() const { return m_pImpl->pCurrent ? m_pImpl->pCurrent->size : 0; }

bool CFtpFileFind::HasLength() const
{
    return m_pImpl->pCurrent && m_pImpl->pCurrent->hasSize && !m_pImpl->pCurrent->isLink;
}

bool CFtpFileFind::GetLastWriteTime(std::time_t& time) const
{
    Impl& find = *m_pImpl;
    if (find.pCurrent != nullptr && !find.strTimePending.empty() && find.bOpen && find.session &&
        find.session->Ready()) {
        FetchModifiedTime(*find.session, find.strTimePending, find.entries.front());
        find.strTimePending.clear();
    }
    if (find.pCurrent == nullptr || !find.pCurrent->hasTime)
        return false;
    time = m_pImpl->pCurrent->modified;
    return true;
}

bool CFtpFileFind::IsDots() const { return m_pImpl->pCurrent && IsDotsName(m_pImpl->pCurrent->name); }

bool CFtpFileFind::IsDirectory() const { return m_pImpl->pCurrent && m_pImpl->pCurrent->isDirectory; }

std::string CFtpFileFind::GetPermissions() const
{
    return m_pImpl->pCurrent ? m_pImpl->pCurrent->permissions : std::string();
}

bool CFtpFileFind::IsLink() const { return m_pImpl->pCurrent && m_pImpl->pCurrent->isLink; }

bool CFtpFileFind::MayBeLink() const
{
    return m_pImpl->pCurrent && (m_pImpl->pCurrent->isLink || !m_pImpl->pCurrent->linkMarked);
}

size_t CFtpFileFind::GetBadNameCount() const { return m_pImpl->nBadNames; }
