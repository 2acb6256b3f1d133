#pragma once

#include <QFont>

// "Courier" for the log, the notes and the help texts. Where no font of that
// name is installed, the system's fixed-pitch font takes its place, so the
// columns of the log still line up. A pointSize of 0 or less keeps the
// fallback's own size (the size the caller would get from the dialog font).
QFont CourierFont(qreal pointSize = 0);

// True when the font that would be drawn really is Courier.
bool IsCourierInstalled();
