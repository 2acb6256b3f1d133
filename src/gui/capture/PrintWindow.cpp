#include "capture/PrintWindow.h"

#include "app/Prompts.h"
#include "capture/PictureFit.h"
#include "capture/WindowCapture.h"

#include <QImage>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <cerrno>

void PaintFittedPicture(QPainter& painter, const QRect& area, const QImage& picture)
{
    const CFittedSize size = FitPictureToPage(picture.width(), picture.height(), area.width(), area.height());
    if (size.width <= 0 || size.height <= 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(area.topLeft(), QSize(static_cast<int>(size.width), static_cast<int>(size.height))),
                      picture);
    painter.restore();
}

std::optional<BitmapFailure> PrintWindowPicture(QPrinter& printer, const CBitmapPixels& kept)
{
    const QImage picture = ImageFromPixels(kept);
    if (picture.isNull())
        return BitmapFailure{BitmapStep::GetObject, ENOMEM};
    QPainter painter;
    errno = 0;
    if (!painter.begin(&printer))
        return BitmapFailure{BitmapStep::StretchDIBits, errno != 0 ? errno : EIO};
    // The painter's origin is the printable area's top left corner.
    const QRect area(QPoint(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size());
    PaintFittedPicture(painter, area, picture);
    if (!painter.end())
        return BitmapFailure{BitmapStep::StretchDIBits, errno != 0 ? errno : EIO};
    return std::nullopt;
}

bool AskPrinter(QPrinter& printer, QWidget* parent)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

void RunPreview(QPrintPreviewDialog& preview) { preview.exec(); }

bool PrintWindow(QWidget* window, CBitmapPixels& kept, IPrompts& prompts, const PrinterChooser& choosePrinter)
{
    if (!CaptureWindowOrTell(window, kept, prompts))
        return false;
    QPrinter printer(QPrinter::HighResolution);
    if (!choosePrinter || !choosePrinter(printer, window))
        return false;
    return RunOrTell(prompts, [&] { return PrintWindowPicture(printer, kept); });
}

void PrintWindowPreview(QWidget* window, CBitmapPixels& kept, IPrompts& prompts, const PreviewRunner& runPreview)
{
    if (!CaptureWindowOrTell(window, kept, prompts))
        return;
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, window);
    // The preview draws again whenever its page set-up changes; one message
    // for a picture that cannot be drawn is enough.
    bool told = false;
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&](QPrinter* target) {
        const std::optional<BitmapFailure> failure = PrintWindowPicture(*target, kept);
        if (failure && !told) {
            told = true;
            prompts.MessageBox(BitmapFailureText(*failure));
        }
    });
    if (runPreview)
        runPreview(preview);
}
