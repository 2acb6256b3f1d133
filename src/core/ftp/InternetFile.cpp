#include "ftp/InternetFile.h"

#include "net/NetErrors.h"
#include "ftp/FtpSession.h"
#include "net/Socket.h"
#include "ftp/NetStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <vector>

namespace {
// One socket call moves up to this much, however small the caller's blocks.
constexpr size_t kBlockBytes = 64 * 1024;
// Bound of ABOR's round trip when a transfer is cancelled.
constexpr int kAbortBudgetMs = 900;
// How long Close waits for the end of a download the caller stopped reading.
constexpr int kDrainWaitMs = 200;
constexpr size_t kDrainMaxBytes = 256 * 1024;
} // namespace

struct CInternetFile::Impl {
    enum class State { Open, Ended, Closed };

    std::shared_ptr<FtpSession> session;
    NetStream data;
    bool bWriting = false;
    std::string name;
    std::vector<char> buffer;
    size_t nStart = 0;   // unread bytes of a download: buffer[nStart, nEnd)
    size_t nEnd = 0;     // pending bytes of an upload: buffer[0, nEnd)
    State state = State::Open;
    NetStatus result;    // how the transfer ended

    int DataTimeout() const { return session->control.Timeouts().dataMs; }

    // The server's verdict on the transfer, once the data connection is closed.
    NetStatus ReadFinalReply()
    {
        data.Reset();
        FtpReply reply;
        NetStatus status = session->control.ReadReply(reply);
        if (status && reply.Class() != 2)
            status = ReplyFailure(reply);
        return status;
    }

    void End(NetStatus status)
    {
        data.Reset();
        result = std::move(status);
        state = State::Ended;
        session->bTransferOpen = false;
    }

    void Cancel()
    {
        // Reset rather than end the stream, so that the server cannot take
        // a cut upload for a complete one.
        data.ResetHard();
        session->bTransferOpen = false;
        session->AbortAndResync(kAbortBudgetMs);
    }

    // An upload cut by Cancel is aborted, never closed as if it were whole.
    bool CutByCancel(const NetStatus& status)
    {
        if (status.code != ERROR_INTERNET_OPERATION_CANCELLED)
            return false;
        Cancel();
        End(status);
        return true;
    }

    NetStatus Flush()
    {
        if (nEnd == 0)
            return NetStatus::Success();
        NetStatus status = data.Send(buffer.data(), nEnd, DataTimeout());
        nEnd = 0;
        return status;
    }

    // Receives one block into the caller's memory or our buffer.
    int64_t Receive(char* target, size_t count)
    {
        size_t received = 0;
        NetStatus status = data.Receive(target, count, Deadline(DataTimeout()), received);
        if (!status) {
            Cancel();
            result = status;
            state = State::Ended;
            PublishStatus(status);
            return -1;
        }
        if (received == 0) {
            End(ReadFinalReply());
            if (!PublishStatus(result))
                return -1;
        }
        return static_cast<int64_t>(received);
    }

    // A download closed before its end: it may simply be that the caller did
    // not ask for the final 0. Drain a little; if the stream ends, the
    // transfer completed and the server's verdict counts.
    bool ReachedEndWhileDraining()
    {
        std::vector<char> scratch(kBlockBytes);
        size_t drained = 0;
        const Deadline deadline(std::min(kDrainWaitMs, DataTimeout()));
        while (drained <= kDrainMaxBytes) {
            size_t received = 0;
            if (!data.Receive(scratch.data(), scratch.size(), deadline, received))
                return false;
            if (received == 0)
                return true;
            drained += received;
        }
        return false;
    }
};

CInternetFile::CInternetFile(std::shared_ptr<FtpSession> session, NetStream&& data, bool writing, std::string name)
    : m_pImpl(std::make_unique<Impl>())
{
    m_pImpl->session = std::move(session);
    m_pImpl->data = std::move(data);
    m_pImpl->bWriting = writing;
    m_pImpl->name = std::move(name);
    m_pImpl->buffer.resize(kBlockBytes);
    m_pImpl->session->bTransferOpen = true;
}

CInternetFile::~CInternetFile()
{
    if (m_pImpl->state == Impl::State::Open)
        Abort();
}

const std::string& CInternetFile::GetFileName() const { return m_pImpl->name; }

int64_t CInternetFile::Read(void* buffer, size_t count)
{
    Impl& file = *m_pImpl;
    if (file.bWriting || file.state == Impl::State::Closed) {
        SetLastNetError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        return -1;
    }
    if (count == 0)
        return 0;
    char* target = static_cast<char*>(buffer);
    if (file.nStart < file.nEnd) {
        const size_t n = std::min(count, file.nEnd - file.nStart);
        std::memcpy(target, file.buffer.data() + file.nStart, n);
        file.nStart += n;
        return static_cast<int64_t>(n);
    }
    if (file.state == Impl::State::Ended)
        return PublishStatus(file.result) ? 0 : -1;
    if (count >= kBlockBytes)
        return file.Receive(target, count);
    const int64_t received = file.Receive(file.buffer.data(), file.buffer.size());
    if (received <= 0)
        return received;
    file.nStart = 0;
    file.nEnd = static_cast<size_t>(received);
    return Read(buffer, count);
}

bool CInternetFile::Write(const void* buffer, size_t count)
{
    Impl& file = *m_pImpl;
    if (!file.bWriting || file.state != Impl::State::Open) {
        SetLastNetError(file.state == Impl::State::Ended && !file.result ? file.result.code
                                                                          : ERROR_INTERNET_INCORRECT_HANDLE_STATE,
            file.result.response);
        return false;
    }
    const char* source = static_cast<const char*>(buffer);
    NetStatus status;
    if (file.nEnd + count <= file.buffer.size()) {
        std::memcpy(file.buffer.data() + file.nEnd, source, count);
        file.nEnd += count;
        if (file.nEnd == file.buffer.size())
            status = file.Flush();
    } else {
        status = file.Flush();
        if (status)
            status = file.data.Send(source, count, file.DataTimeout());
    }
    if (status)
        return true;
    if (file.CutByCancel(status))
        return PublishStatus(file.result);
    // The data connection failed; the server's reply may say why.
    NetStatus verdict = file.ReadFinalReply();
    file.End(verdict ? status : verdict);
    return PublishStatus(file.result);
}

bool CInternetFile::Close()
{
    Impl& file = *m_pImpl;
    if (file.state == Impl::State::Closed)
        return PublishStatus(file.result);
    if (file.state == Impl::State::Open) {
        if (file.bWriting) {
            NetStatus flushed = file.Flush();
            if (flushed)
                flushed = file.data.FinishSending(file.DataTimeout());
            if (!file.CutByCancel(flushed)) {
                NetStatus verdict = file.ReadFinalReply();
                file.End(!flushed && verdict ? flushed : verdict);
            }
        } else if (file.nStart == file.nEnd && file.ReachedEndWhileDraining()) {
            file.End(file.ReadFinalReply());
        } else {
            // The caller stopped early on purpose: cancelling is what it asked for.
            file.Cancel();
            file.result = NetStatus::Success();
        }
    }
    file.state = Impl::State::Closed;
    return PublishStatus(file.result);
}

void CInternetFile::Abort()
{
    Impl& file = *m_pImpl;
    if (file.state == Impl::State::Closed)
        return;
    if (file.state == Impl::State::Open)
        file.Cancel();
    file.result = NetStatus::Error(ERROR_INTERNET_OPERATION_CANCELLED);
    file.state = Impl::State::Closed;
}
