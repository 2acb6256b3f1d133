#include "fileops/PasteDecision.h"

#include "model/FileInfo.h"

#include <algorithm>
#include <cctype>

namespace {

bool EqualsNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// "/home/ann/" and "/home/ann" name the same folder; "/" stays "/".
std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

PasteAction DecidePaste(uint8_t sourceKind, uint8_t targetKind)
{
    if (sourceKind == LOCATION_LOCAL && targetKind == LOCATION_LOCAL)
        return PasteAction::LocalCopy;
    if (sourceKind == LOCATION_REMOTE && targetKind == LOCATION_LOCAL)
        return PasteAction::Get;
    if (sourceKind == LOCATION_LOCAL && targetKind == LOCATION_REMOTE)
        return PasteAction::Put;
    if (sourceKind == LOCATION_REMOTE && targetKind == LOCATION_REMOTE)
        return PasteAction::RemoteCopy;
    return PasteAction::None;
}

bool IsSameLocalFolder(const std::string& firstPath, const std::string& targetFolder)
{
    const std::size_t slash = firstPath.rfind('/');
    if (slash == std::string::npos)
        return false;
    const std::string parent = slash == 0 ? std::string("/") : firstPath.substr(0, slash);
    return EqualsNoCase(WithoutTrailingSlashes(parent), WithoutTrailingSlashes(targetFolder));
}

bool IsSameRemoteFolder(const std::string& firstPath, const std::string& targetFolder,
                        const CVamloSiteInfo* sourceSite, const CVamloSiteInfo* targetSite)
{
    if (sourceSite != targetSite)
        return false;
    const std::size_t last = firstPath.rfind('/');
    if (last == std::string::npos)
        return false;
    // Step back over the whole run of slashes: "//" and "///" separate alike.
    std::size_t end = last;
    while (end > 0 && firstPath[end] == '/')
        --end;
    // A name reached at index 1 or later ends the parent; else the parent is the root.
    if (end >= 1)
        return EqualsNoCase(firstPath.substr(0, end + 1), targetFolder);
    return targetFolder == "/";
}
