#include "capture/SaveWindowAs.h"

#include "app/Prompts.h"
#include "capture/WindowCapture.h"
#include "services/SaveFileDialog.h"

QString AskWindowBitmapPath(QWidget* parent)
{
    return AskSaveFilePath(parent, QStringLiteral("Save the Vamlo window as a bitmap file"), QStringLiteral("bmp"));
}

bool SaveWindowAs(QWidget* window, CBitmapPixels& kept, IPrompts& prompts, const WindowBitmapPathChooser& choosePath)
{
    if (!CaptureWindowOrTell(window, kept, prompts))
        return false;
    const QString path = choosePath ? choosePath(window) : QString();
    if (path.isEmpty())
        return false;
    return RunOrTell(prompts, [&] { return WriteBitmapFile(path.toStdString(), kept); });
}
