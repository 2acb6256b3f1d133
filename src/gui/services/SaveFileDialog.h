#pragma once

#include <QString>

class QWidget;

// The system's Save dialog for one kind of file: the given title, a filter
// named by the extension that shows those files, that extension added to a
// name typed without one, and a question before an existing file is
// replaced. The chosen path, or an empty text when cancelled.
QString AskSaveFilePath(QWidget* parent, const QString& title, const QString& suffix);
