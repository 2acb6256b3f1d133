#pragma once

#include "remote/RemoteFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class FtpSession;
class NetStream;

// A remote file open for reading (RETR) or writing (STOR). The data moves in
// large socket blocks whatever size the caller reads or writes in.
class CInternetFile final : public IRemoteFile {
public:
    // Made by CFtpConnection::OpenFile once the server accepted the command.
    CInternetFile(std::shared_ptr<FtpSession> session, NetStream&& data, bool writing, std::string name);
    ~CInternetFile() override;   // aborts a transfer that was not closed
    CInternetFile(const CInternetFile&) = delete;
    CInternetFile& operator=(const CInternetFile&) = delete;

    // Bytes read, 0 at the end, -1 on failure (last error set). The end is
    // reported only once the server confirmed the transfer; a transfer the
    // server failed is a failure here, not a short file.
    int64_t Read(void* buffer, size_t count) override;
    bool Write(const void* buffer, size_t count) override;
    // Ends the transfer and reads the server's final reply: a failed transfer
    // (426, 451, 552 ...) gives false with the reply as the last error.
    // Closing a download before its end cancels the rest of it.
    bool Close() override;
    // Cancels the transfer: the data connection is dropped and ABOR sent. It
    // returns within about a second; a server that does not answer in that
    // time loses its control connection.
    void Abort() override;

    const std::string& GetFileName() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
