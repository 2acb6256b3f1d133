#include "remote/EntryName.h"

bool IsDotsName(std::string_view name)
{
    return name == "." || name == "..";
}

bool IsSafeEntryName(std::string_view name)
{
    // Longer than the system's name limit: no file can carry it, and it
    // would go back to the server inside a command line.
    if (name.empty() || IsDotsName(name) || name.size() > kMaxEntryNameBytes)
        return false;
    for (char c : name) {
        if (c == '/' || c == '\0' || c == '\r' || c == '\n')
            return false;
    }
    return true;
}

std::string ModeLetters(unsigned mode)
{
    static constexpr char kLetters[] = "rwx";
    std::string text(9, '-');
    for (int bit = 0; bit < 9; ++bit) {
        if (mode & (0400u >> bit))
            text[static_cast<size_t>(bit)] = kLetters[bit % 3];
    }
    return text;
}
