// The remote-site interface over libssh's SFTP: commands, the finder and files.
#include "sftp/SftpConnection.h"

#include "net/NetCancel.h"
#include "net/NetErrors.h"
#include "remote/EntryName.h"
#include "remote/RemoteEngine.h"
#include "sftp/SftpLink.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/time.h>
#include <vector>

namespace {

// Pipelining as OpenSSH's sftp does it: many requests in flight, so that a
// round trip per block never limits the throughput. Reads stay within
// libssh's receive window (about 1.2 MB), or the server waits on it.
constexpr uint32_t kReadBlock = 64 * 1024;
constexpr size_t kReadsInFlight = 16;
constexpr size_t kWriteBlock = 32 * 1024;
constexpr size_t kWritesInFlight = 64;
// A folder that never ends (a lying server) stops the listing here.
constexpr size_t kMaxListingEntries = 1000000;
constexpr uint8_t kFxpWrite = 6;
constexpr uint8_t kFxpRead = 5;
constexpr uint8_t kFxpStatus = 101;
constexpr uint8_t kFxpData = 103;
constexpr uint8_t kFxpExtended = 200;
constexpr const char* kPosixRename = "posix-rename@openssh.com";
constexpr uint32_t kMaxReplyBytes = kReadBlock + 1024;

std::string Join(const std::string& folder, const std::string& name)
{
    if (name.empty())
        return folder;
    if (name.front() == '/')
        return name;
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

// "." and ".." taken out and slashes made single: SFTP has no current
// folder of its own, so ours must stay a plain absolute path.
std::string Normalize(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string result;
    for (const std::string& part : parts)
        result += "/" + part;
    return result.empty() ? "/" : result;
}

struct SftpEntry {
    std::string name;
    uint64_t size = 0;
    bool hasSize = false;
    std::time_t modified = 0;
    bool hasTime = false;
    bool isDirectory = false;
    bool isLink = false;
    std::string permissions;   // the nine letters, when the server gave the mode
};

SftpEntry EntryOf(sftp_attributes attributes, std::string name)
{
    SftpEntry entry;
    entry.name = std::move(name);
    entry.isLink = attributes->type == SSH_FILEXFER_TYPE_SYMLINK;
    entry.isDirectory = attributes->type == SSH_FILEXFER_TYPE_DIRECTORY;
    entry.hasSize = (attributes->flags & SSH_FILEXFER_ATTR_SIZE) != 0 && !entry.isDirectory;
    entry.size = entry.hasSize ? attributes->size : 0;
    entry.hasTime = (attributes->flags & SSH_FILEXFER_ATTR_ACMODTIME) != 0;
    entry.modified = static_cast<std::time_t>(attributes->mtime);
    if ((attributes->flags & SSH_FILEXFER_ATTR_PERMISSIONS) != 0)
        entry.permissions = ModeLetters(attributes->permissions);
    return entry;
}

void PutBe32(std::string& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((value >> shift) & 0xff));
}

void PutString(std::string& out, const char* data, size_t size)
{
    PutBe32(out, static_cast<uint32_t>(size));
    out.append(data, size);
}

uint32_t GetBe32(const unsigned char* in) { return (uint32_t{in[0]} << 24) | (in[1] << 16) | (in[2] << 8) | in[3]; }

class CSftpConnection;

class CSftpFinder final : public IRemoteFinder {
public:
    explicit CSftpFinder(std::shared_ptr<CSftpConnection> connection) : m_pConnection(std::move(connection)) {}
    ~CSftpFinder() override { Close(); }
    bool FindFile(const std::string& name, uint32_t flags) override;
    bool FindNextFile() override;
    void Close() override;
    std::string GetFileName() const override { return m_pCurrent ? m_pCurrent->name : std::string(); }
    std::string GetFilePath() const override;
    std::string GetFileURL() const override;
    uint64_t GetLength() const override { return m_pCurrent ? m_pCurrent->size : 0; }
    bool HasLength() const override { return m_pCurrent && m_pCurrent->hasSize && !m_pCurrent->isLink; }
    bool GetLastWriteTime(std::time_t& time) const override
    {
        if (m_pCurrent == nullptr || !m_pCurrent->hasTime)
            return false;
        time = m_pCurrent->modified;
        return true;
    }
    bool IsDots() const override { return m_pCurrent && IsDotsName(m_pCurrent->name); }
    bool IsDirectory() const override { return m_pCurrent && m_pCurrent->isDirectory; }
    std::string GetPermissions() const override { return m_pCurrent ? m_pCurrent->permissions : std::string(); }
    bool IsLink() const override { return m_pCurrent && m_pCurrent->isLink; }
    // SFTP listings always mark links.
    bool MayBeLink() const override { return IsLink(); }
    size_t GetBadNameCount() const override { return m_nBadNames; }

private:
    std::shared_ptr<CSftpConnection> m_pConnection;
    std::vector<SftpEntry> m_entries;
    size_t m_nNext = 0;
    const SftpEntry* m_pCurrent = nullptr;
    bool m_bHasRoot = false;
    std::string m_strRoot;
    size_t m_nBadNames = 0;
    bool m_bOpen = false;
};

class CSftpConnection final : public IRemoteConnection, public std::enable_shared_from_this<CSftpConnection> {
public:
    CSftpConnection(std::unique_ptr<CSftpLink> link, std::string folder)
        : m_link(std::move(link)), m_strFolder(std::move(folder))
    {
    }
    ~CSftpConnection() override { Close(); }

    void Close() override { m_link->Shut(true); }
    void CloseWithoutWaiting() override { m_link->Shut(false); }

    int SetCurrentDirectory(const std::string& directory) override
    {
        const std::string path = Normalize(Resolve(directory));
        // A folder proven to be there is entered without asking again, as
        // for FTP: a transfer enters it before each of its files.
        if (m_bFolderChecked && path == m_strFolder)
            return Ready() ? 1 : 0;
        sftp_attributes attributes = nullptr;
        if (!Ready() || !Command([&] { return (attributes = sftp_stat(m_link->sftp, path.c_str())) != nullptr; }))
            return 0;
        const bool folder = attributes->type == SSH_FILEXFER_TYPE_DIRECTORY;
        sftp_attributes_free(attributes);
        if (!folder)
            return Report(NetStatus::Error(ERROR_INTERNET_EXTENDED_ERROR, "Not a directory: " + path + "\n"));
        m_strFolder = path;
        m_bFolderChecked = true;
        return 1;
    }
    int GetCurrentDirectory(std::string& directory) override
    {
        // The round trip proves that the connection still answers.
        char* real = nullptr;
        if (!Ready() || !Command([&] { return (real = sftp_canonicalize_path(m_link->sftp, ".")) != nullptr; }))
            return 0;
        ssh_string_free_char(real);
        directory = m_strFolder;
        return 1;
    }
    int CreateDirectory(const std::string& directory) override
    {
        return Simple([&](const std::string& path) { return sftp_mkdir(m_link->sftp, path.c_str(), 0755) == 0; },
            directory);
    }
    int RemoveDirectory(const std::string& directory) override
    {
        m_bFolderChecked = false;
        return Simple([&](const std::string& path) { return sftp_rmdir(m_link->sftp, path.c_str()) == 0; }, directory);
    }
    int Remove(const std::string& file) override
    {
        return Simple([&](const std::string& path) { return sftp_unlink(m_link->sftp, path.c_str()) == 0; }, file);
    }
    // Replaces an existing target where the server has posix-rename@openssh.com.
    int Rename(const std::string& from, const std::string& to) override;
    int GetFileSize(const std::string& file, uint64_t& size) override
    {
        sftp_attributes attributes = Stat(file);
        if (attributes == nullptr)
            return 0;
        const bool known = (attributes->flags & SSH_FILEXFER_ATTR_SIZE) != 0;
        size = attributes->size;
        sftp_attributes_free(attributes);
        return known ? 1 : -1;
    }
    int GetModifiedTime(const std::string& file, std::time_t& time) override
    {
        sftp_attributes attributes = Stat(file);
        if (attributes == nullptr)
            return 0;
        const bool known = (attributes->flags & SSH_FILEXFER_ATTR_ACMODTIME) != 0;
        time = static_cast<std::time_t>(attributes->mtime);
        sftp_attributes_free(attributes);
        return known ? 1 : -1;
    }
    int SetModifiedTime(const std::string& file, std::time_t time) override
    {
        timeval times[2] = {{time, 0}, {time, 0}};
        return Simple([&](const std::string& path) { return sftp_utimes(m_link->sftp, path.c_str(), times) == 0; },
            file);
    }
    int SetPermissions(const std::string& file, unsigned mode) override
    {
        return Simple([&](const std::string& path) { return sftp_chmod(m_link->sftp, path.c_str(), mode & 0777) == 0; },
            file);
    }
    int GetSha256(const std::string&, std::string&) override { return -1; }
    bool OffersMachineListings() const override { return true; }
    void ForgetCurrentDirectory() override { m_bFolderChecked = false; }

    std::unique_ptr<IRemoteFile> OpenFile(const std::string& name, uint32_t access, uint32_t flags,
        uint32_t) override
    {
        bool refused = false;
        return OpenFileAt(name, access, flags, 0, refused);
    }
    std::unique_ptr<IRemoteFile> OpenFileAt(const std::string& name, uint32_t access, uint32_t flags,
        uint64_t offset, bool& restartRefused) override;
    std::unique_ptr<IRemoteFinder> NewFinder() override { return std::make_unique<CSftpFinder>(shared_from_this()); }

    int64_t IdleMilliseconds() const override { return m_link->watch ? m_link->watch->IdleMs() : 0; }
    // A path look-up is the lightest request that the server must answer.
    int KeepAlive(int replyTimeoutMs) override
    {
        if (!IsOpen())
            return 0;
        char* real = nullptr;
        if (!Command([&] { return (real = sftp_canonicalize_path(m_link->sftp, ".")) != nullptr; }, replyTimeoutMs))
            return IsOpen() ? 1 : 0;   // a refusal is still an answer
        ssh_string_free_char(real);
        return 1;
    }

    bool IsOpen() const override { return m_link->ssh != nullptr && !m_link->bBroken; }
    bool IsEncrypted() const override { return true; }
    bool OffersEncryption() const override { return false; }
    const std::string& GetServerName() const override { return m_link->host; }
    int GetLastErrorCode() const override { return m_nLastError; }
    const std::string& GetLastResponse() const override { return m_strLastResponse; }

    // For the finder and the files.
    CSftpLink& Link() { return *m_link; }
    std::string Resolve(const std::string& name) const { return Join(m_strFolder, name); }
    int Report(const NetStatus& status)
    {
        if (!status) {
            m_nLastError = status.code;
            m_strLastResponse = status.response;
        }
        return PublishStatus(status) ? 1 : 0;
    }
    bool Ready()
    {
        return IsOpen() || Report(NetStatus::Error(m_link->ssh ? ERROR_FTP_DROPPED : ERROR_INTERNET_INCORRECT_HANDLE_STATE));
    }
    // One request and its answer, bounded by the reply time-out. A canceled
    // action starts no new request, except to clean up after itself.
    template <typename Fn>
    bool Command(Fn fn, int timeoutMs = 0)
    {
        if (!bCleaningUp && CurrentActionCanceled())
            return Report(NetStatus::Error(ERROR_INTERNET_OPERATION_CANCELLED)) != 0;
        bool done = false;
        {
            CSshStep step(*m_link->watch, timeoutMs > 0 ? timeoutMs : m_link->timeouts.replyMs);
            done = m_link->watch->CutReason() == 0 && fn();
        }
        return done || Report(m_link->Failure());
    }

    // A request sent straight on the channel, for what libssh 0.10 cannot
    // do: pipelined writes and the replacing rename. Only while libssh has
    // no request of its own in flight, so that every reply read is ours.
    bool SendRaw(uint8_t type, const std::string& payload, uint32_t& id);
    // Reads the next reply whole: its type, id and the bytes from the type on.
    bool TakeReply(uint32_t& id, uint8_t& type, std::vector<unsigned char>& body);
    // Reads the next reply, which must be a status.
    bool TakeStatus(uint32_t& id, uint32_t& status);
    bool Broken(int code)
    {
        m_link->bBroken = true;
        return Report(NetStatus::Error(code)) != 0;
    }

    bool bSearchOpen = false;
    bool bCleaningUp = false;   // a file ends its requests in flight

private:
    template <typename Fn>
    int Simple(Fn fn, const std::string& name)
    {
        const std::string path = Resolve(name);
        return Ready() && Command([&] { return fn(path); }) ? 1 : 0;
    }
    sftp_attributes Stat(const std::string& file)
    {
        const std::string path = Resolve(file);
        sftp_attributes attributes = nullptr;
        if (!Ready() || !Command([&] { return (attributes = sftp_stat(m_link->sftp, path.c_str())) != nullptr; }))
            return nullptr;
        return attributes;
    }

    std::unique_ptr<CSftpLink> m_link;
    std::string m_strFolder;
    bool m_bFolderChecked = false;
    int m_nLastError = 0;
    std::string m_strLastResponse;
};

bool CSftpFinder::FindFile(const std::string& name, uint32_t)
{
    Close();
    m_nBadNames = 0;
    if (!m_pConnection)
        return PublishStatus(NetStatus::Error(ERROR_INTERNET_INCORRECT_HANDLE_STATE));
    CSftpConnection& connection = *m_pConnection;
    if (connection.bSearchOpen)
        return PublishStatus(NetStatus::Error(ERROR_FTP_TRANSFER_IN_PROGRESS));
    if (!connection.Ready())
        return false;
    sftp_session sftp = connection.Link().sftp;
    const std::string pattern = name.empty() ? "*" : name;
    const size_t slash = pattern.rfind('/');
    const std::string last = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    m_bHasRoot = slash != std::string::npos;
    m_strRoot = m_bHasRoot ? pattern.substr(0, slash) : std::string();
    if (last == "*") {
        const std::string folder = connection.Resolve(m_bHasRoot && m_strRoot.empty() ? "/" : m_strRoot);
        sftp_dir dir = nullptr;
        if (!connection.Command([&] { return (dir = sftp_opendir(sftp, folder.c_str())) != nullptr; }))
            return false;
        // Each entry comes with lstat's attributes: a link is listed as a link.
        bool failed = false;
        for (size_t read = 0; !failed; ++read) {
            sftp_attributes attributes = nullptr;
            if (!connection.Command([&] { return (attributes = sftp_readdir(sftp, dir)) != nullptr || sftp_dir_eof(dir); }))
                failed = true;
            if (attributes == nullptr)
                break;
            const std::string entryName = attributes->name ? attributes->name : "";
            if (read >= kMaxListingEntries)
                failed = !connection.Report(NetStatus::Error(ERROR_INTERNET_INVALID_SERVER_RESPONSE,
                    "The folder lists more than " + std::to_string(kMaxListingEntries) + " entries\n"));
            else if (!IsDotsName(entryName) && !IsSafeEntryName(entryName))
                ++m_nBadNames;
            else if (!IsDotsName(entryName))
                m_entries.push_back(EntryOf(attributes, entryName));
            sftp_attributes_free(attributes);
        }
        {
            // Frees the handle whatever the server says; a cut link fails at once.
            CSshStep step(*connection.Link().watch, connection.Link().timeouts.replyMs);
            sftp_closedir(dir);
        }
        if (failed) {
            m_entries.clear();
            return false;
        }
    } else {
        std::string path = pattern;
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        const std::string resolved = connection.Resolve(path);
        sftp_attributes attributes = nullptr;
        if (!connection.Command([&] { return (attributes = sftp_lstat(sftp, resolved.c_str())) != nullptr; }))
            return false;
        if (resolved == "/" || path == "/") {
            m_bHasRoot = false;   // the root's path is its name
            m_strRoot.clear();
            m_entries.push_back(EntryOf(attributes, "/"));
        } else {
            m_entries.push_back(EntryOf(attributes, path.substr(path.rfind('/') + 1)));
        }
        sftp_attributes_free(attributes);
    }
    if (m_entries.empty())
        return PublishStatus(NetStatus::Error(ERROR_NO_MORE_FILES));
    m_bOpen = true;
    connection.bSearchOpen = true;
    return true;
}

bool CSftpFinder::FindNextFile()
{
    if (!m_bOpen || m_nNext >= m_entries.size()) {
        SetLastNetError(ERROR_NO_MORE_FILES);
        return false;
    }
    m_pCurrent = &m_entries[m_nNext++];
    return m_nNext < m_entries.size();
}

void CSftpFinder::Close()
{
    m_entries.clear();
    m_nNext = 0;
    m_pCurrent = nullptr;
    if (m_bOpen && m_pConnection)
        m_pConnection->bSearchOpen = false;
    m_bOpen = false;
}

std::string CSftpFinder::GetFilePath() const
{
    if (m_pCurrent == nullptr)
        return {};
    if (!m_bHasRoot)
        return m_pCurrent->name;
    return !m_strRoot.empty() && m_strRoot.back() == '/' ? m_strRoot + m_pCurrent->name
                                                         : m_strRoot + "/" + m_pCurrent->name;
}

std::string CSftpFinder::GetFileURL() const
{
    if (m_pCurrent == nullptr || !m_pConnection)
        return {};
    const std::string& server = m_pConnection->GetServerName();
    const std::string host = server.find(':') != std::string::npos ? "[" + server + "]" : server;
    const std::string path = GetFilePath();
    return "sftp://" + host + (path.empty() || path[0] != '/' ? "/" : "") + path;
}

// While a file ends, its requests run even after a Cancel: replies left
// unread would be taken for answers to the next command.
class CleanUp {
public:
    explicit CleanUp(CSftpConnection& connection) : m_connection(connection), m_bWas(connection.bCleaningUp)
    {
        m_connection.bCleaningUp = true;
    }
    ~CleanUp() { m_connection.bCleaningUp = m_bWas; }
    CleanUp(const CleanUp&) = delete;
    CleanUp& operator=(const CleanUp&) = delete;

private:
    CSftpConnection& m_connection;
    bool m_bWas;
};

// A file open on the server. Reads keep kReadsInFlight requests ahead of
// the caller; writes keep kWritesInFlight blocks unanswered. Both go as
// plain SFTP requests on the channel: libssh 0.10 has no pipelined write,
// and its reader costs a copy and a queue search per block.
class CSftpFile final : public IRemoteFile {
public:
    CSftpFile(std::shared_ptr<CSftpConnection> connection, sftp_file file, std::string name, bool write,
        uint64_t offset)
        : m_pConnection(std::move(connection)), m_file(file), m_strName(std::move(name)), m_bWrite(write),
          m_nOffset(offset)
    {
    }
    ~CSftpFile() override
    {
        if (m_file != nullptr)
            Abort();
    }

    int64_t Read(void* buffer, size_t count) override;
    bool Write(const void* buffer, size_t count) override;
    bool Close() override;
    void Abort() override;
    const std::string& GetFileName() const override { return m_strName; }

private:
    struct Request {
        uint32_t id;
        uint64_t offset;
        uint32_t length;
    };
    // The handle and the next offset, as read and write requests start.
    std::string HandlePayload() const;
    bool FillReads();
    bool TakeRead(const Request& request, std::vector<unsigned char>& body, uint8_t& type);
    bool SendWrite(const char* data, size_t size);
    bool TakeWriteReply();
    // Ends the file on the server.
    bool CloseHandle();

    std::shared_ptr<CSftpConnection> m_pConnection;
    sftp_file m_file;
    std::string m_strName;
    bool m_bWrite;
    uint64_t m_nOffset;   // of the next request
    std::deque<Request> m_reads;
    // Reads in flight start at one and double with each full block, so a
    // small file costs no answers that are thrown away.
    size_t m_nReadWindow = 1;
    std::map<uint32_t, std::pair<uint8_t, std::vector<unsigned char>>> m_early;
    std::vector<unsigned char> m_block;   // the last read's answer: data from m_nBlockPos to m_nBlockEnd
    size_t m_nBlockPos = 0;
    size_t m_nBlockEnd = 0;
    bool m_bEnd = false;
    std::string m_pending;   // write data not yet a whole block
    std::set<uint32_t> m_writes;
    bool m_bFailed = false;
};

std::string CSftpFile::HandlePayload() const
{
    std::string payload;
    PutString(payload, static_cast<const char*>(ssh_string_data(m_file->handle)), ssh_string_len(m_file->handle));
    PutBe32(payload, static_cast<uint32_t>(m_nOffset >> 32));
    PutBe32(payload, static_cast<uint32_t>(m_nOffset));
    return payload;
}

bool CSftpFile::FillReads()
{
    while (!m_bEnd && m_reads.size() < m_nReadWindow) {
        std::string payload = HandlePayload();
        PutBe32(payload, kReadBlock);
        uint32_t id = 0;
        if (!m_pConnection->SendRaw(kFxpRead, payload, id))
            return false;
        m_reads.push_back({id, m_nOffset, kReadBlock});
        m_nOffset += kReadBlock;
    }
    return true;
}

// The answer to the oldest read; servers may answer out of order, so the
// others that come first are kept until their turn.
bool CSftpFile::TakeRead(const Request& request, std::vector<unsigned char>& body, uint8_t& type)
{
    for (size_t taken = 0; taken <= kReadsInFlight; ++taken) {
        if (auto early = m_early.find(request.id); early != m_early.end()) {
            body = std::move(early->second.second);
            type = early->second.first;
            m_early.erase(early);
            return true;
        }
        uint32_t id = 0;
        if (!m_pConnection->TakeReply(id, type, body))
            return false;
        if (id == request.id)
            return true;
        m_early[id] = {type, std::move(body)};
    }
    return m_pConnection->Broken(ERROR_INTERNET_INVALID_SERVER_RESPONSE);
}

int64_t CSftpFile::Read(void* buffer, size_t count)
{
    if (m_bFailed || m_file == nullptr || m_bWrite)
        return m_pConnection->Report(NetStatus::Error(ERROR_INTERNET_INCORRECT_HANDLE_STATE)), -1;
    while (m_nBlockPos >= m_nBlockEnd) {
        if (!FillReads())
            return m_bFailed = true, -1;
        if (m_reads.empty())
            return 0;
        const Request request = m_reads.front();
        m_reads.pop_front();
        uint8_t type = 0;
        if (!TakeRead(request, m_block, type))
            return m_bFailed = true, -1;
        if (type == kFxpStatus && m_block.size() >= 9 && GetBe32(m_block.data() + 5) == SSH_FX_EOF) {
            m_bEnd = true;
            m_nBlockPos = m_nBlockEnd = 0;
            continue;
        }
        if (type == kFxpStatus)
            return m_bFailed = true, m_pConnection->Report(NetStatus::Error(ERROR_INTERNET_EXTENDED_ERROR,
                "The server refused to read the file (SFTP status " +
                    std::to_string(m_block.size() >= 9 ? GetBe32(m_block.data() + 5) : 0) + ")\n")), -1;
        const uint32_t got = type == kFxpData && m_block.size() >= 9 ? GetBe32(m_block.data() + 5) : UINT32_MAX;
        // An empty block would ask for the same bytes for ever.
        if (got == 0 || got > request.length || got > m_block.size() - 9)
            return m_bFailed = true, m_pConnection->Broken(ERROR_INTERNET_INVALID_SERVER_RESPONSE), -1;
        m_nBlockPos = 9;
        m_nBlockEnd = 9 + got;
        if (got == request.length)
            m_nReadWindow = std::min(kReadsInFlight, m_nReadWindow * 2);
        if (got < request.length) {
            // A short block: the reads behind it skipped the rest, so their
            // answers are dropped and the reads start again after it.
            std::vector<unsigned char> dropped;
            for (const Request& later : m_reads)
                if (!TakeRead(later, dropped, type))
                    return m_bFailed = true, -1;
            m_reads.clear();
            m_bEnd = false;
            m_nOffset = request.offset + got;
        }
    }
    const size_t take = std::min(count, m_nBlockEnd - m_nBlockPos);
    std::memcpy(buffer, m_block.data() + m_nBlockPos, take);
    m_nBlockPos += take;
    return static_cast<int64_t>(take);
}

bool CSftpFile::SendWrite(const char* data, size_t size)
{
    std::string payload = HandlePayload();
    PutString(payload, data, size);
    uint32_t id = 0;
    if (!m_pConnection->SendRaw(kFxpWrite, payload, id))
        return false;
    m_writes.insert(id);
    m_nOffset += size;
    return true;
}

bool CSftpFile::TakeWriteReply()
{
    uint32_t id = 0;
    uint32_t status = 0;
    if (!m_pConnection->TakeStatus(id, status))
        return false;
    if (m_writes.erase(id) == 0)
        return m_pConnection->Broken(ERROR_INTERNET_INVALID_SERVER_RESPONSE);
    if (status != SSH_FX_OK)
        return m_pConnection->Report(NetStatus::Error(ERROR_INTERNET_EXTENDED_ERROR,
                   "The server refused to write the file (SFTP status " + std::to_string(status) + ")\n")) != 0;
    return true;
}

bool CSftpFile::Write(const void* buffer, size_t count)
{
    if (m_bFailed || m_file == nullptr || !m_bWrite)
        return m_pConnection->Report(NetStatus::Error(ERROR_INTERNET_INCORRECT_HANDLE_STATE)) != 0;
    m_pending.append(static_cast<const char*>(buffer), count);
    size_t used = 0;
    while (m_pending.size() - used >= kWriteBlock) {
        if ((m_writes.size() >= kWritesInFlight && !TakeWriteReply()) || !SendWrite(m_pending.data() + used, kWriteBlock))
            return m_bFailed = true, false;
        used += kWriteBlock;
    }
    m_pending.erase(0, used);
    return true;
}

bool CSftpFile::CloseHandle()
{
    // sftp_close frees the handle whatever the server says; on a cut link
    // it fails at once.
    sftp_file file = std::exchange(m_file, nullptr);
    if (!m_pConnection->IsOpen() || m_pConnection->Link().watch->CutReason() != 0) {
        sftp_close(file);
        return false;
    }
    return m_pConnection->Command([&] { return sftp_close(file) == 0; });
}

bool CSftpFile::Close()
{
    if (m_file == nullptr)
        return true;
    const CleanUp cleaning(*m_pConnection);
    bool ok = !m_bFailed;
    if (m_bWrite) {
        if (ok && !m_pending.empty())
            ok = SendWrite(m_pending.data(), m_pending.size());
        m_pending.clear();
        while (ok && !m_writes.empty())
            ok = TakeWriteReply();
    } else {
        // Closed before its end: the answers still coming are read and
        // dropped, so that libssh's own reader never meets them.
        std::vector<unsigned char> dropped;
        uint8_t type = 0;
        for (const Request& request : m_reads)
            ok = ok && TakeRead(request, dropped, type);
        m_reads.clear();
        m_early.clear();
    }
    const bool closed = ok ? CloseHandle() : (Abort(), false);
    return ok && closed;
}

void CSftpFile::Abort()
{
    if (m_file == nullptr)
        return;
    const CleanUp cleaning(*m_pConnection);
    // Unanswered writes would confuse the next command: they are collected
    // (a refused one is the refusal being aborted), bounded as every step.
    while (m_pConnection->IsOpen() && !m_writes.empty() && m_pConnection->Link().watch->CutReason() == 0)
        TakeWriteReply();
    std::vector<unsigned char> dropped;
    uint8_t type = 0;
    for (const Request& request : m_reads)
        if (!m_pConnection->IsOpen() || !TakeRead(request, dropped, type))
            break;
    m_reads.clear();
    m_pending.clear();
    CloseHandle();
}

bool CSftpConnection::SendRaw(uint8_t type, const std::string& payload, uint32_t& id)
{
    sftp_session sftp = m_link->sftp;
    id = ++sftp->id_counter;
    std::string packet;
    packet.reserve(9 + payload.size());
    PutBe32(packet, static_cast<uint32_t>(1 + 4 + payload.size()));
    packet.push_back(static_cast<char>(type));
    PutBe32(packet, id);
    packet += payload;
    return Command([&] { return ssh_channel_write(sftp->channel, packet.data(), static_cast<uint32_t>(packet.size())) ==
                                static_cast<int>(packet.size()); },
        m_link->timeouts.dataMs);
}

bool CSftpConnection::TakeReply(uint32_t& id, uint8_t& type, std::vector<unsigned char>& body)
{
    ssh_channel channel = m_link->sftp->channel;
    auto readFully = [&](unsigned char* into, uint32_t size) {
        for (uint32_t done = 0; done < size;) {
            const int got = ssh_channel_read(channel, into + done, size - done, 0);
            if (got <= 0)
                return false;
            done += static_cast<uint32_t>(got);
        }
        return true;
    };
    // One step for the whole reply: a Cancel between its length and its
    // bytes would leave the channel out of step.
    bool badLength = false;
    const bool read = Command(
        [&] {
            unsigned char header[4];
            if (!readFully(header, 4))
                return false;
            const uint32_t length = GetBe32(header);
            badLength = length < 5 || length > kMaxReplyBytes;
            body.resize(badLength ? 0 : length);
            return badLength || readFully(body.data(), length);
        },
        m_link->timeouts.dataMs);
    if (!read)
        return false;
    if (badLength)
        return Broken(ERROR_INTERNET_INVALID_SERVER_RESPONSE);
    type = body[0];
    id = GetBe32(body.data() + 1);
    return true;
}

bool CSftpConnection::TakeStatus(uint32_t& id, uint32_t& status)
{
    std::vector<unsigned char> body;
    uint8_t type = 0;
    if (!TakeReply(id, type, body))
        return false;
    if (type != kFxpStatus || body.size() < 9)
        return Broken(ERROR_INTERNET_INVALID_SERVER_RESPONSE);
    status = GetBe32(body.data() + 5);
    return true;
}

int CSftpConnection::Rename(const std::string& from, const std::string& to)
{
    const std::string source = Resolve(from);
    const std::string target = Resolve(to);
    // A renamed folder may hold the current one; an entry named without a
    // path lies inside it.
    if (from.find('/') != std::string::npos || from == "." || from == "..")
        m_bFolderChecked = false;
    if (!Ready())
        return 0;
    if (!sftp_extension_supported(m_link->sftp, kPosixRename, "1")) {
        // Plain SFTP renames refuse an existing target; the caller then
        // moves it aside itself.
        return Command([&] { return sftp_rename(m_link->sftp, source.c_str(), target.c_str()) == 0; }) ? 1 : 0;
    }
    std::string payload;
    PutString(payload, kPosixRename, std::strlen(kPosixRename));
    PutString(payload, source.data(), source.size());
    PutString(payload, target.data(), target.size());
    uint32_t sent = 0;
    uint32_t id = 0;
    uint32_t status = 0;
    if (!SendRaw(kFxpExtended, payload, sent) || !TakeStatus(id, status))
        return 0;
    if (id != sent)
        return Broken(ERROR_INTERNET_INVALID_SERVER_RESPONSE);
    if (status != SSH_FX_OK)
        return Report(NetStatus::Error(ERROR_INTERNET_EXTENDED_ERROR,
            "The server refused the rename (SFTP status " + std::to_string(status) + ")\n"));
    return 1;
}

std::unique_ptr<IRemoteFile> CSftpConnection::OpenFileAt(const std::string& name, uint32_t access, uint32_t,
    uint64_t offset, bool& restartRefused)
{
    restartRefused = false;
    const bool write = (access & GENERIC_WRITE) != 0;
    const std::string path = Resolve(name);
    const int mode = write ? O_WRONLY | O_CREAT | (offset == 0 ? O_TRUNC : 0) : O_RDONLY;
    sftp_file file = nullptr;
    if (!Ready() || !Command([&] { return (file = sftp_open(m_link->sftp, path.c_str(), mode, 0644)) != nullptr; }))
        return nullptr;
    sftp_seek64(file, offset);
    return std::make_unique<CSftpFile>(shared_from_this(), file, name, write, offset);
}

} // namespace

CSftpLink::~CSftpLink() { Shut(false); }

void CSftpLink::Shut(bool waitForServer)
{
    if (ssh == nullptr)
        return;
    if (!waitForServer && watch)
        watch->Cut(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    if (sftp != nullptr) {
        if (!bBroken && watch && watch->CutReason() == 0) {
            CSshStep step(*watch, 1000);
            sftp_free(sftp);
        } else {
            sftp_free(sftp);
        }
        sftp = nullptr;
    }
    if (watch && watch->CutReason() == 0) {
        CSshStep step(*watch, 1000);
        ssh_disconnect(ssh);
    }
    watch.reset();   // before the socket goes with the session
    ssh_free(ssh);
    ssh = nullptr;
    bBroken = true;
}

NetStatus CSftpLink::Failure()
{
    if (const int cut = watch ? watch->CutReason() : ERROR_INTERNET_INCORRECT_HANDLE_STATE) {
        bBroken = true;
        return NetStatus::Error(cut);
    }
    // The SFTP status is that of the last answered request: it says why
    // only while the session itself is sound.
    const int status = sftp != nullptr ? sftp_get_error(sftp) : SSH_FX_OK;
    if (ssh == nullptr || !ssh_is_connected(ssh) || ssh_get_error_code(ssh) == SSH_FATAL || status == SSH_FX_OK ||
        status == SSH_FX_CONNECTION_LOST || status == SSH_FX_NO_CONNECTION) {
        bBroken = true;
        return NetStatus::Error(ERROR_FTP_DROPPED);
    }
    static const char* const kTexts[] = {"OK", "End of file", "No such file or directory", "Permission denied",
        "Failure", "Bad message", "No connection", "Connection lost", "Operation not supported",
        "Invalid handle", "No such path", "File already exists", "Write protected", "No media"};
    const std::string text = status >= 0 && status < static_cast<int>(std::size(kTexts)) ? kTexts[status] : "Failure";
    return NetStatus::Error(ERROR_INTERNET_EXTENDED_ERROR, "SFTP status " + std::to_string(status) + ": " + text + "\n");
}

std::shared_ptr<IRemoteConnection> MakeSftpConnection(std::unique_ptr<CSftpLink> link, std::string folder)
{
    return std::make_shared<CSftpConnection>(std::move(link), std::move(folder));
}
