#include "ftp/FtpConnection.h"

#include "ftp/FtpDataChannel.h"
#include "ftp/FtpFileFind.h"
#include "net/NetErrors.h"
#include "ftp/FtpSession.h"
#include "ftp/InternetFile.h"
#include "ftp/FtpListing.h"
#include "ftp/ListParser.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <sstream>

CFtpConnection::CFtpConnection(std::shared_ptr<FtpSession> session) : m_pSession(std::move(session)) {}

CFtpConnection::~CFtpConnection() { Close(); }

void CFtpConnection::Close()
{
    if (m_pSession->control.IsOpen())
        m_pSession->Quit();
    else
        m_pSession->control.Close();
}

void CFtpConnection::CloseWithoutWaiting() { m_pSession->QuitWithoutWaiting(); }

int CFtpConnection::Report(const NetStatus& status)
{
    if (status)
        return 1;
    m_nLastError = status.code;
    m_strLastResponse = status.response;
    PublishStatus(status);
    return 0;
}

int64_t CFtpConnection::IdleMilliseconds() const { return m_pSession->control.IdleMs(); }

int CFtpConnection::KeepAlive(int replyTimeoutMs)
{
    FtpControlChannel& control = m_pSession->control;
    if (m_pSession->bTransferOpen)
        return 1;   // the transfer's own traffic keeps it
    if (control.IsOpen()) {
        FtpReply reply;
        // A 421 or a failed read breaks the control connection.
        if (control.Send("NOOP"))
            control.ReadReply(reply, replyTimeoutMs);
    }
    return control.IsOpen() ? 1 : Report(control.ClosedStatus());
}

int CFtpConnection::SetCurrentDirectory(const std::string& directory)
{
    return Report(m_pSession->ChangeDirectory(directory));
}

int CFtpConnection::GetCurrentDirectory(std::string& directory)
{
    return Report(m_pSession->PrintDirectory(directory));
}

int CFtpConnection::CreateDirectory(const std::string& directory)
{
    return Report(m_pSession->Expect("MKD " + directory, 2));
}

int CFtpConnection::RemoveDirectory(const std::string& directory)
{
    // The current directory may be the one removed.
    m_pSession->ForgetDirectory();
    return Report(m_pSession->Expect("RMD " + directory, 2));
}

int CFtpConnection::Remove(const std::string& file)
{
    return Report(m_pSession->Expect("DELE " + file, 2));
}

int CFtpConnection::Rename(const std::string& from, const std::string& to)
{
    // A renamed folder may be the current one or hold it; an entry named
    // without a path lies inside it and leaves its path alone.
    if (from.find('/') != std::string::npos || from == "." || from == "..")
        m_pSession->ForgetDirectory();
    NetStatus status = m_pSession->Expect("RNFR " + from, 3);
    if (status)
        status = m_pSession->Expect("RNTO " + to, 2);
    return Report(status);
}

int CFtpConnection::GetFileSize(const std::string& file, uint64_t& size)
{
    if (m_pSession->features.bSize && m_pSession->CurrentType() == 0 && !Report(m_pSession->SetType('I')))
        return 0;
    // In ASCII type a server counts line ends its own way.
    if (!m_pSession->features.bSize || m_pSession->CurrentType() != 'I')
        return -1;
    FtpReply reply;
    if (!Report(m_pSession->Expect("SIZE " + file, 2, &reply)))
        return 0;
    std::string_view value(reply.text);
    value = value.substr(0, value.find('\n'));
    if (reply.code != 213 || value.size() <= 4 || !ftplist::ParseDecimal(value.substr(4), size))
        return Report(NetStatus::Error(ERROR_INTERNET_INVALID_SERVER_RESPONSE, reply.text));
    return 1;
}

int CFtpConnection::GetModifiedTime(const std::string& file, std::time_t& time)
{
    if (!m_pSession->features.bMdtm)
        return -1;
    FtpListEntry entry;
    FetchModifiedTime(*m_pSession, file, entry);
    if (!entry.hasTime)
        return Report(m_pSession->control.IsOpen() ? NetStatus::Error(ERROR_INTERNET_EXTENDED_ERROR)
                                                   : m_pSession->control.ClosedStatus());
    time = entry.modified;
    return 1;
}

int CFtpConnection::SetModifiedTime(const std::string& file, std::time_t time)
{
    if (!m_pSession->features.bMfmt)
        return -1;
    std::tm utc {};
    char stamp[32];
    if (gmtime_r(&time, &utc) == nullptr || std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &utc) != 14)
        return Report(NetStatus::Error(EINVAL));
    return Report(m_pSession->Expect(std::string("MFMT ") + stamp + " " + file, 2));
}

int CFtpConnection::SetPermissions(const std::string& path, unsigned mode)
{
    FtpReply reply;
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03o", mode & 0777u);
    const NetStatus status = m_pSession->Expect(std::string("SITE CHMOD ") + digits + " " + path, 2, &reply);
    // 202 is "command not implemented, superfluous here", as good as 502.
    if (reply.code == 202 || reply.code == 500 || reply.code == 502 || reply.code == 504) {
        Report(status ? NetStatus::Error(ERROR_INTERNET_EXTENDED_ERROR, reply.text) : status);
        return -1;
    }
    return Report(status);
}

int CFtpConnection::GetSha256(const std::string& file, std::string& hex)
{
    FtpSession& session = *m_pSession;
    if (!session.features.bHashSha256)
        return -1;
    if (!session.bHashSha256Chosen) {
        // A server may start on another algorithm: choose ours once.
        FtpReply reply;
        if (!Report(session.Expect("OPTS HASH SHA-256", 2, &reply)))
            return 0;
        session.bHashSha256Chosen = true;
    }
    FtpReply reply;
    if (!Report(session.Expect("HASH " + file, 2, &reply)))
        return 0;
    // "213 SHA-256 0-49 169cd22282da7f147cb491e559e9dd filename"
    std::istringstream words(reply.text.substr(0, reply.text.find('\n')));
    std::string code, algorithm, range, digest;
    words >> code >> algorithm >> range >> digest;
    for (char& c : digest)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (reply.code != 213 || algorithm != "SHA-256" || digest.size() != 64 ||
        digest.find_first_not_of("0123456789abcdef") != std::string::npos)
        return Report(NetStatus::Error(ERROR_INTERNET_INVALID_SERVER_RESPONSE, reply.text));
    hex = digest;
    return 1;
}

bool CFtpConnection::OffersMachineListings() const { return m_pSession->features.bMlst; }

void CFtpConnection::ForgetCurrentDirectory() { m_pSession->ForgetDirectory(); }

std::unique_ptr<IRemoteFile> CFtpConnection::OpenFile(const std::string& name, uint32_t access, uint32_t flags,
    uint32_t /*context*/)
{
    bool restartRefused = false;
    return OpenFileAt(name, access, flags, 0, restartRefused);
}

std::unique_ptr<IRemoteFile> CFtpConnection::OpenFileAt(const std::string& name, uint32_t access, uint32_t flags,
                                                        uint64_t offset, bool& restartRefused)
{
    restartRefused = false;
    const bool writing = (access & GENERIC_WRITE) != 0 && (access & GENERIC_READ) == 0;
    if ((access & (GENERIC_READ | GENERIC_WRITE)) == 0 || (access & GENERIC_READ && access & GENERIC_WRITE)) {
        Report(NetStatus::Error(EINVAL));   // a remote file is read or written, not both
        return nullptr;
    }
    const char type = (flags & FTP_TRANSFER_TYPE_ASCII) != 0 && (flags & FTP_TRANSFER_TYPE_BINARY) == 0 ? 'A' : 'I';
    NetStatus status = m_pSession->SetType(type);
    NetStream data;
    if (status)
        status = OpenDataTransfer(*m_pSession, (writing ? "STOR " : "RETR ") + name, data, offset, &restartRefused);
    if (!Report(status))
        return nullptr;
    return std::make_unique<CInternetFile>(m_pSession, std::move(data), writing, name);
}

std::unique_ptr<IRemoteFinder> CFtpConnection::NewFinder() { return std::make_unique<CFtpFileFind>(this); }

bool CFtpConnection::IsPassive() const { return m_pSession->bPassive; }

bool CFtpConnection::IsOpen() const { return m_pSession->control.IsOpen(); }

bool CFtpConnection::IsEncrypted() const { return m_pSession->control.IsTls(); }

bool CFtpConnection::OffersEncryption() const
{
    return !m_pSession->control.IsTls() && m_pSession->features.bAuthTls;
}

const std::string& CFtpConnection::GetServerName() const { return m_pSession->serverName; }
