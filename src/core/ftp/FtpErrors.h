#pragma once

#include <string>

// Error codes of the FTP engine. The internet codes keep the well-known
// numbers of the platform's internet library, so that a code shown to the
// user ("Code: 12002") means what people expect it to mean.
constexpr int ERROR_NO_MORE_FILES = 18;
constexpr int ERROR_INTERNET_TIMEOUT = 12002;
constexpr int ERROR_INTERNET_EXTENDED_ERROR = 12003;   // the text is the server's last reply
constexpr int ERROR_INTERNET_INTERNAL_ERROR = 12004;
constexpr int ERROR_INTERNET_INVALID_URL = 12005;
constexpr int ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
constexpr int ERROR_INTERNET_LOGIN_FAILURE = 12015;
constexpr int ERROR_INTERNET_OPERATION_CANCELLED = 12017;
constexpr int ERROR_INTERNET_INCORRECT_HANDLE_STATE = 12019;
constexpr int ERROR_INTERNET_CANNOT_CONNECT = 12029;
constexpr int ERROR_INTERNET_CONNECTION_ABORTED = 12030;
constexpr int ERROR_INTERNET_CONNECTION_RESET = 12031;
constexpr int ERROR_FTP_TRANSFER_IN_PROGRESS = 12110;
constexpr int ERROR_FTP_DROPPED = 12111;
constexpr int ERROR_INTERNET_INVALID_SERVER_RESPONSE = 12152;
constexpr int ERROR_INTERNET_SECURITY_CHANNEL_ERROR = 12157;   // the text is TLS's own reason
// Our own codes for encrypted connections; the text carries the detail.
constexpr int ERROR_FTP_TLS_REFUSED = 12301;   // the text is the server's answer to AUTH TLS
constexpr int ERROR_FTP_CERTIFICATE_REFUSED = 12302;
constexpr int ERROR_FTP_DATA_CERTIFICATE_MISMATCH = 12303;

// Codes whose status text completes the engine's text for the user.
bool HasDetailText(int code);

// The calling thread's last engine error and the server's last reply text
// (all lines, each ending in "\n"). Every failing engine call sets them.
void SetLastNetError(int code, std::string responseText = {});
int GetLastNetErrorCode();
std::string GetLastNetResponse();

// Text for a system (errno) or engine code, ending in "\n" like system texts.
// ERROR_INTERNET_EXTENDED_ERROR gives the calling thread's last server reply.
// Unknown codes give "".
std::string GetSystemErrorText(int code);
