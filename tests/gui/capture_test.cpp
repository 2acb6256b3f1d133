#include "app/VamloDoc.h"
#include "capture/PrintWindow.h"
#include "capture/SaveWindowAs.h"
#include "capture/WindowCapture.h"
#include "ui/MainFrame.h"

#include "DialogDriver.h"
#include "FileLimits.h"
#include "GuiProgram.h"
#include "TempDir.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrintDialog>
#include <QPrinter>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace {

constexpr int kWaitMs = 10000;

// An odd width, so that every file row carries padding.
QImage KnownPicture()
{
    QImage picture(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(40 * x + 10, 80 * y + 5, (x * 7 + y * 31) % 256));
    return picture;
}

QImage AsRgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB888); }

TEST(WindowPictureTest, AFileReadsBackToTheSamePixels)
{
    TempDir dir;
    const std::string path = dir.File("known.bmp");
    const CBitmapPixels pixels = PixelsFromImage(KnownPicture());
    ASSERT_EQ(pixels.width, 5);
    ASSERT_EQ(pixels.height, 3);
    ASSERT_FALSE(WriteBitmapFile(path, pixels));

    const QImage read(QString::fromStdString(path), "BMP");
    ASSERT_FALSE(read.isNull());
    EXPECT_EQ(AsRgb(read), AsRgb(KnownPicture()));
    EXPECT_EQ(AsRgb(ImageFromPixels(pixels)), AsRgb(KnownPicture()));
}

TEST(WindowPictureTest, ThePrintedPictureStartsAtTheTopLeftAndKeepsItsProportions)
{
    QImage red(100, 50, QImage::Format_RGB32);
    red.fill(Qt::red);
    const struct {
        QSize page;
        QSize painted;
    } cases[] = {
        {{200, 400}, {200, 100}},  // wide picture, tall page: the page's width
        {{400, 100}, {200, 100}},  // a page wider than the picture's shape: its height
    };
    for (const auto& c : cases) {
        QImage page(c.page, QImage::Format_RGB32);
        page.fill(Qt::white);
        {
            QPainter painter(&page);
            PaintFittedPicture(painter, QRect(QPoint(0, 0), c.page), red);
        }
        EXPECT_EQ(page.pixel(1, 1), qRgb(255, 0, 0));
        EXPECT_EQ(page.pixel(c.painted.width() - 2, c.painted.height() - 2), qRgb(255, 0, 0));
        if (c.painted.height() < c.page.height()) {
            EXPECT_EQ(page.pixel(1, c.painted.height() + 1), qRgb(255, 255, 255));
        }
        if (c.painted.width() < c.page.width()) {
            EXPECT_EQ(page.pixel(c.painted.width() + 1, 1), qRgb(255, 255, 255));
        }
    }
}

class CaptureCommandTest : public ::testing::Test, protected GuiProgram {
protected:
    void SetUp() override
    {
        BuildProgram();
        frame->resize(640, 480);
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
TEST_F(CaptureCommandTest, SaveWritesTheWindowAndACancelStillLeavesItOnTheClipboard)
{
    CaptureMethod used = CaptureMethod::ScreenOverFrame;
    EXPECT_EQ(GrabWindowPicture(frame.get(), &used).size(), frame->size() * frame->devicePixelRatio());
    EXPECT_EQ(used, CaptureMethod::WindowContents);   // offscreen the window draws its own contents

    for (const std::string& path : {std::string(), dir.File("window.bmp")}) {
        QGuiApplication::clipboard()->clear();
        EXPECT_EQ(SaveTo(path), !path.empty());
        EXPECT_TRUE(prompts.Texts().empty());
        EXPECT_EQ(prompts.WaitCursorDepth(), 0);
        const QImage kept = ImageFromPixels(Kept());
        EXPECT_EQ(kept.size(), frame->size());
        EXPECT_EQ(AsRgb(QGuiApplication::clipboard()->image()), kept);
        // The picture is the window: its menu bar and panes, not a blank.
        EXPECT_EQ(kept, AsRgb(frame->grab().toImage()));
    }
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"window.bmp"});
    EXPECT_EQ(AsRgb(QImage(QString::fromStdString(dir.File("window.bmp")), "BMP")), ImageFromPixels(Kept()));
}

TEST_F(CaptureCommandTest, AFailedWriteShowsTheStepAndItsCodeAndLeavesNoFile)
{
    WriteWholeFile(dir.File("plain"), "not a folder");
    std::filesystem::create_directory(dir.File("locked"));
    ASSERT_EQ(::chmod(dir.File("locked").c_str(), 0555), 0);
    const struct {
        std::string path;
        std::string message;
    } cases[] = {
        {"/dev/full", "Function WriteFile(...) failed. Error Code: 28"},
        {dir.File("locked/window.bmp"), "Function CreateFile(...) failed. Error Code: 13"},
        {dir.File("plain/window.bmp"), "Function CreateFile(...) failed. Error Code: 20"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        ScriptedPrompts fresh;
        bool saved = true;
        RunWithoutAccessOverride([&] {
            saved = SaveWindowAs(frame.get(), Kept(), fresh, [&](QWidget*) { return QString::fromStdString(c.path); });
        });
        EXPECT_FALSE(saved);
        EXPECT_EQ(fresh.Texts(), std::vector<std::string>{c.message});
        EXPECT_EQ(fresh.WaitCursorDepth(), 0);
    }
    EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"locked", "plain"}));
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("locked")));
}

TEST_F(CaptureCommandTest, TheMenuCommandAsksWithItsOwnDialogAndReplacesAnExistingFile)
{
    const std::string path = dir.File("shot.bmp");
    WriteWholeFile(path, "an older file");
    bool seen = false;
    AnswerNextDialog<QFileDialog>([&](QFileDialog& dialog) {
        seen = true;
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Save the Vamlo window as a bitmap file"));
        EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("bmp"));
        EXPECT_EQ(dialog.nameFilters(), QStringList{QStringLiteral(".bmp (*.bmp)")});
        EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
        dialog.setDirectory(QString::fromStdString(dir.Path()));
        // The overwrite question is the dialog's own; here the name is set
        // without it, as after a Yes.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        dialog.selectFile(QStringLiteral("shot"));
        static_cast<QDialog&>(dialog).accept();
    });
    QAction* command = frame->Command(ID_FILE_SAVE_WINDOW_AS);
    ASSERT_TRUE(command->isEnabled());
    command->trigger();
    ASSERT_TRUE(seen);
    EXPECT_TRUE(prompts.Texts().empty());
    const QImage read(QString::fromStdString(path), "BMP");
    ASSERT_FALSE(read.isNull());
    EXPECT_EQ(AsRgb(read), ImageFromPixels(Kept()));
}

TEST_F(CaptureCommandTest, PrintWindowPutsThePictureOnOnePage)
{
    const std::string pdf = dir.File("window.pdf");
    EXPECT_TRUE(PrintWindow(frame.get(), Kept(), prompts, [&](QPrinter& printer, QWidget* parent) {
        EXPECT_EQ(parent, frame.get());
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        return true;
    }));
    EXPECT_TRUE(prompts.Texts().empty());
    const std::string bytes = ReadWholeFile(pdf);
    EXPECT_NE(bytes.find("/Subtype /Image"), std::string::npos);
    EXPECT_NE(bytes.find("/Count 1"), std::string::npos);
    EXPECT_FALSE(QGuiApplication::clipboard()->image().isNull());
}

TEST_F(CaptureCommandTest, APrinterThatCannotBeDrawnOnIsTold)
{
    EXPECT_FALSE(PrintWindow(frame.get(), Kept(), prompts, [&](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(dir.File("plain-file/x.pdf")));
        WriteWholeFile(dir.File("plain-file"), "");
        return true;
    }));
    ASSERT_EQ(prompts.Texts().size(), 1U);
    EXPECT_EQ(prompts.Texts()[0].rfind("Function StretchDIBits(...) failed. Error Code: ", 0), 0U) << prompts.Texts()[0];
}

TEST_F(CaptureCommandTest, CancelledPrintingPrintsNothingButCaptures)
{
    AnswerNextDialog<QPrintDialog>([](QPrintDialog& dialog) { dialog.reject(); });
    QAction* command = frame->Command(ID_FILE_PRINT_WINDOW);
    ASSERT_TRUE(command->isEnabled());
    EXPECT_EQ(command->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
    command->trigger();
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_FALSE(Kept().IsEmpty());
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), frame->size());
}

TEST_F(CaptureCommandTest, ThePreviewShowsOnePageOfTheWindow)
{
    int pages = -1;
    AnswerNextDialog<QPrintPreviewDialog>([&](QPrintPreviewDialog& preview) {
        auto* view = preview.findChild<QPrintPreviewWidget*>();
        if (view != nullptr && QTest::qWaitFor([&] { return view->pageCount() > 0; }, kWaitMs))
            pages = view->pageCount();
        preview.reject();
    });
    QAction* command = frame->Command(ID_FILE_PRINT_WINDOW_PREVIEW);
    ASSERT_TRUE(command->isEnabled());
    command->trigger();
    EXPECT_EQ(pages, 1);
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_FALSE(Kept().IsEmpty());
}

} // namespace
