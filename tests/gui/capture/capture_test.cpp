#include "capture/PrintWindow.h"
#include "capture/SaveWindowAs.h"
#include "capture/WindowCapture.h"

#include "../DialogDriver.h"
#include "../GuiProgram.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPrintPreviewDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <gtest/gtest.h>

namespace {

QImage AsRgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB888); }

class CaptureCommandTest : public ::testing::Test, protected GuiProgram {
protected:
    void SetUp() override
    {
        BuildProgram();
        // An odd width, so that every row of the file carries padding.
        frame->resize(641, 480);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        QGuiApplication::clipboard()->clear();
    }

    void TearDown() override { TearDownProgram(); }

    CBitmapPixels& Kept() { return doc->m_capturedWindow; }

    bool SaveTo(const std::string& path)
    {
        return SaveWindowAs(frame.get(), Kept(), prompts, [&](QWidget*) { return QString::fromStdString(path); });
    }

    TempDir dir;
};

// Saved or not, the picture of the window is kept and put on the clipboard.
TEST_F(CaptureCommandTest, SaveAsksWithItsOwnDialogAndACancelStillLeavesThePictureOnTheClipboard)
{
    CaptureMethod used = CaptureMethod::ScreenOverFrame;
    EXPECT_EQ(GrabWindowPicture(frame.get(), &used).size(), frame->size() * frame->devicePixelRatio());
    EXPECT_EQ(used, CaptureMethod::WindowContents);   // offscreen the window draws its own contents
    EXPECT_FALSE(SaveTo(""));
    const QImage kept = ImageFromPixels(Kept());
    EXPECT_EQ(AsRgb(QGuiApplication::clipboard()->image()), kept);
    // The picture is the window: its menu bar and panes, not a blank.
    EXPECT_EQ(kept, AsRgb(frame->grab().toImage()));

    const std::string path = dir.File("shot.bmp");
    WriteWholeFile(path, "an older file");
    bool seen = false;
    AnswerNextDialog<QFileDialog>([&](QFileDialog& dialog) {
        seen = true;
        EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("bmp"));
        EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
        // The overwrite question is the dialog's own; here the name is set
        // without it, as after a Yes.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        SaveInFileDialog(dialog, dir.Path(), "shot");
    });
    frame->Command(ID_FILE_SAVE_WINDOW_AS)->trigger();
    ASSERT_TRUE(seen);
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_EQ(prompts.WaitCursorDepth(), 0);
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"shot.bmp"});
    EXPECT_EQ(AsRgb(QImage(QString::fromStdString(path), "BMP")), ImageFromPixels(Kept()));
}

// Which step fails with which code is the unit suite's; here that it is told.
TEST_F(CaptureCommandTest, AFailedWriteShowsTheStepAndItsCode)
{
    EXPECT_FALSE(SaveTo("/dev/full"));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"Function WriteFile(...) failed. Error Code: 28"});
    EXPECT_EQ(prompts.WaitCursorDepth(), 0);
}

// A printer that cannot be drawn on is told.
TEST_F(CaptureCommandTest, PrintWindowPutsThePictureOnOnePage)
{
    EXPECT_FALSE(PrintWindow(frame.get(), Kept(), prompts, [&](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(dir.File("plain-file/x.pdf")));
        WriteWholeFile(dir.File("plain-file"), "");
        return true;
    }));
    ASSERT_EQ(prompts.Texts().size(), 1U);
    EXPECT_EQ(prompts.Texts()[0].rfind("Function StretchDIBits(...) failed. Error Code: ", 0), 0U);

    const std::string pdf = dir.File("window.pdf");
    EXPECT_TRUE(PrintWindow(frame.get(), Kept(), prompts, [&](QPrinter& printer, QWidget* parent) {
        EXPECT_EQ(parent, frame.get());
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        return true;
    }));
    EXPECT_EQ(prompts.Texts().size(), 1U);
    const std::string bytes = ReadWholeFile(pdf);
    EXPECT_NE(bytes.find("/Subtype /Image"), std::string::npos);
    EXPECT_NE(bytes.find("/Count 1"), std::string::npos);
    EXPECT_FALSE(QGuiApplication::clipboard()->image().isNull());
}

// Cancelled or only previewed, printing still captures the window.
TEST_F(CaptureCommandTest, CancelledOrPreviewedPrintingStillCaptures)
{
    AnswerNextDialog<QPrintDialog>([](QPrintDialog& dialog) { dialog.reject(); });
    frame->Command(ID_FILE_PRINT_WINDOW)->trigger();
    EXPECT_FALSE(Kept().IsEmpty());
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), frame->size());

    Kept() = CBitmapPixels();
    AnswerNextDialog<QPrintPreviewDialog>([](QPrintPreviewDialog& preview) { preview.reject(); });
    frame->Command(ID_FILE_PRINT_WINDOW_PREVIEW)->trigger();
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_FALSE(Kept().IsEmpty());
}

} // namespace
