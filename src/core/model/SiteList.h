#pragma once

#include "model/SiteInfo.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

// Every site record the program knows. Records are owned by the list and
// never move, so views and transfers may keep plain pointers to them.
using CSiteList = std::list<std::unique_ptr<CVamloSiteInfo>>;

// The values at the head of the site list file. They are read back as they
// are, without checking.
struct CSiteListHeader {
    std::string m_strFileSignature = "VamLO";
    uint32_t m_dwFileVersion = 256;
};

// Site list files larger than this are refused rather than read.
inline constexpr size_t kMaxSiteListFileBytes = 64u * 1024u * 1024u;

// The whole file: header, record count, then each record with its class tag.
// Empty slots in the list are not written. Returns an empty vector only when
// the list cannot be represented (a string or a count beyond 32 bits).
std::vector<uint8_t> EncodeSiteListFile(const CSiteListHeader& header, const CSiteList& list);

// All or nothing: on success header and list hold what the bytes say (the
// list's previous content is dropped); on failure the list is left empty,
// the header unchanged, and error says briefly why. Bytes after the last
// record are ignored.
bool DecodeSiteListFile(const uint8_t* data, size_t size, CSiteListHeader& header, CSiteList& list,
    std::string& error);

// Replaces the file atomically; on failure the old file is untouched and
// error names the file and the cause.
bool SaveSiteListFile(const std::string& path, const CSiteListHeader& header, const CSiteList& list,
    std::string& error);

// Reads and decodes the file, all or nothing like DecodeSiteListFile; error
// names the file and the reason.
bool LoadSiteListFile(const std::string& path, CSiteListHeader& header, CSiteList& list, std::string& error);
