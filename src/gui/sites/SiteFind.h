#pragma once

#include <QString>
#include <QStringList>

// Find Site's search in one list: the row of an item that begins with the
// text, ignoring case, or -1. The search starts at the second item and wraps
// round, so the first item is found only when no later one matches.
int FindSiteRow(const QStringList& items, const QString& text);
