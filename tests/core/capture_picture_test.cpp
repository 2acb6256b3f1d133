#include "capture/BitmapFile.h"
#include "capture/BitmapInfo.h"
#include "capture/PictureFit.h"

#include "ByteBuilder.h"
#include "FileLimits.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// 3 x 2, rows from the top: red green blue / white black grey.
CBitmapPixels SmallPicture()
{
    CBitmapPixels picture;
    picture.width = 3;
    picture.height = 2;
    picture.rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 128, 128, 128};
    return picture;
}

TEST(BitmapFileTest, ASmallPictureIsLaidOutByteForByte)
{
    const std::vector<uint8_t> expected =
        Bytes()
            // file header: "BM", 54 + two rows of 12 bytes, reserved, offset
            .U16(0x4D42).U32(78).U16(0).U16(0).U32(54)
            // info header
            .U32(40).U32(3).U32(2).U16(1).U16(24).U32(0).U32(24).U32(0).U32(0).U32(0).U32(0)
            // the bottom row first, blue-green-red, three bytes of padding
            .U8(255).U8(255).U8(255).U8(0).U8(0).U8(0).U8(128).U8(128).U8(128).U8(0).U8(0).U8(0)
            .U8(0).U8(0).U8(255).U8(0).U8(255).U8(0).U8(255).U8(0).U8(0).U8(0).U8(0).U8(0)
            .data;
    BitmapFailure failure;
    EXPECT_EQ(EncodeBitmapFile(SmallPicture(), failure), expected);
    EXPECT_EQ(failure.step, BitmapStep::None);
}

TEST(BitmapFileTest, RowsThatFillWholeWordsGetNoPaddingAndPicturesThatCannotBeReadAreRefused)
{
    CBitmapPixels picture;
    picture.width = 4;
    picture.height = 1;
    picture.rgb.assign(12, 7);
    BitmapFailure failure;
    const std::vector<uint8_t> bytes = EncodeBitmapFile(picture, failure);
    ASSERT_EQ(bytes.size(), 54U + 12U);
    EXPECT_TRUE(std::all_of(bytes.begin() + 54, bytes.end(), [](uint8_t b) { return b == 7; }));

    CBitmapPixels shortOfPixels = SmallPicture();
    shortOfPixels.rgb.pop_back();
    for (const CBitmapPixels& unreadable : {CBitmapPixels(), shortOfPixels}) {
        failure = {};
        EXPECT_TRUE(EncodeBitmapFile(unreadable, failure).empty());
        EXPECT_EQ(failure.step, BitmapStep::GetObject);
    }
}

// Creating, writing and drawing are the capture command's tests; here the other steps.
TEST(BitmapFailureTextTest, EachStepKeepsItsTextAndTheCode)
{
    const std::pair<BitmapStep, std::string> cases[] = {
        {BitmapStep::GetObject, "Function call GetObject(...) failed. Error Code: 28"},
        {BitmapStep::GlobalAlloc, "Function GlobalAlloc(...) failed. Error Code: 28"},
        {BitmapStep::GetDIBits, "Function GetDIBits(...) failed. Error Code: 28"},
        {BitmapStep::CloseHandle, "Function CloseHandle(...) failed. Error Code: 28"},
    };
    for (const auto& [step, text] : cases)
        EXPECT_EQ(BitmapFailureText({step, 28}), text);
}

// ---- Writing the file ----

TEST(WriteBitmapFileTest, WritesExactlyThePictureOverAnOlderLongerFileAndUnderTheLongestName)
{
    // The longest name the folder allows leaves no room for a longer temporary name.
    for (const std::string& name : {std::string("window.bmp"), std::string(251, 'w') + ".bmp"}) {
        TempDir dir;
        const std::string path = dir.File(name);
        WriteWholeFile(path, std::string(5000, 'x'));
        const mode_t previousMask = ::umask(022);
        const std::optional<BitmapFailure> failure = WriteBitmapFile(path, SmallPicture());
        ::umask(previousMask);

        ASSERT_FALSE(failure) << BitmapFailureText(*failure);
        BitmapFailure unused;
        const std::vector<uint8_t> expected = EncodeBitmapFile(SmallPicture(), unused);
        EXPECT_EQ(ReadWholeFile(path), std::string(expected.begin(), expected.end()));
        EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{name});
        EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0644));
    }
}

TEST(WriteBitmapFileTest, AWriteCutShortKeepsTheOldFileAndLeavesNoPart)
{
    TempDir dir;
    const std::string path = dir.File("window.bmp");
    WriteWholeFile(path, "old picture");
    CBitmapPixels picture;
    picture.width = 100;
    picture.height = 100;
    picture.rgb.assign(30000, 200);

    std::optional<BitmapFailure> failure;
    RunWithFileSizeLimit(1000, [&] { failure = WriteBitmapFile(path, picture); });

    ASSERT_TRUE(failure);
    EXPECT_EQ(BitmapFailureText(*failure), "Function WriteFile(...) failed. Error Code: " + std::to_string(EFBIG));
    EXPECT_EQ(ReadWholeFile(path), "old picture");
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"window.bmp"});
}

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
