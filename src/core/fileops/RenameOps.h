#pragma once

#include <string>

class IRemoteConnection;
class IPrompts;

// Renames a local file or folder without ever replacing what already has
// the new name. 0 on success, else the errno of the failure (EEXIST when the
// name is taken).
int RenameLocalNoReplace(const std::string& from, const std::string& to);
// The message for a failed local rename, by its errno.
std::string LocalRenameFailureText(int error);

// Renames on the site; refuses a new name that exists already, as a server
// would replace a file silently. 1 on success; on failure *cause is the
// short cause for the message.
int RenameRemote(IRemoteConnection& connection, const std::string& from, const std::string& to, std::string* cause);

// New Directory: creates path and tells failures in a message box; 1 on
// success. The remote one looks the name up first.
int CreateLocalDirectory(IPrompts& prompts, const std::string& path);
int CreateRemoteDirectory(IPrompts& prompts, IRemoteConnection& connection, const std::string& path);
