#include "capture/PictureFit.h"

CFittedSize FitPictureToPage(int64_t pictureWidth, int64_t pictureHeight, int64_t pageWidth, int64_t pageHeight)
{
    if (pictureWidth <= 0 || pictureHeight <= 0 || pageWidth <= 0 || pageHeight <= 0)
        return {};
    // Fitting the page's width is right when the picture is, for its height,
    // at least as wide as the page: W / H >= DW / DH, compared without
    // division. Otherwise the height is the limit.
    if (pictureWidth * pageHeight >= pageWidth * pictureHeight)
        return {pageWidth, pageWidth * pictureHeight / pictureWidth};
    return {pageHeight * pictureWidth / pictureHeight, pageHeight};
}
