#include "sites/DialogSize.h"

#include "app/Settings.h"

#include <QString>
#include <QStringList>
#include <QWidget>

namespace {
// Anything larger is not a window size but a damaged value.
constexpr int kMaxSide = 16384;
}

void RestoreDialogSize(QWidget& dialog, ISettingsStore* store, const char* valueName)
{
    if (store == nullptr)
        return;
    const std::optional<std::string> text = store->ReadValue(valueName);
    if (!text)
        return;
    const QStringList parts = QString::fromStdString(*text).split(QLatin1Char(','));
    if (parts.size() != 2)
        return;
    bool widthOk = false, heightOk = false;
    const int width = parts[0].trimmed().toInt(&widthOk);
    const int height = parts[1].trimmed().toInt(&heightOk);
    if (!widthOk || !heightOk || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        return;
    dialog.resize(width, height);
}

void SaveDialogSize(const QWidget& dialog, ISettingsStore* store, const char* valueName)
{
    if (store == nullptr || !store->OpenKey())
        return;
    const QString text = QStringLiteral("%1,%2").arg(dialog.width()).arg(dialog.height());
    store->WriteValue(valueName, text.toStdString());
}
