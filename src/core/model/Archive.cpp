#include "model/Archive.h"

#include <limits>

namespace {

// Short strings take one length byte. 0xFFFE in the 16-bit form is reserved
// (other writers use it to mark wide-character text), so 16 bits carry at most
// 65533 and anything longer goes to the 32-bit form.
constexpr size_t kShortStringLimit = 0xFF;
constexpr size_t kMediumStringLimit = 0xFFFE;
constexpr uint16_t kWideStringMark = 0xFFFE;
constexpr uint16_t kLongStringMark = 0xFFFF;
constexpr uint16_t kLongCountMark = 0xFFFF;
// Indices must stay clear of the big-class bit.
constexpr uint32_t kMaxMapCount = 0x7FFFFFFE;

} // namespace

void CArchiveWriter::WriteU8(uint8_t value)
{
    m_bytes.push_back(value);
}

void CArchiveWriter::WriteU16(uint16_t value)
{
    m_bytes.push_back(static_cast<uint8_t>(value));
    m_bytes.push_back(static_cast<uint8_t>(value >> 8));
}

void CArchiveWriter::WriteU32(uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        m_bytes.push_back(static_cast<uint8_t>(value >> shift));
}

void CArchiveWriter::WriteInt32(int32_t value)
{
    WriteU32(static_cast<uint32_t>(value));
}

void CArchiveWriter::WriteString(const std::string& text)
{
    const size_t length = text.size();
    if (length > std::numeric_limits<uint32_t>::max()) {
        m_bFailed = true;
        return;
    }
    if (length < kShortStringLimit) {
        WriteU8(static_cast<uint8_t>(length));
    } else if (length < kMediumStringLimit) {
        WriteU8(0xFF);
        WriteU16(static_cast<uint16_t>(length));
    } else {
        WriteU8(0xFF);
        WriteU16(kLongStringMark);
        WriteU32(static_cast<uint32_t>(length));
    }
    m_bytes.insert(m_bytes.end(), text.begin(), text.end());
}

void CArchiveWriter::WriteCount(uint32_t count)
{
    if (count < kLongCountMark) {
        WriteU16(static_cast<uint16_t>(count));
    } else {
        WriteU16(kLongCountMark);
        WriteU32(count);
    }
}

void CArchiveWriter::WriteObjectTag(const char* className, uint16_t schema)
{
    const std::string name(className);
    if (name.empty() || name.size() > kArchiveMaxClassNameLength || m_nMapCount >= kMaxMapCount) {
        m_bFailed = true;
        return;
    }
    auto found = m_classIndex.find(name);
    if (found == m_classIndex.end()) {
        WriteU16(kArchiveNewClassTag);
        WriteU16(schema);
        WriteU16(static_cast<uint16_t>(name.size()));
        m_bytes.insert(m_bytes.end(), name.begin(), name.end());
        m_classIndex.emplace(name, ++m_nMapCount);
    } else if (found->second < kArchiveBigObjectTag) {
        WriteU16(static_cast<uint16_t>(kArchiveClassTag | found->second));
    } else {
        WriteU16(kArchiveBigObjectTag);
        WriteU32(kArchiveBigClassTag | found->second);
    }
    ++m_nMapCount; // the object that follows the tag takes the next index
}

CArchiveReader::CArchiveReader(const uint8_t* data, size_t size)
    : m_data(data), m_size(data == nullptr ? 0 : size)
{
}

bool CArchiveReader::Fail(const std::string& reason)
{
    if (!m_bFailed) {
        m_bFailed = true;
        m_strError = reason;
    }
    return false;
}

bool CArchiveReader::Take(size_t count, const uint8_t*& bytes)
{
    if (m_bFailed)
        return false;
    if (count > Remaining())
        return Fail("the data ends too early");
    bytes = m_data + m_pos;
    m_pos += count;
    return true;
}

bool CArchiveReader::ReadU8(uint8_t& value)
{
    const uint8_t* bytes = nullptr;
    if (!Take(1, bytes))
        return false;
    value = bytes[0];
    return true;
}

bool CArchiveReader::ReadU16(uint16_t& value)
{
    const uint8_t* bytes = nullptr;
    if (!Take(2, bytes))
        return false;
    value = static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
    return true;
}

bool CArchiveReader::ReadU32(uint32_t& value)
{
    const uint8_t* bytes = nullptr;
    if (!Take(4, bytes))
        return false;
    value = static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8)
        | (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    return true;
}

bool CArchiveReader::ReadInt32(int32_t& value)
{
    uint32_t raw = 0;
    if (!ReadU32(raw))
        return false;
    value = static_cast<int32_t>(raw);
    return true;
}

bool CArchiveReader::ReadString(std::string& text)
{
    uint8_t shortLength = 0;
    if (!ReadU8(shortLength))
        return false;
    size_t length = shortLength;
    if (shortLength == 0xFF) {
        uint16_t mediumLength = 0;
        if (!ReadU16(mediumLength))
            return false;
        // We only ever write byte strings; the wide-text form is not ours.
        if (mediumLength == kWideStringMark)
            return Fail("a string is in an unsupported wide form");
        length = mediumLength;
        if (mediumLength == kLongStringMark) {
            uint32_t longLength = 0;
            if (!ReadU32(longLength))
                return false;
            length = longLength;
        }
    }
    if (length > Remaining())
        return Fail("a string is longer than the data left");
    const uint8_t* bytes = nullptr;
    if (!Take(length, bytes))
        return false;
    text.assign(reinterpret_cast<const char*>(bytes), length);
    return true;
}

bool CArchiveReader::ReadCount(uint32_t& count, size_t minItemBytes)
{
    uint16_t shortCount = 0;
    if (!ReadU16(shortCount))
        return false;
    uint32_t value = shortCount;
    if (shortCount == kLongCountMark && !ReadU32(value))
        return false;
    if (minItemBytes == 0)
        minItemBytes = 1;
    if (value > Remaining() / minItemBytes)
        return Fail("the count is larger than the data left can hold");
    count = value;
    return true;
}

bool CArchiveReader::RegisterClassIndex(const std::string& className)
{
    if (m_nMapCount >= kMaxMapCount)
        return Fail("too many objects");
    m_classes.emplace(++m_nMapCount, className);
    return true;
}

bool CArchiveReader::ReadObjectTag(const char* expectedClassName)
{
    uint16_t tag = 0;
    if (!ReadU16(tag))
        return false;

    if (tag == kArchiveNewClassTag) {
        uint16_t schema = 0;
        uint16_t nameLength = 0;
        if (!ReadU16(schema) || !ReadU16(nameLength))
            return false;
        if (nameLength == 0 || nameLength > kArchiveMaxClassNameLength)
            return Fail("a class name has an impossible length");
        const uint8_t* bytes = nullptr;
        if (!Take(nameLength, bytes))
            return false;
        std::string name(reinterpret_cast<const char*>(bytes), nameLength);
        if (name != expectedClassName)
            return Fail("an object of an unexpected class");
        if (!RegisterClassIndex(name))
            return false;
    } else {
        uint32_t classIndex = 0;
        if (tag == kArchiveBigObjectTag) {
            uint32_t bigTag = 0;
            if (!ReadU32(bigTag))
                return false;
            if ((bigTag & kArchiveBigClassTag) == 0)
                return Fail("a reference to an earlier object");
            classIndex = bigTag & ~kArchiveBigClassTag;
        } else if ((tag & kArchiveClassTag) != 0) {
            classIndex = tag & ~kArchiveClassTag;
        } else {
            // A null object would become an empty slot in a list that
            // everyone expects to hold records.
            return Fail(tag == 0 ? "an empty object" : "a reference to an earlier object");
        }
        auto found = m_classes.find(classIndex);
        if (found == m_classes.end())
            return Fail("a class index that refers to no class");
        if (found->second != expectedClassName)
            return Fail("an object of an unexpected class");
    }
    if (m_nMapCount >= kMaxMapCount)
        return Fail("too many objects");
    ++m_nMapCount; // the object that follows the tag
    return true;
}
