#include "capture/SaveWindowAs.h"

#include "app/Prompts.h"
#include "capture/WindowCapture.h"

#include <QFileDialog>

QString AskWindowBitmapPath(QWidget* parent)
{
    QFileDialog dialog(parent, QStringLiteral("Save the Vamlo window as a bitmap file"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The filter is named by its extension and shows the bitmap files.
    dialog.setNameFilter(QStringLiteral(".bmp (*.bmp)"));
    dialog.setDefaultSuffix(QStringLiteral("bmp"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

bool SaveWindowAs(QWidget* window, CBitmapPixels& kept, IPrompts& prompts, const WindowBitmapPathChooser& choosePath)
{
    if (!CaptureWindowOrTell(window, kept, prompts))
        return false;
    const QString path = choosePath ? choosePath(window) : QString();
    if (path.isEmpty())
        return false;
    std::optional<BitmapFailure> failure;
    {
        CWaitCursor wait(prompts);
        failure = WriteBitmapFile(path.toStdString(), kept);
    }
    if (failure) {
        prompts.MessageBox(BitmapFailureText(*failure));
        return false;
    }
    return true;
}
