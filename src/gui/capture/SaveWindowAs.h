#pragma once

#include "capture/BitmapFile.h"

#include <QString>

#include <functional>

class IPrompts;
class QWidget;

// Chooses the bitmap file to write; an empty text means cancelled.
using WindowBitmapPathChooser = std::function<QString(QWidget* parent)>;

// The system's Save dialog for the window picture: "Save the Vamlo window as
// a bitmap file", bitmap files, default suffix "bmp", and a question before
// an existing file is replaced.
QString AskWindowBitmapPath(QWidget* parent);

// Save Window As: captures the window into kept (and onto the clipboard),
// asks for the file, then writes the picture there. Every failure is told
// through prompts. True when the file was written.
bool SaveWindowAs(QWidget* window, CBitmapPixels& kept, IPrompts& prompts,
                  const WindowBitmapPathChooser& choosePath = AskWindowBitmapPath);
