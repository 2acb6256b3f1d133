#pragma once

#include "app/Prompts.h"
#include "ftp/FtpFlags.h"

#include <string>

// What a site record needs from the program to connect itself: somewhere to
// show its failures, the agent name of new sessions, and the time-outs.
class IConnectContext {
public:
    virtual ~IConnectContext() = default;

    virtual IPrompts& ConnectPrompts() = 0;
    virtual std::string ConnectAgentName() = 0;
    virtual CFtpTimeouts ConnectTimeouts() { return {}; }
};
