#pragma once

#include "net/NetFlags.h"
#include "remote/RemoteConnection.h"
#include "net/NetStatus.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>

class CInternetFile;
class FtpSession;

// One logged-on FTP connection. Calls block the calling thread; one thread
// uses a connection at a time, holding GetMutex() for a whole action (the
// calls themselves do not lock). Commands return 1 or 0; on 0 the calling
// thread's last error (GetLastNetErrorCode, GetSystemErrorText) says why.
class CFtpConnection final : public IRemoteConnection {
public:
    explicit CFtpConnection(std::shared_ptr<FtpSession> session);
    ~CFtpConnection() override;   // closes (QUIT, briefly bounded)
    CFtpConnection(const CFtpConnection&) = delete;
    CFtpConnection& operator=(const CFtpConnection&) = delete;

    void Close() override;
    // Closes at once: QUIT is sent if the socket takes it, no reply awaited.
    void CloseWithoutWaiting() override;

    int SetCurrentDirectory(const std::string& directory) override;   // CWD
    // PWD; 0 when the connection no longer answers, so it doubles as a probe.
    int GetCurrentDirectory(std::string& directory) override;
    int CreateDirectory(const std::string& directory) override;       // MKD
    int RemoveDirectory(const std::string& directory) override;       // RMD
    int Remove(const std::string& file) override;                     // DELE
    int Rename(const std::string& from, const std::string& to) override;   // RNFR + RNTO
    // SIZE of a file in binary type: 1 with the size, 0 when the server
    // refused, -1 when it offers no SIZE or the type is not binary. A new
    // connection, whose type is not known yet, is set to binary first.
    int GetFileSize(const std::string& file, uint64_t& size) override;
    // MDTM: 1 with the time (UTC), 0 when the server refused or gave no
    // readable time, -1 when it offers no MDTM.
    int GetModifiedTime(const std::string& file, std::time_t& time) override;
    // MFMT: 1 when set, 0 when the server refused, -1 when it offers no MFMT.
    int SetModifiedTime(const std::string& file, std::time_t time) override;
    // SITE CHMOD with the mode's three octal digits: 1 when set, 0 when the
    // server refused, -1 when it does not know the command.
    int SetPermissions(const std::string& path, unsigned mode) override;
    // The server's SHA-256 of a file in lower-case hex: 1, 0 on failure,
    // -1 when the server offers none.
    int GetSha256(const std::string& file, std::string& hex) override;
    // Whether listings carry exact times (MLST and MLSD).
    bool OffersMachineListings() const override;
    // The next SetCurrentDirectory sends its CWD even to the same folder:
    // folders change on the server between actions.
    void ForgetCurrentDirectory() override;

    // RETR for GENERIC_READ, STOR for GENERIC_WRITE; TYPE A for
    // FTP_TRANSFER_TYPE_ASCII, else TYPE I. Null on failure.
    std::unique_ptr<IRemoteFile> OpenFile(const std::string& name, uint32_t access = GENERIC_READ,
        uint32_t flags = INTERNET_FLAG_RELOAD | FTP_TRANSFER_TYPE_BINARY, uint32_t context = 1) override;
    // The same from byte offset on (REST before RETR or STOR). When the
    // server refuses REST, restartRefused is set and the file is not open.
    std::unique_ptr<IRemoteFile> OpenFileAt(const std::string& name, uint32_t access, uint32_t flags,
                                            uint64_t offset, bool& restartRefused) override;
    std::unique_ptr<IRemoteFinder> NewFinder() override;

    // Milliseconds since the connection last sent or received a command.
    int64_t IdleMilliseconds() const override;
    // NOOP, its reply awaited at most replyTimeoutMs: 1 while the server is
    // there (whatever it answered), 0 once the connection is gone (a 421, a
    // time-out, a reset). Nothing is sent while a file is open on it.
    int KeepAlive(int replyTimeoutMs) override;

    bool IsPassive() const;
    bool IsOpen() const override;   // false once closed or broken (no network traffic)
    bool IsEncrypted() const override;
    // A plain connection to a server that offers TLS (AUTH TLS in FEAT).
    bool OffersEncryption() const override;
    const std::string& GetServerName() const override;
    // The last failure on this connection (also the calling thread's last error).
    int GetLastErrorCode() const override { return m_nLastError; }
    const std::string& GetLastResponse() const override { return m_strLastResponse; }

    // For the engine's own finder.
    const std::shared_ptr<FtpSession>& Session() const { return m_pSession; }

private:
    int Report(const NetStatus& status);

    std::shared_ptr<FtpSession> m_pSession;
    int m_nLastError = 0;
    std::string m_strLastResponse;
};
