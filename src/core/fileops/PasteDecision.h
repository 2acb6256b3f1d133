#pragma once

#include <cstdint>
#include <string>

class CVamloSiteInfo;

// What a Paste does, from where its entries come from and where the panes
// point now.
enum class PasteAction { None, LocalCopy, Get, Put, RemoteCopy };

PasteAction DecidePaste(uint8_t sourceKind, uint8_t targetKind);

// The entries' folder is the target folder: a local paste there would copy
// every file onto itself. Compared without regard to case.
bool IsSameLocalFolder(const std::string& firstPath, const std::string& targetFolder);

// The same for remote paths, where "//" joins a folder and a name. Only the
// same folder on the same site is refused: /x on one site and /x on another
// are different places.
bool IsSameRemoteFolder(const std::string& firstPath, const std::string& targetFolder,
                        const CVamloSiteInfo* sourceSite, const CVamloSiteInfo* targetSite);

inline constexpr const char* kSamePathMessage =
    "File pasting failed.\nCause: the source and destination path are the same.";
