#include "capture/BitmapFile.h"

#include "model/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

namespace {

void PutU16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutFileHeader(uint8_t* at, const CBitmapInfoHeader& info)
{
    PutU16(at, 0x4D42);  // "BM"
    PutU32(at + 2, info.FileSize());
    PutU16(at + 6, 0);
    PutU16(at + 8, 0);
    PutU32(at + 10, info.PixelOffset());
}

void PutInfoHeader(uint8_t* at, const CBitmapInfoHeader& info)
{
    PutU32(at, info.biSize);
    PutU32(at + 4, static_cast<uint32_t>(info.biWidth));
    PutU32(at + 8, static_cast<uint32_t>(info.biHeight));
    PutU16(at + 12, info.biPlanes);
    PutU16(at + 14, info.biBitCount);
    PutU32(at + 16, info.biCompression);
    PutU32(at + 20, info.biSizeImage);
    PutU32(at + 24, static_cast<uint32_t>(info.biXPelsPerMeter));
    PutU32(at + 28, static_cast<uint32_t>(info.biYPelsPerMeter));
    PutU32(at + 32, info.biClrUsed);
    PutU32(at + 36, info.biClrImportant);
}

// The rows in file order: the bottom row first, blue-green-red, zero padding.
void PutRows(uint8_t* at, const CBitmapPixels& picture, uint32_t rowBytes)
{
    const size_t sourceRow = static_cast<size_t>(picture.width) * 3;
    for (int32_t y = 0; y < picture.height; ++y) {
        const uint8_t* source = picture.rgb.data() + static_cast<size_t>(picture.height - 1 - y) * sourceRow;
        uint8_t* row = at + static_cast<size_t>(y) * rowBytes;
        for (int32_t x = 0; x < picture.width; ++x) {
            row[3 * x] = source[3 * x + 2];
            row[3 * x + 1] = source[3 * x + 1];
            row[3 * x + 2] = source[3 * x];
        }
    }
}

} // namespace

std::string BitmapFailureText(const BitmapFailure& failure)
{
    const char* text = "";
    switch (failure.step) {
    case BitmapStep::None:
        break;
    case BitmapStep::GetObject:
        text = "Function call GetObject(...) failed. Error Code: ";
        break;
    case BitmapStep::GlobalAlloc:
        text = "Function GlobalAlloc(...) failed. Error Code: ";
        break;
    case BitmapStep::GetDIBits:
        text = "Function GetDIBits(...) failed. Error Code: ";
        break;
    case BitmapStep::CreateFile:
        text = "Function CreateFile(...) failed. Error Code: ";
        break;
    case BitmapStep::WriteFile:
        text = "Function WriteFile(...) failed. Error Code: ";
        break;
    case BitmapStep::CloseHandle:
        text = "Function CloseHandle(...) failed. Error Code: ";
        break;
    case BitmapStep::StretchDIBits:
        text = "Function StretchDIBits(...) failed. Error Code: ";
        break;
    }
    return text + std::to_string(failure.code);
}

std::vector<uint8_t> EncodeBitmapFile(const CBitmapPixels& picture, BitmapFailure& failure)
{
    // A picture whose pixels do not match its size cannot be read.
    if (picture.IsEmpty() ||
        picture.rgb.size() != static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height) * 3) {
        failure = {BitmapStep::GetObject, EINVAL};
        return {};
    }
    const CBitmapInfoHeader info = DescribeBitmap(picture.width, picture.height, 1, 24);
    // The header's 32-bit size fields must hold the file's size.
    const uint64_t rows = static_cast<uint64_t>(info.RowBytes()) * static_cast<uint64_t>(picture.height);
    if (rows + info.PixelOffset() > std::numeric_limits<uint32_t>::max()) {
        failure = {BitmapStep::GlobalAlloc, EFBIG};
        return {};
    }
    std::vector<uint8_t> bytes;
    try {
        bytes.assign(info.FileSize(), 0);
    } catch (const std::bad_alloc&) {
        failure = {BitmapStep::GlobalAlloc, ENOMEM};
        return {};
    }
    PutFileHeader(bytes.data(), info);
    PutInfoHeader(bytes.data() + CBitmapInfoHeader::kFileHeaderSize, info);
    PutRows(bytes.data() + info.PixelOffset(), picture, info.RowBytes());
    return bytes;
}

std::optional<BitmapFailure> WriteBitmapFile(const std::string& path, const CBitmapPixels& picture)
{
    BitmapFailure failure;
    const std::vector<uint8_t> bytes = EncodeBitmapFile(picture, failure);
    if (bytes.empty())
        return failure;
    // Readable by others, as a picture the user saves would be.
    const AtomicWriteResult result = ReplaceFileAtomically(path, bytes.data(), bytes.size(), 0666);
    switch (result.step) {
    case AtomicWriteStep::None:
        return std::nullopt;
    case AtomicWriteStep::Create:
    case AtomicWriteStep::Rename:
        // The file could not be put in place under its name.
        return BitmapFailure{BitmapStep::CreateFile, result.code};
    case AtomicWriteStep::Write:
        return BitmapFailure{BitmapStep::WriteFile, result.code};
    case AtomicWriteStep::Close:
        return BitmapFailure{BitmapStep::CloseHandle, result.code};
    }
    return BitmapFailure{BitmapStep::WriteFile, result.code};
}
