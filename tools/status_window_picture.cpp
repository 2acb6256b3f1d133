// Writes the picture of the Status window that the documentation shows: a
// download part of the way through, with the figures a meter gives for it.
// Under a window manager the picture takes in the window's frame.
// Usage: vamlo_status_window_picture OUTPUT.png
#include "transfer/StatusDialogChannel.h"
#include "transfer/StatusDialogProxy.h"
#include "transfer/StatusDlg.h"
#include "transfer/TransferMeter.h"

#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    std::atomic<int32_t> cancel{0};
    auto channel = std::make_shared<CStatusDialogChannel>(&cancel);
    auto* dialog = new CStatusDlg(channel);
    dialog->setWindowTitle(QStringLiteral("Getting data from the remote site, please wait..."));
    dialog->CenterOnScreen();
    dialog->show();

    // Second 8 of a 64 MiB file, the second of three files of 200 MiB in all.
    constexpr uint64_t kMiB = 1024 * 1024;
    CTransferMeter meter;
    meter.BeginAction(200 * kMiB);
    meter.BeginFile(40 * kMiB, 40 * kMiB, -1000);   // the file that has arrived
    meter.BeginFile(64 * kMiB, 0, 0);
    for (int64_t second = 1; second <= 8; ++second)
        meter.Update(static_cast<uint64_t>(second) * 3 * kMiB + kMiB / 2 * static_cast<uint64_t>(second % 2),
                     second * 1000);
    CStatusDialogProxy proxy(channel);
    proxy.SetFileRange(65536);
    proxy.StepFile(24576);
    proxy.SetOverallRange(3);
    proxy.StepOverall();
    proxy.SetMessages("Getting file: /pub/video/holiday-2026.mp4", "Received 24576 kb of total 65536 kb");
    proxy.SetMessage3("1 of total 3 files have been received from the remote site ftp://127.0.0.1:2121");
    proxy.SetFigures(meter.FileLine(), meter.ActionLine());
    // Time for the window to take the state and the window manager to frame it.
    QEventLoop settle;
    QTimer::singleShot(3 * CStatusDlg::kRefreshMs + 500, &settle, &QEventLoop::quit);
    settle.exec();

    const QString path = QString::fromLocal8Bit(argv[1]);
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect frame = dialog->frameGeometry();
    const bool framed = QGuiApplication::platformName() == QStringLiteral("xcb") && screen != nullptr &&
                        frame != dialog->geometry();
    const QPixmap picture = framed ? screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                                   : dialog->grab();
    if (!picture.save(path, "PNG")) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
