#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Expected file contents, built by hand rather than by the writer under test:
// little-endian numbers and raw or length-led text.
struct Bytes {
    std::vector<uint8_t> data;
    Bytes& U8(uint8_t v) { data.push_back(v); return *this; }
    Bytes& U16(uint16_t v) { return U8(static_cast<uint8_t>(v)).U8(static_cast<uint8_t>(v >> 8)); }
    Bytes& U32(uint32_t v) { return U16(static_cast<uint16_t>(v)).U16(static_cast<uint16_t>(v >> 16)); }
    Bytes& Raw(const std::string& s) { data.insert(data.end(), s.begin(), s.end()); return *this; }
    Bytes& Str(const std::string& s) { return U8(static_cast<uint8_t>(s.size())).Raw(s); } // below 255 only
};
