#include "net/InternetException.h"

#include "net/NetErrors.h"

std::string TruncateUtf8(std::string text, size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    size_t cut = maxBytes;
    // Step back over continuation bytes so that no character is cut in half.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    text.resize(cut);
    return text;
}

CInternetException::CInternetException(int code, std::string message)
    : m_dwError(code), m_strMessage(TruncateUtf8(std::move(message), kMaxMessage))
{
}

CInternetException CInternetException::FromLastError()
{
    const int code = GetLastNetErrorCode();
    return CInternetException(code, GetSystemErrorText(code));
}

bool CInternetException::GetErrorMessage(std::string& text) const
{
    text = m_strMessage;
    return !m_strMessage.empty();
}
