#pragma once

#include "app/Prompts.h"
#include "net/NetFlags.h"
#include "remote/RemoteConnection.h"

#include <cstdint>
#include <memory>
#include <string>

// What an SFTP log-on needs besides the address.
struct SftpLogon {
    std::string host;
    uint16_t port = 22;
    std::string user;
    std::string password;   // for password and keyboard-interactive log-ons; may be empty
    CFtpTimeouts timeouts;
    // The user's OpenSSH folder: known_hosts and the keys tried.
    std::string sshDir;
    // Our own known-hosts file, where Always puts a key; "" keeps none.
    std::string knownHostsPath;
    IPrompts* prompts = nullptr;   // host-key and secret questions
    // A host key the user accepted for this site earlier in this run: taken
    // again without a question; set to the key accepted now.
    std::string* acceptedKey = nullptr;
};

// Connects, checks the host key and logs on. Null on failure, with the
// reason (one line, for "Cause: ...") in cause and the thread's last error set.
std::shared_ptr<IRemoteConnection> ConnectSftp(const SftpLogon& logon, std::string& cause);

// The default place of the user's OpenSSH files: $HOME/.ssh.
std::string DefaultSshDirectory();
