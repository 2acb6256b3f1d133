#pragma once

#include "capture/BitmapFile.h"

#include <QRect>

#include <functional>
#include <optional>

class IPrompts;
class QImage;
class QPainter;
class QPrinter;
class QPrintPreviewDialog;
class QWidget;

// Draws the picture from the area's top left corner, fitted into the area
// with its proportions kept.
void PaintFittedPicture(QPainter& painter, const QRect& area, const QImage& picture);

// Prints the kept window picture on one page of the printer. The failure
// when there is no picture or the printer cannot be drawn on.
std::optional<BitmapFailure> PrintWindowPicture(QPrinter& printer, const CBitmapPixels& kept);

// Asks which printer to use and how; false when cancelled.
using PrinterChooser = std::function<bool(QPrinter& printer, QWidget* parent)>;
bool AskPrinter(QPrinter& printer, QWidget* parent);
// Runs the preview until the user closes it.
using PreviewRunner = std::function<void(QPrintPreviewDialog& preview)>;
void RunPreview(QPrintPreviewDialog& preview);

// Print Window and Print Window Preview: capture the window into kept (and
// onto the clipboard), then print it, or show how it will print. Failures are
// told through prompts.
bool PrintWindow(QWidget* window, CBitmapPixels& kept, IPrompts& prompts,
                 const PrinterChooser& choosePrinter = AskPrinter);
void PrintWindowPreview(QWidget* window, CBitmapPixels& kept, IPrompts& prompts,
                        const PreviewRunner& runPreview = RunPreview);
