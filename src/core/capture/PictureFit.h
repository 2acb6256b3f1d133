#pragma once

#include <cstdint>

struct CFittedSize {
    int64_t width = 0;
    int64_t height = 0;
    bool operator==(const CFittedSize&) const = default;
};

// The size a picture of pictureWidth x pictureHeight is printed at on a page
// area of pageWidth x pageHeight: as large as the page lets it be, keeping the
// picture's proportions; sizes are truncated to whole units. A wide picture on
// a tall page takes the page's width, a tall picture on a wide page its
// height, and neither side ever runs past the page.
CFittedSize FitPictureToPage(int64_t pictureWidth, int64_t pictureHeight, int64_t pageWidth, int64_t pageHeight);
