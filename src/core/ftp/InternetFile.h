#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class FtpSession;
class NetStream;

// A remote file open for reading (RETR) or writing (STOR). The data moves in
// large socket blocks whatever size the caller reads or writes in.
class CInternetFile {
public:
    // Made by CFtpConnection::OpenFile once the server accepted the command.
    CInternetFile(std::shared_ptr<FtpSession> session, NetStream&& data, bool writing, std::string name);
    ~CInternetFile();   // aborts a transfer that was not closed
    CInternetFile(const CInternetFile&) = delete;
    CInternetFile& operator=(const CInternetFile&) = delete;

    // Bytes read, 0 at the end, -1 on failure (last error set). The end is
    // reported only once the server confirmed the transfer; a transfer the
    // server failed is a failure here, not a short file.
    int64_t Read(void* buffer, size_t count);
    bool Write(const void* buffer, size_t count);
    // Ends the transfer and reads the server's final reply: a failed transfer
    // (426, 451, 552 ...) gives false with the reply as the last error.
    // Closing a download before its end cancels the rest of it.
    bool Close();
    // Cancels the transfer: the data connection is dropped and ABOR sent. It
    // returns within about a second; a server that does not answer in that
    // time loses its control connection.
    void Abort();

    const std::string& GetFileName() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
