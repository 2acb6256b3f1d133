#pragma once

#include <climits>
#include <cstddef>
#include <string>
#include <string_view>

// The longest name a file may have on this system.
inline constexpr size_t kMaxEntryNameBytes = NAME_MAX;

// A name from a server is data. Unsafe: empty, ".", "..", longer than
// kMaxEntryNameBytes, anything holding "/", NUL, CR or LF (CR and LF would
// split an FTP command the name is put in).
bool IsSafeEntryName(std::string_view name);

// "." or "..".
bool IsDotsName(std::string_view name);

// The nine permission letters of a mode: 0754 gives "rwxr-xr--".
std::string ModeLetters(unsigned mode);
