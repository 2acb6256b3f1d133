#include "ScriptedFtpServer.h"

#include <arpa/inet.h>
#include <algorithm>
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
        if (!ReadLine(line, kWaitMs))
            Fail("no command where \"" + prefix + "\" was expected");
        else if (line.compare(0, prefix.size(), prefix) != 0)
            Fail("got \"" + line + "\" where \"" + prefix + "\" was expected");
        else
            return true;
        return false;
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
        WaitFor(-1, 0, ms);
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
    Expect("FEAT");
    Send(feat + "211 End\r\n");
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
        const bool sent = Accept(m_dataListener, m_data, "no data connection came") && SendRaw(m_data, bytes);
        CloseFd(m_data);
        return sent;
    });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::ReceiveData()
{
    m_steps.push_back([this] {
        if (!Accept(m_dataListener, m_data, "no data connection came"))
            return false;
        std::string bytes;
        char buffer[4096];
        ssize_t n = 1;
        while (n > 0 && WaitFor(m_data, POLLIN, kWaitMs)) {
            n = recv(m_data, buffer, sizeof buffer, 0);
            bytes.append(buffer, static_cast<size_t>(std::max<ssize_t>(n, 0)));
        }
        CloseFd(m_data);
        std::lock_guard lock(m_mutex);
        m_dataReceived.push_back(bytes);
        if (n > 0 && m_strFailure.empty())
            m_strFailure = "the upload did not end";
        return n <= 0;
    });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::StallData(std::string bytes, int everyMs)
{
    m_steps.push_back([this, bytes, everyMs] {
        if (!Accept(m_dataListener, m_data, "no data connection came"))
            return false;
        if (everyMs <= 0)
            return SendRaw(m_data, bytes);
        for (m_nTrickled = 0; m_nTrickled < bytes.size(); ++m_nTrickled, WaitFor(-1, 0, everyMs))
            if (!SendRaw(m_data, bytes.substr(m_nTrickled, 1)))
                return false;   // the client hung up
        return true;
    });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::Hang()
{
    m_steps.push_back([this] {
        m_bHung = true;
        return false;   // the end of the script: Run keeps reading, answering nothing
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

void ScriptedFtpServer::Fail(const std::string& why)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_strFailure.empty())
        m_strFailure = why;
}

void ScriptedFtpServer::Run()
{
    if (m_listener < 0) {
        Fail("no listener");
        return;
    }
    if (!Accept(m_listener, m_control, "no client came"))
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

bool ScriptedFtpServer::WaitFor(int fd, short events, int ms) const
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!Stopping() && std::chrono::steady_clock::now() < end) {
        pollfd entry{fd, events, 0};
        if (poll(&entry, fd < 0 ? 0 : 1, kSliceMs) > 0)
            return true;
    }
    return false;
}

// Takes one connection from listener into fd; a data listener is closed after it.
bool ScriptedFtpServer::Accept(int& listener, int& fd, const char* what)
{
    if (listener < 0 || !WaitFor(listener, POLLIN, kWaitMs)) {
        Fail(what);
        return false;
    }
    fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (&listener == &m_dataListener)
        CloseFd(m_dataListener);
    return fd >= 0;
}

bool ScriptedFtpServer::SendRaw(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (fd >= 0 && done < bytes.size() && WaitFor(fd, POLLOUT, kWaitMs)) {
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
        if (m_control < 0 || !WaitFor(m_control, POLLIN, timeoutMs))
            return false;
        char buffer[4096];
        const ssize_t got = recv(m_control, buffer, sizeof buffer, 0);
        if (got <= 0) {
            CloseFd(m_control);
            return false;
        }
        m_input.append(buffer, static_cast<size_t>(got));
    }
}
