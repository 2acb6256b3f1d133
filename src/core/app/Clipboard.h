#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The system clipboard as the core sees it: one private byte block under a
// named format. The GUI backs it with QClipboard, tests with memory.
class IClipboard {
public:
    virtual ~IClipboard() = default;

    // Replaces the whole clipboard content with this one block.
    virtual void SetData(const std::string& format, const std::vector<uint8_t>& bytes) = 0;
    virtual std::optional<std::vector<uint8_t>> GetData(const std::string& format) = 0;
    virtual bool HasFormat(const std::string& format) = 0;
};
