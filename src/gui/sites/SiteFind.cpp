#include "sites/SiteFind.h"

int FindSiteRow(const QStringList& items, const QString& text)
{
    const int count = static_cast<int>(items.size());
    for (int step = 0; step < count; ++step) {
        const int row = (step + 1) % count;
        if (items.at(row).startsWith(text, Qt::CaseInsensitive))
            return row;
    }
    return -1;
}
