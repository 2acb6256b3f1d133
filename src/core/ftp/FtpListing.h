#pragma once

#include "ftp/FtpSession.h"
#include "net/NetStatus.h"
#include "ftp/ListParser.h"

#include <cstddef>
#include <string>
#include <vector>

// What a folder listing found.
struct FtpListing {
    std::vector<FtpListEntry> entries;   // "." and ".." only when the server listed them
    size_t nBadNames = 0;                // entries left out because their names are unsafe
};

// Lists a folder ("" = the current one) with MLSD when the server offers it
// and longList is false, else LIST. "550 No files found" and the like give
// an empty listing.
NetStatus ListFolder(FtpSession& session, const std::string& folder, FtpListing& listing, bool longList = false);

// Finds one entry by its path; for a folder that is the folder itself. Uses
// MLST when offered, else SIZE and MDTM for a file, else a listing of the
// parent folder. A missing entry fails with the server's reply when there is
// one, else ENOENT.
// Without wantTime, a file found by SIZE comes without its time (one round
// trip less); FetchModifiedTime adds it when someone asks.
NetStatus FindEntry(FtpSession& session, const std::string& path, FtpListEntry& entry, bool wantTime = true);
// MDTM of a file: the entry's time, when the server gives one.
void FetchModifiedTime(FtpSession& session, const std::string& path, FtpListEntry& entry);

// The entries of a whole listing text: LIST lines when mlsd is false.
FtpListing ParseListing(const std::string& text, bool mlsd, std::time_t now);
