#pragma once

#include "app/Prompts.h"
#include "net/NetFlags.h"

#include <string>

// What a site record needs from the program to connect itself: somewhere to
// show its failures and questions, the agent name of new sessions, the
// time-outs, the trusted certificates and the action log.
class IConnectContext {
public:
    virtual ~IConnectContext() = default;

    virtual IPrompts& ConnectPrompts() = 0;
    virtual std::string ConnectAgentName() = 0;
    virtual CFtpTimeouts ConnectTimeouts() { return {}; }
    // The file of the certificates the user trusts always; "" keeps none.
    virtual std::string TrustedCertificatesPath() { return {}; }
    // Our own file of SSH host keys accepted Always; "" keeps none.
    virtual std::string KnownHostsPath() { return {}; }
    // The user's OpenSSH folder (known_hosts, keys); "" for ~/.ssh.
    virtual std::string SshDirectory() { return {}; }
    // A line for the action status log (any thread).
    virtual void ConnectLog(const std::string& /*text*/) {}
};
