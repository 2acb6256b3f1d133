#include "services/SaveFileDialog.h"

#include <QDir>
#include <QFileDialog>

QString AskSaveFilePath(QWidget* parent, const QString& title, const QString& suffix)
{
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral(".%1 (*.%1)").arg(suffix));
    dialog.setDefaultSuffix(suffix);
    // The user's files, not the folder the program happened to start in.
    dialog.setDirectory(QDir::home());
    // Qt asks before replacing an existing file unless told otherwise.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}
