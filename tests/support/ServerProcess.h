#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// Starts a test server (args[0] is the program) in a process group of its
// own, with stdin a pipe whose closing tells it to exit, and reads the first
// line it prints within timeoutMs. pid stays -1 when nothing started.
bool SpawnServer(std::vector<std::string> args, pid_t& pid, int& stdinFd, std::string& firstLine, int timeoutMs);
// Closes its stdin and ends its group: TERM, then KILL after timeoutMs.
void StopServer(pid_t& pid, int& stdinFd, int timeoutMs);
