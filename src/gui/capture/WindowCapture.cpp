#include "capture/WindowCapture.h"

#include "app/Prompts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include <cerrno>
#include <cstring>

namespace {

QImage GrabScreenOverFrame(QWidget* window)
{
    QScreen* screen = window->screen();
    if (screen == nullptr)
        return {};
    // The root window's picture, taken where the frame lies on this screen:
    // the title bar and border that only the window manager draws.
    const QRect frame = window->frameGeometry().translated(-screen->geometry().topLeft());
    QImage picture = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()).toImage();
    if (picture.isNull())
        return {};
    // Inside the frame the screen may still show the menu that gave the
    // command, or another window lying over this one; the window's own
    // drawing of itself goes there instead.
    QPainter painter(&picture);
    painter.drawPixmap(window->geometry().topLeft() - window->frameGeometry().topLeft(), window->grab());
    return picture;
}

} // namespace

QImage GrabWindowPicture(QWidget* window, CaptureMethod* used)
{
    if (window == nullptr)
        return {};
    // Only the X11 server hands the screen to any client that asks.
    if (QGuiApplication::platformName() == QLatin1String("xcb") && window->isVisible()) {
        QImage picture = GrabScreenOverFrame(window);
        if (!picture.isNull()) {
            if (used != nullptr)
                *used = CaptureMethod::ScreenOverFrame;
            return picture;
        }
    }
    if (used != nullptr)
        *used = CaptureMethod::WindowContents;
    return window->grab().toImage();
}

CBitmapPixels PixelsFromImage(const QImage& image)
{
    CBitmapPixels pixels;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull())
        return pixels;
    pixels.width = rgb.width();
    pixels.height = rgb.height();
    const size_t rowBytes = static_cast<size_t>(rgb.width()) * 3;
    pixels.rgb.resize(rowBytes * static_cast<size_t>(rgb.height()));
    // Qt pads its rows; ours are packed.
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(pixels.rgb.data() + rowBytes * static_cast<size_t>(y), rgb.constScanLine(y), rowBytes);
    return pixels;
}

QImage ImageFromPixels(const CBitmapPixels& pixels)
{
    if (pixels.IsEmpty() ||
        pixels.rgb.size() != static_cast<size_t>(pixels.width) * static_cast<size_t>(pixels.height) * 3)
        return {};
    // A view on the kept bytes, copied so that the image owns its own.
    return QImage(pixels.rgb.data(), pixels.width, pixels.height, pixels.width * 3, QImage::Format_RGB888).copy();
}

std::optional<BitmapFailure> CaptureWindow(QWidget* window, CBitmapPixels& kept)
{
    kept = {};
    const QImage picture = GrabWindowPicture(window);
    kept = PixelsFromImage(picture);
    if (kept.IsEmpty())
        return BitmapFailure{BitmapStep::GetObject, ENOMEM};
    QGuiApplication::clipboard()->setImage(picture);
    return std::nullopt;
}

bool RunOrTell(IPrompts& prompts, const std::function<std::optional<BitmapFailure>()>& step)
{
    std::optional<BitmapFailure> failure;
    {
        CWaitCursor wait(prompts);
        failure = step();
    }
    // The message waits until the wait cursor is gone.
    if (failure)
        prompts.MessageBox(BitmapFailureText(*failure));
    return !failure;
}

bool CaptureWindowOrTell(QWidget* window, CBitmapPixels& kept, IPrompts& prompts)
{
    return RunOrTell(prompts, [&] { return CaptureWindow(window, kept); });
}
