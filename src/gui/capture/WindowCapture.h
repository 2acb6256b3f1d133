#pragma once

#include "capture/BitmapFile.h"

#include <QImage>

#include <functional>
#include <optional>

class IPrompts;
class QWidget;

// How a window's picture was taken: from the screen over the window's frame
// (title bar and border included), or from the window's own contents where
// the platform does not hand out the screen.
enum class CaptureMethod { ScreenOverFrame, WindowContents };

// The window as the user sees it. On X11 the root window is read over the
// frame's geometry for the frame, and the window's own drawing fills the
// inside; elsewhere, or when that read gives nothing, the window's own
// drawing alone.
QImage GrabWindowPicture(QWidget* window, CaptureMethod* used = nullptr);

CBitmapPixels PixelsFromImage(const QImage& image);
QImage ImageFromPixels(const CBitmapPixels& pixels);

// Captures the window into kept, replacing the previous picture, and puts the
// picture on the clipboard as an image. The failure when no picture came.
std::optional<BitmapFailure> CaptureWindow(QWidget* window, CBitmapPixels& kept);

// Runs one step of the window picture's work under the wait cursor, then
// tells its failure, if any, through prompts. True when it succeeded.
bool RunOrTell(IPrompts& prompts, const std::function<std::optional<BitmapFailure>()>& step);
// The capture as such a step.
bool CaptureWindowOrTell(QWidget* window, CBitmapPixels& kept, IPrompts& prompts);
