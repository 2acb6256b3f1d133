#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A one-client FTP server that follows a script, for protocol faults that a
// real server will not produce: hangs, floods, split or malformed replies.
// It listens on 127.0.0.1 (port of the system's choice) from construction;
// Start() runs the script on a thread. Every wait in it is bounded.
class ScriptedFtpServer {
public:
    ScriptedFtpServer();
    ~ScriptedFtpServer();
    ScriptedFtpServer(const ScriptedFtpServer&) = delete;
    ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

    uint16_t Port() const { return m_port; }

    // Script steps, run in order.
    ScriptedFtpServer& Send(std::string bytes);
    // Reads one command line; it must start with prefix, or the script fails.
    ScriptedFtpServer& Expect(std::string prefix);
    // Expect, then send reply + CR LF.
    ScriptedFtpServer& Reply(std::string prefix, std::string reply);
    ScriptedFtpServer& Pause(int ms);
    // Greeting, USER/PASS, FEAT (with the given feature lines), PWD "/".
    ScriptedFtpServer& LogOn(const std::vector<std::string>& features = {});
    // Expects command ("EPSV" or "PASV"), opens a data listener and replies
    // with its port in that command's format.
    ScriptedFtpServer& OfferPassive(const std::string& command);
    // Accepts the data connection, sends bytes and closes it.
    ScriptedFtpServer& SendData(std::string bytes);
    // Accepts the data connection and reads it to its end (an upload).
    ScriptedFtpServer& ReceiveData();
    // Accepts the data connection, sends bytes (one at a time, everyMs apart,
    // when everyMs > 0) and then keeps it open, sending nothing more, until
    // the script ends.
    ScriptedFtpServer& StallData(std::string bytes, int everyMs = 0);
    // Answers nothing more (but keeps reading) until the test ends.
    ScriptedFtpServer& Hang();

    void Start();
    void Stop();   // ends the script and joins its thread

    // Command lines received so far, without CR LF.
    std::vector<std::string> Received() const { return Locked(m_received); }
    // What each ReceiveData step read, in order.
    std::vector<std::string> DataReceived() const { return Locked(m_dataReceived); }
    // The bytes the last StallData one at a time has sent so far.
    size_t Trickled() const { return m_nTrickled.load(); }
    // Empty while the script has gone as written.
    std::string Failure() const { return Locked(m_strFailure); }

private:
    using Step = std::function<bool()>;

    template <typename T>
    T Locked(const T& value) const
    {
        std::lock_guard lock(m_mutex);
        return value;
    }

    void Run();
    // Polls fd for events in short slices until it is ready (true), the
    // script stops or ms pass.
    bool WaitFor(int fd, short events, int ms) const;
    bool Accept(int& listener, int& fd, const char* what);
    bool SendRaw(int fd, const std::string& bytes);
    bool ReadLine(std::string& line, int timeoutMs);
    void Fail(const std::string& why);
    bool Stopping() const { return m_bStop.load(); }

    int m_listener = -1;
    int m_control = -1;
    int m_dataListener = -1;
    int m_data = -1;
    uint16_t m_port = 0;
    std::string m_input;
    std::vector<Step> m_steps;
    std::thread m_thread;
    std::atomic<bool> m_bStop{false};
    std::atomic<size_t> m_nTrickled{0};
    bool m_bHung = false;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_received;
    std::vector<std::string> m_dataReceived;
    std::string m_strFailure;
};
