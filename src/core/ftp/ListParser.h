#pragma once

#include "remote/EntryName.h"

#include <climits>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string_view>
#include <string>

// One entry of a server's folder listing.
struct FtpListEntry {
    std::string name;          // the entry's name only (a symlink's " -> target" is cut off)
    // Folders only. A symbolic link counts as a folder only when the listing
    // says so plainly: MLSD's type=dir (servers that follow links), or a LIST
    // link whose target ends in "/". Every other link is a file: fetching it
    // works when it points at a file, and fails cleanly when it does not.
    bool isDirectory = false;
    bool isLink = false;
    // The line tells a link from a folder (ls-style LIST lines). MLSD's
    // type=dir does not: some servers give it to links they follow.
    bool linkMarked = false;
    bool hasSize = false;
    uint64_t size = 0;         // 64-bit: sizes above 4 GiB come out right
    bool hasTime = false;
    std::time_t modified = 0;  // seconds since the epoch, the listing's time taken as UTC
    // The nine mode letters ("rwxr-x---") when the listing gave them: an
    // ls-style line, or MLSD's unix.mode fact.
    std::string permissions;
};

// Entry: out holds the entry.
// Skip: nothing to list. For "." and ".." (and MLSD's type=cdir / type=pdir,
//   the listed folder and its parent) out is still filled, so that a caller
//   that wants the dots entries, or the facts of an MLST reply, can read them;
//   for anything else out is left empty.
// BadName: the line parsed but its name is unsafe to use (IsSafeEntryName);
//   out is filled, and the caller must not use the name.
enum class ListLineKind { Entry, Skip, BadName };

// Parses one line of a LIST reply: Unix ls-style, DOS/IIS or EPLF. Blank
// lines, "total N" and anything unrecognised are Skip; one bad line never
// spoils the rest of a listing. `now` decides the year of Unix dates that
// carry a time of day instead of a year. A trailing CR/LF is ignored.
ListLineKind ParseListLine(std::string_view line, std::time_t now, FtpListEntry& out);

// Parses one MLSD line, or the entry line of an MLST reply (which may keep
// its leading space): "fact=value;fact=value; name". Fact names and type
// values are case-insensitive. A line with no facts (" name") is a file.
ListLineKind ParseMlsxLine(std::string_view line, FtpListEntry& out);

// Helpers shared by the listing parsers.
namespace ftplist {
// Seconds since the epoch for a UTC calendar time; nullopt for a date or time
// that does not exist (Feb 30, 24:00, ...). Seconds up to 60 (leap second).
std::optional<std::time_t> UtcTime(int year, unsigned month, unsigned day,
                                   unsigned hour = 0, unsigned minute = 0, unsigned second = 0);
// Decimal digits only, no sign, no overflow past 64 bits.
bool ParseDecimal(std::string_view text, uint64_t& value);
// The line without its trailing CR and LF bytes.
std::string_view StripLineEnd(std::string_view line);
// The verdict for a parsed entry whose name is set.
ListLineKind Classify(const FtpListEntry& entry);
} // namespace ftplist
