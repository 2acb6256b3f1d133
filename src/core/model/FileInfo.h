#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CArchiveReader;
class CArchiveWriter;

// Where an entry lives; the document's current folder and the tree items use
// the same values.
enum : uint8_t { LOCATION_NONE = 0, LOCATION_LOCAL = 1, LOCATION_REMOTE = 2 };

// The private clipboard format that carries an entry list.
inline constexpr const char* kClipboardFormatName = "Vamlo Clipboard Format V1.00";

// One file or folder on its way from Copy to Paste to a transfer.
class CVaFileInfo {
public:
    static constexpr const char* kClassName = "CVaFileInfo";
    static constexpr uint16_t kSchema = 2;

    void Serialize(CArchiveWriter& archive) const;
    // Reads the three stored fields; on failure the entry is left unchanged.
    bool Serialize(CArchiveReader& archive);

    // Every creator sets it; 0 keeps a forgotten one from being garbage.
    int32_t m_bIsFolder = 0;
    uint8_t m_byLocation = LOCATION_NONE;
    std::string m_strPath;
    // Not stored; nothing uses it.
    int32_t m_nReserved = 0;
};

// An entry list owns its entries.
using CFileInfoList = std::vector<std::unique_ptr<CVaFileInfo>>;

// The clipboard payload: the count, then each entry with its class tag. Empty
// slots are not written. Returns an empty vector only when the list cannot be
// represented (a path or a count beyond 32 bits).
std::vector<uint8_t> EncodeFileList(const CFileInfoList& list);

// The entries of a payload, or nothing when it cannot be read: a short or
// damaged block, a foreign class, or a path holding a NUL byte (no file
// system path can, and cutting it there would name another file). Bytes after
// the last entry are ignored.
std::optional<CFileInfoList> TryDecodeFileList(const uint8_t* data, size_t size);
// The same, with an unreadable payload giving an empty list.
CFileInfoList DecodeFileList(const uint8_t* data, size_t size);
