#pragma once

#include <string>

// Every way the program puts a path together or takes its name off, in one
// place, so that each join has one meaning wherever it is used.

// A local path: one "/" between folder and name, none added after a folder
// that already ends in one ("/" + "a" is "/a").
std::string JoinLocalPath(const std::string& folder, const std::string& name);

// A server path by the same rule, for paths that are sent or shown as typed.
std::string JoinRemotePath(const std::string& folder, const std::string& name);

// A server path whose folder and name are always parted by "//": the servers
// read a run of slashes as one, and the paste side steps back over the whole
// run to find the parent, even when the folder is the root.
std::string JoinRemoteEntry(const std::string& folder, const std::string& name);

// The part after the last "/", or the whole path when it has none.
std::string LastPathComponent(const std::string& path);
