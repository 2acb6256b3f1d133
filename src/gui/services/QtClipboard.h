#pragma once

#include "app/Clipboard.h"

// The system clipboard through QClipboard: the block travels as QMimeData
// under the format's own name.
class CQtClipboard : public IClipboard {
public:
    void SetData(const std::string& format, const std::vector<uint8_t>& bytes) override;
    std::optional<std::vector<uint8_t>> GetData(const std::string& format) override;
    bool HasFormat(const std::string& format) override;
};
