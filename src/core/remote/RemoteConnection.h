#pragma once

#include "net/NetFlags.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>

class IRemoteFile;
class IRemoteFinder;

// One logged-on connection to a site, whatever its protocol: what the
// transfers, the file operations and the views ask of a site. Calls block
// the calling thread; one thread uses a connection at a time, holding
// GetMutex() for a whole action (the calls themselves do not lock).
// Commands return 1 or 0; on 0 the calling thread's last error
// (GetLastNetErrorCode, GetSystemErrorText) says why.
class IRemoteConnection {
public:
    virtual ~IRemoteConnection() = default;

    virtual void Close() = 0;
    // Closes at once, with no wait for the server's farewell.
    virtual void CloseWithoutWaiting() = 0;

    virtual int SetCurrentDirectory(const std::string& directory) = 0;
    // 0 when the connection no longer answers, so it doubles as a probe.
    virtual int GetCurrentDirectory(std::string& directory) = 0;
    virtual int CreateDirectory(const std::string& directory) = 0;
    virtual int RemoveDirectory(const std::string& directory) = 0;
    virtual int Remove(const std::string& file) = 0;
    // Refused when the target exists on servers that cannot replace in one
    // step; the caller then moves the old file aside itself.
    virtual int Rename(const std::string& from, const std::string& to) = 0;
    // 1 with the size, 0 when the server refused, -1 when it cannot tell.
    virtual int GetFileSize(const std::string& file, uint64_t& size) = 0;
    // 1 with the time (UTC), 0 when refused or unreadable, -1 when the
    // server cannot tell.
    virtual int GetModifiedTime(const std::string& file, std::time_t& time) = 0;
    // 1 when set, 0 when the server refused, -1 when it cannot set times.
    virtual int SetModifiedTime(const std::string& file, std::time_t time) = 0;
    // The mode's nine permission bits: 1 when set, 0 when the server
    // refused, -1 when it cannot change modes.
    virtual int SetPermissions(const std::string& path, unsigned mode) = 0;
    // The server's SHA-256 of a file in lower-case hex: 1, 0 on failure,
    // -1 when the server offers none.
    virtual int GetSha256(const std::string& file, std::string& hex) = 0;
    // Whether listings carry exact times.
    virtual bool OffersMachineListings() const = 0;
    // The next SetCurrentDirectory really changes folder even to the same
    // one: folders change on the server between actions.
    virtual void ForgetCurrentDirectory() = 0;

    // Opens name for GENERIC_READ or GENERIC_WRITE (flags: the transfer
    // type). Null on failure.
    virtual std::unique_ptr<IRemoteFile> OpenFile(const std::string& name, uint32_t access, uint32_t flags,
                                                  uint32_t context) = 0;
    // The same from byte offset on. When the server cannot start there,
    // restartRefused is set and the file is not open.
    virtual std::unique_ptr<IRemoteFile> OpenFileAt(const std::string& name, uint32_t access, uint32_t flags,
                                                    uint64_t offset, bool& restartRefused) = 0;
    // A search of this connection's folders (see CRemoteFileFind).
    virtual std::unique_ptr<IRemoteFinder> NewFinder() = 0;

    // Milliseconds since the connection last sent or received anything.
    virtual int64_t IdleMilliseconds() const = 0;
    // A harmless exchange that keeps an idle connection from being dropped,
    // its answer awaited at most replyTimeoutMs: 1 while the server is
    // there, 0 once the connection is gone. Nothing is sent while a file is
    // open on it.
    virtual int KeepAlive(int replyTimeoutMs) = 0;

    virtual bool IsOpen() const = 0;   // false once closed or broken (no network traffic)
    virtual bool IsEncrypted() const = 0;
    // A plain connection to a server that offers encryption.
    virtual bool OffersEncryption() const = 0;
    virtual const std::string& GetServerName() const = 0;
    // The last failure on this connection (also the calling thread's last error).
    virtual int GetLastErrorCode() const = 0;
    virtual const std::string& GetLastResponse() const = 0;

    std::mutex& GetMutex() { return m_mutex; }

private:
    std::mutex m_mutex;
};
