#pragma once

#include <string>
#include <utility>

// Result of one engine step: code 0 for success, else an engine or errno
// code, with the server's reply text when the server caused the failure.
struct NetStatus {
    int code = 0;
    std::string response;

    bool Ok() const { return code == 0; }
    explicit operator bool() const { return Ok(); }

    static NetStatus Success() { return {}; }
    static NetStatus Error(int errorCode, std::string reply = {}) { return {errorCode, std::move(reply)}; }
};

// Makes the status the calling thread's last error (when it is one) and
// tells whether it was a success.
bool PublishStatus(const NetStatus& status);
