#include "fileops/FileOpTexts.h"

#include "net/NetErrors.h"

std::string ShortCause(int code)
{
    const std::string text = code == 0 ? std::string() : GetSystemErrorText(code);
    return text.empty() ? std::string() : "\nCause: " + text;
}

std::string CodedCause(int code)
{
    const std::string text = code == 0 ? std::string() : GetSystemErrorText(code);
    return text.empty() ? std::string() : "\nCause: (Code: " + std::to_string(code) + ")" + text;
}

bool IsValidEntryName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

