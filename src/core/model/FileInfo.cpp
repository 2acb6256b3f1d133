#include "model/FileInfo.h"

#include "model/Archive.h"

#include <limits>

namespace {

// The least an entry takes in the payload: a 2-byte class tag, the 4-byte
// folder flag, the location byte and an empty path's length byte.
constexpr size_t kMinEntryBytes = 2 + 4 + 1 + 1;

} // namespace

void CVaFileInfo::Serialize(CArchiveWriter& archive) const
{
    archive.WriteInt32(m_bIsFolder);
    archive.WriteU8(m_byLocation);
    archive.WriteString(m_strPath);
}

bool CVaFileInfo::Serialize(CArchiveReader& archive)
{
    int32_t isFolder = 0;
    uint8_t location = 0;
    std::string path;
    if (!archive.ReadInt32(isFolder) || !archive.ReadU8(location) || !archive.ReadString(path))
        return false;
    m_bIsFolder = isFolder;
    m_byLocation = location;
    m_strPath = std::move(path);
    return true;
}

std::vector<uint8_t> EncodeFileList(const CFileInfoList& list)
{
    size_t count = 0;
    for (const auto& entry : list)
        count += entry ? 1 : 0;
    if (count > std::numeric_limits<uint32_t>::max())
        return {};

    CArchiveWriter archive;
    archive.WriteCount(static_cast<uint32_t>(count));
    for (const auto& entry : list) {
        if (!entry)
            continue;
        archive.WriteObjectTag(CVaFileInfo::kClassName, CVaFileInfo::kSchema);
        entry->Serialize(archive);
    }
    if (archive.Failed())
        return {};
    return archive.Bytes();
}

std::optional<CFileInfoList> TryDecodeFileList(const uint8_t* data, size_t size)
{
    CArchiveReader archive(data, size);
    uint32_t count = 0;
    if (!archive.ReadCount(count, kMinEntryBytes))
        return std::nullopt;
    CFileInfoList entries;
    entries.reserve(count); // bounded: ReadCount checked it against the bytes left
    for (uint32_t i = 0; i < count; ++i) {
        auto entry = std::make_unique<CVaFileInfo>();
        if (!archive.ReadObjectTag(CVaFileInfo::kClassName) || !entry->Serialize(archive))
            return std::nullopt;
        if (entry->m_strPath.find('\0') != std::string::npos)
            return std::nullopt;
        entries.push_back(std::move(entry));
    }
    return entries;
}

CFileInfoList DecodeFileList(const uint8_t* data, size_t size)
{
    std::optional<CFileInfoList> entries = TryDecodeFileList(data, size);
    return entries ? std::move(*entries) : CFileInfoList();
}
