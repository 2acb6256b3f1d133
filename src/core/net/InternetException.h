#pragma once

#include <string>

// The error object of the FTP engine: a code (engine or errno range) and a
// message of at most 255 bytes. It is returned, never thrown.
class CInternetException {
public:
    static constexpr size_t kMaxMessage = 255;

    CInternetException() = default;
    CInternetException(int code, std::string message);

    // Fills the object from the calling thread's last engine error.
    static CInternetException FromLastError();

    // The message, or false when there is none.
    bool GetErrorMessage(std::string& text) const;

    int m_dwError = 0;
    std::string m_strMessage;
};

// Cuts text to at most maxBytes without splitting a UTF-8 sequence.
std::string TruncateUtf8(std::string text, size_t maxBytes);
