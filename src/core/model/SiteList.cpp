#include "model/SiteList.h"

#include "model/Archive.h"
#include "model/AtomicFile.h"

#include <limits>

namespace {

// The least a record takes in the file: a 2-byte class tag, six empty
// strings of one length byte each and three 4-byte flags.
constexpr size_t kMinRecordBytes = 2 + 6 * 1 + 3 * 4;

} // namespace

std::vector<uint8_t> EncodeSiteListFile(const CSiteListHeader& header, const CSiteList& list)
{
    size_t count = 0;
    for (const auto& record : list)
        count += record ? 1 : 0;
    if (count > std::numeric_limits<uint32_t>::max())
        return {};

    CArchiveWriter archive;
    archive.WriteString(header.m_strFileSignature);
    archive.WriteU32(header.m_dwFileVersion);
    archive.WriteCount(static_cast<uint32_t>(count));
    for (const auto& record : list) {
        if (!record)
            continue;
        archive.WriteObjectTag(CVamloSiteInfo::kClassName, CVamloSiteInfo::kSchema);
        record->Serialize(archive);
    }
    if (archive.Failed())
        return {};
    return archive.Bytes();
}

bool DecodeSiteListFile(const uint8_t* data, size_t size, CSiteListHeader& header, CSiteList& list,
    std::string& error)
{
    list.clear();
    CArchiveReader archive(data, size);
    CSiteListHeader readHeader;
    CSiteList records;
    uint32_t count = 0;
    if (archive.ReadString(readHeader.m_strFileSignature) && archive.ReadU32(readHeader.m_dwFileVersion)
        && archive.ReadCount(count, kMinRecordBytes)) {
        for (uint32_t i = 0; i < count; ++i) {
            auto record = std::make_unique<CVamloSiteInfo>();
            if (!archive.ReadObjectTag(CVamloSiteInfo::kClassName) || !record->Serialize(archive))
                break;
            records.push_back(std::move(record));
        }
    }
    if (archive.Failed()) {
        error = archive.Error();
        return false;
    }
    header = std::move(readHeader);
    list = std::move(records);
    return true;
}

bool SaveSiteListFile(const std::string& path, const CSiteListHeader& header, const CSiteList& list,
    std::string& error)
{
    const std::vector<uint8_t> bytes = EncodeSiteListFile(header, list);
    if (bytes.empty()) {
        error = "Cannot write \"" + path + "\": the site list is too large to store";
        return false;
    }
    return WriteFileAtomically(path, bytes, error);
}

bool LoadSiteListFile(const std::string& path, CSiteListHeader& header, CSiteList& list, std::string& error)
{
    list.clear();
    std::vector<uint8_t> bytes;
    if (!ReadFileBounded(path, kMaxSiteListFileBytes, bytes, error))
        return false;
    std::string reason;
    if (!DecodeSiteListFile(bytes.data(), bytes.size(), header, list, reason)) {
        error = "The site list file \"" + path + "\" is damaged: " + reason;
        return false;
    }
    return true;
}
