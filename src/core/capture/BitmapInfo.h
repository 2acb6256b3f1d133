#pragma once

#include <cstdint>

// The description that leads a bitmap file's pixel rows: the 40-byte info
// header and how many colour-table entries follow it.
struct CBitmapInfoHeader {
    static constexpr uint32_t kSize = 40;
    static constexpr uint32_t kFileHeaderSize = 14;

    uint32_t biSize = kSize;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;  // uncompressed RGB
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;

    // The bits per pixel that the rows are laid out with: the raw product
    // rounded up to 1, 4, 8, 16, 24 or 32.
    int DepthClass() const;
    // Bytes in one row, padded to a 4-byte boundary.
    uint32_t RowBytes() const;
    // Where the rows start in the file, and how long the file is.
    uint32_t PixelOffset() const { return kFileHeaderSize + biSize + 4 * biClrUsed; }
    uint32_t FileSize() const { return PixelOffset() + biSizeImage; }
};

// The description of a picture of width x height with planes planes of
// bitsPerPixel bits each. Below 24 bits a full colour table is counted.
CBitmapInfoHeader DescribeBitmap(int32_t width, int32_t height, uint16_t planes, uint16_t bitsPerPixel);
