#include "capture/PictureFit.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct FitCase {
    const char* name;
    int64_t pictureWidth, pictureHeight, pageWidth, pageHeight;
    CFittedSize expected;
};

TEST(PictureFitTest, ThePictureTakesThePageAsFarAsItsProportionsAllow)
{
    // Pages in twips: letter portrait 7.5 x 10 inches printable, and landscape.
    const FitCase cases[] = {
        {"wide picture, portrait page: the page's width", 800, 600, 10800, 14400, {10800, 8100}},
        {"tall picture, portrait page: the page's height", 600, 1000, 10800, 14400, {8640, 14400}},
        {"tall picture, landscape page: the page's height", 600, 800, 14400, 10800, {8100, 10800}},
        {"square picture, portrait page", 500, 500, 10800, 14400, {10800, 10800}},
        {"square picture, square page", 500, 500, 9000, 9000, {9000, 9000}},
        // Nearly square pictures: fitting the longer side alone would run past the page.
        {"almost square wide picture, landscape page", 1000, 900, 14400, 10800, {12000, 10800}},
        {"almost square tall picture, portrait page", 900, 1000, 10800, 14400, {10800, 12000}},
        // Sizes are truncated, never rounded up past the page.
        {"a third", 3, 1, 1000, 1000, {1000, 333}},
        {"two thirds", 2, 3, 1000, 1000, {666, 1000}},
        {"a one-pixel line", 1, 1000, 5000, 7000, {7, 7000}},
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CFittedSize fitted = FitPictureToPage(c.pictureWidth, c.pictureHeight, c.pageWidth, c.pageHeight);
        EXPECT_EQ(fitted.width, c.expected.width);
        EXPECT_EQ(fitted.height, c.expected.height);
        EXPECT_LE(fitted.width, c.pageWidth);
        EXPECT_LE(fitted.height, c.pageHeight);
    }
}

TEST(PictureFitTest, NothingToFitGivesNothing)
{
    EXPECT_EQ(FitPictureToPage(0, 10, 100, 100), CFittedSize());
    EXPECT_EQ(FitPictureToPage(10, 10, 100, 0), CFittedSize());
    EXPECT_EQ(FitPictureToPage(-5, 10, 100, 100), CFittedSize());
}

} // namespace
