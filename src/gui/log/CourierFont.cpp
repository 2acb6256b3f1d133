#include "log/CourierFont.h"

#include <QFontDatabase>
#include <QFontInfo>

namespace {

const QString kCourier = QStringLiteral("Courier");

} // namespace

bool IsCourierInstalled()
{
    const QFontInfo info{QFont(kCourier)};
    // Font configuration may hand out another face for the name; only the
    // real one counts.
    return info.exactMatch() || info.family().compare(kCourier, Qt::CaseInsensitive) == 0;
}

QFont CourierFont(qreal pointSize)
{
    QFont font = IsCourierInstalled() ? QFont(kCourier) : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    if (pointSize > 0)
        font.setPointSizeF(pointSize);
    return font;
}
