#include "capture/BitmapInfo.h"

#include <initializer_list>

int CBitmapInfoHeader::DepthClass() const
{
    for (const int depth : {1, 4, 8, 16, 24})
        if (biBitCount <= depth)
            return depth;
    return 32;
}

uint32_t CBitmapInfoHeader::RowBytes() const
{
    const uint64_t bits = static_cast<uint64_t>(biWidth < 0 ? 0 : biWidth) * static_cast<uint64_t>(DepthClass());
    return static_cast<uint32_t>((bits + 31) / 32 * 4);
}

CBitmapInfoHeader DescribeBitmap(int32_t width, int32_t height, uint16_t planes, uint16_t bitsPerPixel)
{
    CBitmapInfoHeader info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = planes;
    info.biBitCount = static_cast<uint16_t>(planes * bitsPerPixel);
    const int depth = info.DepthClass();
    info.biClrUsed = depth < 24 ? (1U << depth) : 0;
    info.biSizeImage = info.RowBytes() * static_cast<uint32_t>(height < 0 ? 0 : height);
    return info;
}
