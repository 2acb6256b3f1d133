#include "net/NetErrors.h"

#include <cstring>

namespace {

thread_local int t_lastCode = 0;
thread_local std::string t_lastResponse;

const char* EngineText(int code)
{
    switch (code) {
    case ERROR_NO_MORE_FILES: return "There are no more files\n";
    case ERROR_INTERNET_TIMEOUT: return "The operation timed out\n";
    case ERROR_INTERNET_INTERNAL_ERROR: return "An internal error occurred in the FTP engine\n";
    case ERROR_INTERNET_INVALID_URL: return "The address is not valid\n";
    case ERROR_INTERNET_NAME_NOT_RESOLVED: return "The server name could not be resolved\n";
    case ERROR_INTERNET_LOGIN_FAILURE: return "The server refused the login\n";
    case ERROR_INTERNET_OPERATION_CANCELLED: return "The operation was canceled by the user\n";
    case ERROR_INTERNET_INCORRECT_HANDLE_STATE: return "The connection is closed\n";
    case ERROR_INTERNET_CANNOT_CONNECT: return "Could not connect to the server\n";
    case ERROR_INTERNET_CONNECTION_ABORTED: return "The server closed the connection\n";
    case ERROR_INTERNET_CONNECTION_RESET: return "The connection to the server was reset\n";
    case ERROR_FTP_TRANSFER_IN_PROGRESS: return "Another operation is still in progress on this connection\n";
    case ERROR_FTP_DROPPED: return "The connection to the server was lost\n";
    case ERROR_INTERNET_INVALID_SERVER_RESPONSE: return "The server sent a reply that could not be understood\n";
    case ERROR_INTERNET_SECURITY_CHANNEL_ERROR: return "The encrypted (TLS) connection could not be set up\n";
    case ERROR_FTP_TLS_REFUSED:
        return "The server refused to encrypt the connection; its answer\n";
    case ERROR_FTP_CERTIFICATE_REFUSED: return "The server's certificate was not accepted\n";
    case ERROR_FTP_DATA_CERTIFICATE_MISMATCH:
        return "The data connection showed a different certificate than the control connection\n";
    default: return nullptr;
    }
}

} // namespace

bool HasDetailText(int code)
{
    return code == ERROR_INTERNET_SECURITY_CHANNEL_ERROR || code == ERROR_FTP_TLS_REFUSED;
}

void SetLastNetError(int code, std::string responseText)
{
    t_lastCode = code;
    t_lastResponse = std::move(responseText);
}

int GetLastNetErrorCode() { return t_lastCode; }

std::string GetLastNetResponse() { return t_lastResponse; }

std::string GetSystemErrorText(int code)
{
    if (code == ERROR_INTERNET_EXTENDED_ERROR)
        return t_lastResponse;
    if (const char* text = EngineText(code))
        return text;
    if (code <= 0 || code >= 12000)
        return {};
    char buffer[256];
    // The GNU variant returns a pointer that may or may not be the buffer.
    const char* text = strerror_r(code, buffer, sizeof buffer);
    if (text == nullptr || std::strncmp(text, "Unknown error", 13) == 0)
        return {};
    return std::string(text) + "\n";
}

#include "net/NetStatus.h"

bool PublishStatus(const NetStatus& status)
{
    if (!status.Ok())
        SetLastNetError(status.code, status.response);
    return status.Ok();
}
