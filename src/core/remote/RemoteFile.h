#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A remote file open for reading or writing on one connection, whatever the
// protocol. The data moves in large blocks whatever size the caller uses.
class IRemoteFile {
public:
    virtual ~IRemoteFile() = default;   // aborts a transfer that was not closed

    // Bytes read, 0 at the end, -1 on failure (last error set). The end is
    // reported only once the server confirmed the transfer; a transfer the
    // server failed is a failure here, not a short file.
    virtual int64_t Read(void* buffer, size_t count) = 0;
    virtual bool Write(const void* buffer, size_t count) = 0;
    // Ends the transfer and reads the server's verdict: a failed transfer
    // gives false with the server's reason as the last error. Closing a
    // download before its end cancels the rest of it.
    virtual bool Close() = 0;
    // Cancels the transfer within about a second; a server that does not
    // answer in that time loses its connection.
    virtual void Abort() = 0;
    virtual const std::string& GetFileName() const = 0;
};
