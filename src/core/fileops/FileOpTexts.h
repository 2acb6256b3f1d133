#pragma once

#include <string>

// The cause texts that Delete, Rename and New Directory add to their
// messages, from an errno or FTP engine code. Both are empty when the system
// has no text for the code (or there is no code).
std::string ShortCause(int code);
// "\nCause: (Code: n)" + the text.
std::string CodedCause(int code);

// A name the user typed for a file or folder: not empty, no "/" or NUL, not
// "." or "..". Anything else would name another place than the one meant.
bool IsValidEntryName(const std::string& name);

