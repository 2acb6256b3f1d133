#include "ScriptedFtpServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kWaitMs = 10000;    // any one wait for the client
constexpr int kHangMs = 30000;    // the longest a hang lasts if the test never ends it
constexpr int kSliceMs = 20;      // how often waits look at the stop flag

int ListenLoopback(uint16_t& port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 4) != 0
        || getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

void CloseFd(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

} // namespace

ScriptedFtpServer::ScriptedFtpServer() { m_listener = ListenLoopback(m_port); }

ScriptedFtpServer::~ScriptedFtpServer()
{
    Stop();
    CloseFd(m_listener);
}

ScriptedFtpServer& ScriptedFtpServer::Send(std::string bytes)
{
    m_steps.push_back([this, bytes] { return SendRaw(m_control, bytes); });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::Expect(std::string prefix)
{
    m_steps.push_back([this, prefix] {
        std::string line;
        if (!ReadLine(line, kWaitMs)) {
            Fail("no command where \"" + prefix + "\" was expected");
            return false;
        }
        if (line.compare(0, prefix.size(), prefix) != 0) {
            Fail("got \"" + line + "\" where \"" + prefix + "\" was expected");
            return false;
        }
        return true;
    });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::Reply(std::string prefix, std::string reply)
{
    Expect(std::move(prefix));
    return Send(reply + "\r\n");
}

ScriptedFtpServer& ScriptedFtpServer::Pause(int ms)
{
    m_steps.push_back([this, ms] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!Stopping() && std::chrono::steady_clock::now() < end)
            poll(nullptr, 0, kSliceMs);
        return !Stopping();
    });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::LogOn(const std::vector<std::string>& features)
{
    Send("220 Scripted server ready\r\n");
    Reply("USER ", "331 Password required");
    Reply("PASS ", "230 Logged in");
    std::string feat = "211-Features:\r\n";
    for (const std::string& feature : features)
        feat += " " + feature + "\r\n";
    feat += "211 End\r\n";
    Expect("FEAT");
    Send(feat);
    return Reply("PWD", "257 \"/\" is the current directory");
}

ScriptedFtpServer& ScriptedFtpServer::OfferPassive(const std::string& command)
{
    Expect(command);
    m_steps.push_back([this, command] {
        uint16_t port = 0;
        CloseFd(m_dataListener);
        m_dataListener = ListenLoopback(port);
        if (m_dataListener < 0) {
            Fail("cannot open a data listener");
            return false;
        }
        if (command == "EPSV")
            return SendRaw(m_control, "229 Entering Extended Passive Mode (|||" + std::to_string(port) + "|)\r\n");
        // A wrong address on purpose: the client must use the control peer.
        return SendRaw(m_control, "227 Entering Passive Mode (10,9,8,7," + std::to_string(port >> 8) + ","
                + std::to_string(port & 0xFF) + ")\r\n");
    });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::SendData(std::string bytes)
{
    m_steps.push_back([this, bytes] {
        if (!AcceptData())
            return false;
        const bool sent = SendRaw(m_data, bytes);
        CloseFd(m_data);
        return sent;
    });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::ReceiveData()
{
    m_steps.push_back([this] {
        if (!AcceptData())
            return false;
        std::string bytes;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
        bool ended = false;
        while (!ended && !Stopping() && std::chrono::steady_clock::now() < end) {
            pollfd entry{m_data, POLLIN, 0};
            if (poll(&entry, 1, kSliceMs) <= 0)
                continue;
            char buffer[4096];
            const ssize_t n = recv(m_data, buffer, sizeof buffer, 0);
            if (n > 0)
                bytes.append(buffer, static_cast<size_t>(n));
            else
                ended = true;
        }
        CloseFd(m_data);
        {
            std::lock_guard lock(m_mutex);
            m_dataReceived.push_back(bytes);
        }
        if (!ended)
            Fail("the upload did not end");
        return ended;
    });
    return *this;
}

std::vector<std::string> ScriptedFtpServer::DataReceived() const
{
    std::lock_guard lock(m_mutex);
    return m_dataReceived;
}

ScriptedFtpServer& ScriptedFtpServer::StallData(std::string bytes)
{
    m_steps.push_back([this, bytes] { return AcceptData() && SendRaw(m_data, bytes); });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::Hang()
{
    m_steps.push_back([this] {
        m_bHung = true;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHangMs);
        std::string line;
        while (!Stopping() && std::chrono::steady_clock::now() < end) {
            if (!ReadLine(line, kSliceMs) && m_control < 0)
                break;
        }
        return false;
    });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::CloseControl()
{
    m_steps.push_back([this] {
        CloseFd(m_control);
        return true;
    });
    return *this;
}

void ScriptedFtpServer::Start()
{
    m_thread = std::thread([this] { Run(); });
}

void ScriptedFtpServer::Stop()
{
    m_bStop = true;
    if (m_thread.joinable())
        m_thread.join();
    CloseFd(m_data);
    CloseFd(m_dataListener);
    CloseFd(m_control);
}

std::vector<std::string> ScriptedFtpServer::Received() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

std::string ScriptedFtpServer::Failure() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_strFailure;
}

void ScriptedFtpServer::Fail(const std::string& why)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_strFailure.empty())
        m_strFailure = why;
}

void ScriptedFtpServer::Run()
{
    if (!AcceptClient())
        return;
    for (const Step& step : m_steps) {
        if (Stopping() || !step())
            break;
    }
    // Keep the connection up (and keep recording commands) until the client
    // leaves or the test ends; a QUIT is answered unless the server hung.
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHangMs);
    std::string line;
    while (m_control >= 0 && !Stopping() && std::chrono::steady_clock::now() < end) {
        if (ReadLine(line, kSliceMs) && !m_bHung && line.compare(0, 4, "QUIT") == 0) {
            SendRaw(m_control, "221 Bye\r\n");
            CloseFd(m_control);
        }
    }
}

bool ScriptedFtpServer::AcceptClient()
{
    if (m_listener < 0) {
        Fail("no listener");
        return false;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (!Stopping() && std::chrono::steady_clock::now() < end) {
        pollfd entry{m_listener, POLLIN, 0};
        if (poll(&entry, 1, kSliceMs) > 0) {
            m_control = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            return m_control >= 0;
        }
    }
    Fail("no client came");
    return false;
}

bool ScriptedFtpServer::AcceptData()
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (m_dataListener >= 0 && !Stopping() && std::chrono::steady_clock::now() < end) {
        pollfd entry{m_dataListener, POLLIN, 0};
        if (poll(&entry, 1, kSliceMs) > 0) {
            m_data = accept4(m_dataListener, nullptr, nullptr, SOCK_CLOEXEC);
            CloseFd(m_dataListener);
            return m_data >= 0;
        }
    }
    Fail("no data connection came");
    return false;
}

bool ScriptedFtpServer::SendRaw(int fd, const std::string& bytes)
{
    size_t done = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (fd >= 0 && done < bytes.size() && !Stopping() && std::chrono::steady_clock::now() < end) {
        pollfd entry{fd, POLLOUT, 0};
        if (poll(&entry, 1, kSliceMs) <= 0)
            continue;
        const ssize_t sent = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (sent <= 0)
            return false;   // the client went away: fine for flood tests
        done += static_cast<size_t>(sent);
    }
    return done == bytes.size();
}

bool ScriptedFtpServer::ReadLine(std::string& line, int timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const size_t newline = m_input.find('\n');
        if (newline != std::string::npos) {
            line = m_input.substr(0, newline);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            m_input.erase(0, newline + 1);
            std::lock_guard<std::mutex> lock(m_mutex);
            m_received.push_back(line);
            return true;
        }
        if (m_control < 0 || Stopping() || std::chrono::steady_clock::now() >= end)
            return false;
        pollfd entry{m_control, POLLIN, 0};
        if (poll(&entry, 1, kSliceMs) <= 0)
            continue;
        char buffer[4096];
        const ssize_t got = recv(m_control, buffer, sizeof buffer, 0);
        if (got <= 0) {
            CloseFd(m_control);
            return false;
        }
        m_input.append(buffer, static_cast<size_t>(got));
    }
}
