#include "ExternalTool.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

std::string StartOfFile(const std::string& path, size_t limit)
{
    std::ifstream in(path, std::ios::binary);
    std::string text(limit, '\0');
    in.read(text.data(), static_cast<std::streamsize>(limit));
    text.resize(static_cast<size_t>(in.gcount()));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

// Kills the child when the deadline passes first; the waiting thread reaps it.
class Watchdog {
public:
    Watchdog(pid_t pid, int seconds)
        : m_thread([this, pid, seconds] {
              std::unique_lock lock(m_mutex);
              if (!m_done.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_bFinished; })) {
                  m_bKilled = true;
                  kill(pid, SIGKILL);
              }
          })
    {
    }
    ~Watchdog() { Finish(); }
    void Finish()
    {
        {
            std::lock_guard lock(m_mutex);
            m_bFinished = true;
        }
        m_done.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }
    bool Killed() const { return m_bKilled; }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_bFinished = false;
    bool m_bKilled = false;
    std::thread m_thread;
};

} // namespace

ToolRun RunTool(const std::vector<std::string>& argv, const std::string& stdoutPath, const std::string& stderrPath,
                int timeoutSeconds)
{
    ToolRun run;
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, stdoutPath.empty() ? "/dev/null" : stdoutPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        run.strError = argv[0] + ": could not be started";
        return run;
    }
    int status = 0;
    Watchdog watchdog(pid, timeoutSeconds);
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    const auto end = std::chrono::steady_clock::now();
    watchdog.Finish();
    run.dSeconds = std::chrono::duration<double>(end - start).count();

    if (watchdog.Killed()) {
        run.strError = argv[0] + ": killed after " + std::to_string(timeoutSeconds) + " s";
    } else if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        run.bOk = true;
    } else {
        run.strError = argv[0] + ": exit status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) +
                       ": " + StartOfFile(stderrPath, 300);
    }
    return run;
}

std::string FirstOutputLine(const std::vector<std::string>& argv, const std::string& scratchFolder)
{
    const std::string out = scratchFolder + "/version.out";
    const std::string err = scratchFolder + "/version.err";
    RunTool(argv, out, err, 10);
    std::string line = StartOfFile(out, 200);
    if (line.empty())
        line = StartOfFile(err, 200);
    line = line.substr(0, line.find('\n'));
    unlink(out.c_str());
    unlink(err.c_str());
    return line;
}
