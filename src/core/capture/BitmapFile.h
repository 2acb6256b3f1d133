#pragma once

#include "capture/BitmapInfo.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A picture as the program keeps it: rows from the top, three bytes a pixel
// (red, green, blue), no padding.
struct CBitmapPixels {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;

    bool IsEmpty() const { return width <= 0 || height <= 0; }
};

// The system call each failure is reported under, with its error code.
enum class BitmapStep { None, GetObject, GlobalAlloc, GetDIBits, CreateFile, WriteFile, CloseHandle, StretchDIBits };
struct BitmapFailure {
    BitmapStep step = BitmapStep::None;
    int code = 0;
};

// The message box text for a failure: the step's text and the decimal code.
std::string BitmapFailureText(const BitmapFailure& failure);

// The whole 24-bit bitmap file: the 14-byte file header, the info header
// (no colour table), then the rows bottom-up, each padded to 4 bytes. Empty
// with the failure when the picture cannot be described or laid out.
std::vector<uint8_t> EncodeBitmapFile(const CBitmapPixels& picture, BitmapFailure& failure);

// Writes the bitmap file at path. The bytes go to a new file beside it that
// replaces path only once complete, so a failure leaves any old file as it
// was and no partial file. std::nullopt when written.
std::optional<BitmapFailure> WriteBitmapFile(const std::string& path, const CBitmapPixels& picture);
