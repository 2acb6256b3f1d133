#pragma once

#include <cstdint>
#include <string>

// The data of the benchmark. Contents are a cheap pseudo-random pattern:
// nothing on the way (disk or network) can make it smaller.
bool WritePatternFile(const std::string& path, uint64_t bytes, uint64_t seed, std::string& error);
// count files named f00000, f00001, ... of `bytes` bytes each.
bool WriteFolderOfFiles(const std::string& folder, int count, uint64_t bytes, std::string& error);
// Creates the folder (parents too) with the given mode, whatever the umask.
bool MakeFolder(const std::string& path, unsigned mode, std::string& error);
void RemoveTree(const std::string& path);

// Exactly `count` regular files of `bytes` each, and nothing else.
bool CheckFolderOfFiles(const std::string& folder, int count, uint64_t bytes, std::string& error);
bool SameContents(const std::string& a, const std::string& b, std::string& error);
// Lines of a text file that are not empty.
int64_t CountLines(const std::string& path);
