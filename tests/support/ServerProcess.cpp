#include "ServerProcess.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

// Reads the first line the child prints, within about timeoutMs.
bool ReadFirstLine(int fd, int timeoutMs, std::string& line)
{
    line.clear();
    for (int ms = 0; ms < timeoutMs && line.find('\n') == std::string::npos && line.size() < 256; ms += 50) {
        pollfd entry{fd, POLLIN, 0};
        if (poll(&entry, 1, 50) <= 0)
            continue;
        char buffer[64];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0)
            return false;
        line.append(buffer, static_cast<size_t>(got));
    }
    const size_t end = line.find('\n');
    line.resize(end == std::string::npos ? line.size() : end);
    return end != std::string::npos;
}

} // namespace

bool SpawnServer(std::vector<std::string> args, pid_t& pid, int& stdinFd, std::string& firstLine, int timeoutMs)
{
    pid = -1;
    int out[2];
    int in[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return false;
    if (pipe2(in, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return false;
    }
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);   // its own group, killed as a whole
    const int spawned = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(in[0]);
    close(out[1]);
    if (spawned != 0) {
        pid = -1;
        close(in[1]);
        close(out[0]);
        return false;
    }
    stdinFd = in[1];
    const bool started = ReadFirstLine(out[0], timeoutMs, firstLine);
    close(out[0]);
    return started;
}

void StopServer(pid_t& pid, int& stdinFd, int timeoutMs)
{
    if (stdinFd >= 0) {
        close(stdinFd);
        stdinFd = -1;
    }
    if (pid <= 0)
        return;
    kill(-pid, SIGTERM);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (waitpid(pid, nullptr, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            kill(-pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid = -1;
}
