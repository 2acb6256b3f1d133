#include "transfer/TransferWait.h"

#include "app/VamloDoc.h"

#include <QEventLoop>
#include <QTimer>

void CancelAndWaitForTransfer(CVamloDoc& doc)
{
    if (!doc.IsTransferRunning())
        return;
    doc.m_bCancelTransfer = 1;
    while (doc.IsTransferRunning()) {
        QEventLoop loop;
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
    }
    doc.WaitForTransfer();
}
