#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The archive byte format that the site list file and the clipboard payload
// share: little-endian integers, length-prefixed strings, counts, and object
// tags that name a record's class once and refer back to it by index later.

// Tag values of the object stream.
inline constexpr uint16_t kArchiveNewClassTag = 0xFFFF;
inline constexpr uint16_t kArchiveClassTag = 0x8000;
inline constexpr uint16_t kArchiveBigObjectTag = 0x7FFF;
inline constexpr uint32_t kArchiveBigClassTag = 0x80000000u;
// Longest class name a reader accepts; ours are far shorter.
inline constexpr size_t kArchiveMaxClassNameLength = 64;

class CArchiveWriter {
public:
    void WriteU8(uint8_t value);
    void WriteU16(uint16_t value);
    void WriteU32(uint32_t value);
    void WriteInt32(int32_t value);

    // One length byte below 255, 0xFF + 16 bits up to 65533, else 0xFF, 0xFFFF
    // and 32 bits. A string too long for 32 bits marks the writer failed.
    void WriteString(const std::string& text);
    // 16 bits below 0xFFFF, else 0xFFFF followed by 32 bits.
    void WriteCount(uint32_t count);
    // The tag in front of an object of the given class. The first object of a
    // class carries the class record (name and schema); later ones refer to
    // the class by the index that record received.
    void WriteObjectTag(const char* className, uint16_t schema);

    // True when something could not be represented; Bytes() is then incomplete.
    bool Failed() const { return m_bFailed; }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
    std::map<std::string, uint32_t> m_classIndex;
    // Indices handed out so far; classes and objects share one numbering.
    uint32_t m_nMapCount = 0;
    bool m_bFailed = false;
};

// Reads the same format from a byte range it does not own. Every read checks
// the bytes left first; the first failure sticks, later reads fail too, and
// Error() says what went wrong.
class CArchiveReader {
public:
    CArchiveReader(const uint8_t* data, size_t size);

    bool ReadU8(uint8_t& value);
    bool ReadU16(uint16_t& value);
    bool ReadU32(uint32_t& value);
    bool ReadInt32(int32_t& value);
    bool ReadString(std::string& text);
    // minItemBytes: the least number of bytes one item takes in the stream, so
    // that a count the remaining bytes cannot hold fails here and is never
    // used to size anything.
    bool ReadCount(uint32_t& count, size_t minItemBytes);
    // Accepts a class record naming expectedClassName (its schema is read and
    // ignored) or a tag referring to that class read earlier. Null tags,
    // references to objects and other classes fail.
    bool ReadObjectTag(const char* expectedClassName);

    bool Failed() const { return m_bFailed; }
    const std::string& Error() const { return m_strError; }
    size_t Remaining() const { return m_size - m_pos; }
    size_t Position() const { return m_pos; }
    // Marks the reader failed with this reason, unless it failed already.
    bool Fail(const std::string& reason);

private:
    bool Take(size_t count, const uint8_t*& bytes);
    bool RegisterClassIndex(const std::string& className);

    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
    // Class names by the index their class record received.
    std::map<uint32_t, std::string> m_classes;
    uint32_t m_nMapCount = 0;
    bool m_bFailed = false;
    std::string m_strError;
};
