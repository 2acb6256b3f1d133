#pragma once

#include <string>
#include <vector>

// The names inside a folder, "." and ".." left out, read whole: callers
// remove entries while they go, which would upset a directory stream.
// The fd form reads through a copy of fd, which stays open and unmoved.
std::vector<std::string> FolderNames(int fd);
std::vector<std::string> FolderNames(const std::string& folder);
