#include "res/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace {

using Drawing = std::function<void(QPainter&)>;

// Draws on a 16x16 logical grid at 1x and 2x.
QIcon Draw(const Drawing& draw)
{
    QIcon icon;
    for (const qreal scale : {1.0, 2.0}) {
        QPixmap pixmap(QSize(16, 16) * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

const QColor kInk(40, 48, 64);
const QColor kPaper(250, 250, 246);
const QColor kBlue(48, 110, 200);
const QColor kGreen(46, 150, 80);
const QColor kAmber(222, 160, 40);

void Sheet(QPainter& p, QRectF r)
{
    p.setPen(QPen(kInk, 1.0));
    p.setBrush(kPaper);
    p.drawRect(r);
    p.setPen(QPen(kBlue, 0.8));
    for (qreal y = r.top() + 3; y < r.bottom() - 1; y += 2.5)
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

// A drive's box seen from the front, with its light.
void DriveBox(QPainter& p, QRectF r, const QColor& body)
{
    p.setPen(QPen(kInk, 1.0));
    p.setBrush(body);
    p.drawRoundedRect(r, 1.2, 1.2);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawRect(QRectF(r.right() - 3.0, r.bottom() - 2.5, 1.5, 1.2));
}

// Pipes of a network drive: a cable from the box down to a line.
void Cable(QPainter& p, const QColor& color)
{
    p.setPen(QPen(color, 1.4, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(8, 10.5), QPointF(8, 13.5));
    p.drawLine(QPointF(2.5, 13.5), QPointF(13.5, 13.5));
}

} // namespace

namespace VamloIcons {

QIcon Copy()
{
    return Draw([](QPainter& p) {
        Sheet(p, QRectF(1.5, 1.5, 8, 10));
        Sheet(p, QRectF(6.5, 4.5, 8, 10));
    });
}

QIcon Paste()
{
    return Draw([](QPainter& p) {
        p.setPen(QPen(kInk, 1.0));
        p.setBrush(kAmber);
        p.drawRoundedRect(QRectF(2.5, 2.5, 10, 12), 1.5, 1.5);
        p.setBrush(kInk);
        p.drawRect(QRectF(5.5, 1.5, 4, 2));
        Sheet(p, QRectF(7.5, 6.5, 7, 8));
    });
}

QIcon SaveSiteList()
{
    return Draw([](QPainter& p) {
        p.setPen(QPen(kInk, 1.0));
        p.setBrush(kBlue);
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(kPaper);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(QColor(220, 226, 236));
        p.drawRect(QRectF(3.5, 9.5, 9, 5));
    });
}

QIcon PrintWindow()
{
    return Draw([](QPainter& p) {
        p.setPen(QPen(kInk, 1.0));
        p.setBrush(kPaper);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(QColor(160, 168, 180));
        p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1, 1);
        p.setBrush(kPaper);
        p.drawRect(QRectF(4.5, 10.5, 7, 4));
        p.setPen(QPen(kGreen, 1.2));
        p.drawPoint(QPointF(12.5, 8.5));
    });
}

QIcon AutoSaveLog()
{
    return Draw([](QPainter& p) {
        Sheet(p, QRectF(1.5, 1.5, 9, 12));
        p.setPen(QPen(kInk, 1.0));
        p.setBrush(kGreen);
        p.drawRect(QRectF(8.5, 8.5, 6, 6));
        p.setBrush(kPaper);
        p.drawRect(QRectF(10, 8.5, 3, 2));
    });
}

QIcon AutoRefreshLog()
{
    return Draw([](QPainter& p) {
        Sheet(p, QRectF(1.5, 1.5, 9, 12));
        p.setPen(QPen(kGreen, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(7.5, 6.5, 7, 7), 30 * 16, 280 * 16);
        p.setBrush(kGreen);
        QPainterPath head;
        head.moveTo(14.8, 5.5);
        head.lineTo(14.8, 9.0);
        head.lineTo(11.5, 8.0);
        head.closeSubpath();
        p.setPen(Qt::NoPen);
        p.drawPath(head);
    });
}

QIcon About()
{
    return Draw([](QPainter& p) {
        p.setPen(QPen(kInk, 1.0));
        p.setBrush(kBlue);
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap));
        p.drawPoint(QPointF(8, 4.8));
        p.drawLine(QPointF(8, 7.5), QPointF(8, 11.5));
    });
}

QIcon Application()
{
    return Draw([](QPainter& p) {
        p.setPen(QPen(kInk, 1.0));
        p.setBrush(kAmber);
        p.drawRoundedRect(QRectF(1.5, 4.5, 13, 10), 1.5, 1.5);
        p.drawRect(QRectF(1.5, 2.5, 6, 3));
        p.setPen(QPen(kBlue, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 9.5), QPointF(11, 9.5));
        p.drawLine(QPointF(9, 7.5), QPointF(11, 9.5));
        p.drawLine(QPointF(9, 11.5), QPointF(11, 9.5));
    });
}

QIcon ClosedFolder()
{
    return Draw([](QPainter& p) {
        p.setPen(QPen(QColor(150, 104, 20), 1.0));
        p.setBrush(kAmber);
        QPainterPath folder;
        folder.moveTo(1.5, 3.5);
        folder.lineTo(6.0, 3.5);
        folder.lineTo(7.5, 5.0);
        folder.lineTo(14.5, 5.0);
        folder.lineTo(14.5, 13.5);
        folder.lineTo(1.5, 13.5);
        folder.closeSubpath();
        p.drawPath(folder);
        p.setPen(QPen(QColor(255, 226, 150), 1.0));
        p.drawLine(QPointF(2.5, 6.5), QPointF(13.5, 6.5));
    });
}

QIcon OpenFolder()
{
    return Draw([](QPainter& p) {
        p.setPen(QPen(QColor(150, 104, 20), 1.0));
        p.setBrush(QColor(200, 140, 30));
        QPainterPath back;
        back.moveTo(1.5, 3.5);
        back.lineTo(6.0, 3.5);
        back.lineTo(7.5, 5.0);
        back.lineTo(13.5, 5.0);
        back.lineTo(13.5, 7.5);
        back.lineTo(1.5, 13.5);
        back.closeSubpath();
        p.drawPath(back);
        p.setBrush(QColor(255, 214, 110));
        QPainterPath front;
        front.moveTo(3.5, 7.5);
        front.lineTo(15.0, 7.5);
        front.lineTo(12.5, 13.5);
        front.lineTo(1.5, 13.5);
        front.closeSubpath();
        p.drawPath(front);
    });
}

QIcon File()
{
    return Draw([](QPainter& p) {
        p.setPen(QPen(kInk, 1.0));
        p.setBrush(kPaper);
        QPainterPath sheet;
        sheet.moveTo(3.5, 1.5);
        sheet.lineTo(9.5, 1.5);
        sheet.lineTo(12.5, 4.5);
        sheet.lineTo(12.5, 14.5);
        sheet.lineTo(3.5, 14.5);
        sheet.closeSubpath();
        p.drawPath(sheet);
        p.drawLine(QPointF(9.5, 1.5), QPointF(9.5, 4.5));
        p.drawLine(QPointF(9.5, 4.5), QPointF(12.5, 4.5));
        p.setPen(QPen(kBlue, 0.8));
        for (qreal y = 7.0; y < 13.5; y += 2.0)
            p.drawLine(QPointF(5.0, y), QPointF(11.0, y));
    });
}

QIcon Link()
{
    const QIcon file = File();
    return Draw([file](QPainter& p) {
        file.paint(&p, QRect(0, 0, 16, 16));
        // The arrow of a shortcut in the lower left corner, on white.
        p.setPen(QPen(kInk, 0.8));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(0.5, 8.5, 7, 7));
        p.setPen(QPen(kBlue, 1.3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(2.2, 13.8), QPointF(5.8, 10.2));
        p.drawLine(QPointF(3.5, 10.2), QPointF(5.8, 10.2));
        p.drawLine(QPointF(5.8, 10.2), QPointF(5.8, 12.5));
    });
}

QIcon HardDisk()
{
    return Draw([](QPainter& p) {
        p.setPen(QPen(kInk, 1.0));
        p.setBrush(QColor(205, 210, 218));
        QPainterPath top;
        top.moveTo(3.5, 5.5);
        top.lineTo(12.5, 5.5);
        top.lineTo(14.5, 8.5);
        top.lineTo(1.5, 8.5);
        top.closeSubpath();
        p.drawPath(top);
        DriveBox(p, QRectF(1.5, 8.5, 13, 5), QColor(170, 176, 186));
    });
}

QIcon RemovableDisk()
{
    return Draw([](QPainter& p) {
        p.setPen(QPen(kInk, 1.0));
        p.setBrush(QColor(60, 70, 90));
        QPainterPath body;
        body.moveTo(1.5, 1.5);
        body.lineTo(12.5, 1.5);
        body.lineTo(14.5, 3.5);
        body.lineTo(14.5, 14.5);
        body.lineTo(1.5, 14.5);
        body.closeSubpath();
        p.drawPath(body);
        p.setBrush(QColor(190, 196, 206));
        p.drawRect(QRectF(4.5, 1.5, 7, 4.5));
        p.setBrush(kInk);
        p.drawRect(QRectF(8.5, 2.5, 1.5, 2.5));
        p.setBrush(kPaper);
        p.drawRect(QRectF(3.5, 8.5, 9, 6));
    });
}

QIcon CdRom()
{
    return Draw([](QPainter& p) {
        DriveBox(p, QRectF(1.5, 9.5, 13, 5), QColor(170, 176, 186));
        p.setPen(QPen(kInk, 1.0));
        QRadialGradient shine(QPointF(7, 5), 6);
        shine.setColorAt(0, QColor(235, 240, 250));
        shine.setColorAt(0.6, QColor(190, 215, 240));
        shine.setColorAt(1, QColor(220, 190, 235));
        p.setBrush(shine);
        p.drawEllipse(QRectF(2.5, 0.5, 11, 11));
        p.setBrush(kPaper);
        p.drawEllipse(QRectF(6.5, 4.5, 3, 3));
    });
}

QIcon Computer()
{
    return Draw([](QPainter& p) {
        p.setPen(QPen(kInk, 1.0));
        p.setBrush(QColor(205, 210, 218));
        p.drawRoundedRect(QRectF(1.5, 1.5, 13, 9.5), 1, 1);
        p.setBrush(kBlue);
        p.drawRect(QRectF(3.5, 3.5, 9, 5.5));
        p.setBrush(QColor(205, 210, 218));
        p.drawRect(QRectF(6.5, 11, 3, 1.5));
        p.drawRoundedRect(QRectF(3.5, 12.5, 9, 2), 0.8, 0.8);
    });
}

QIcon NetworkDrive()
{
    return Draw([](QPainter& p) {
        DriveBox(p, QRectF(1.5, 4.5, 13, 6), QColor(170, 176, 186));
        Cable(p, kInk);
    });
}

void FtpSiteShape(QPainter& p)
{
    DriveBox(p, QRectF(1.5, 4.5, 13, 6), QColor(170, 176, 186));
    Cable(p, kBlue);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(8, 13.5), 1.6, 1.6);
}

QIcon FtpSite() { return Draw(FtpSiteShape); }

QIcon EncryptedFtpSite()
{
    return Draw([](QPainter& p) {
        FtpSiteShape(p);
        // A padlock in the lower right corner: its shackle, then its body.
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kInk, 1.2));
        p.drawArc(QRectF(10.5, 7.5, 4, 5), 0, 180 * 16);
        p.drawLine(QPointF(10.5, 10), QPointF(10.5, 11));
        p.drawLine(QPointF(14.5, 10), QPointF(14.5, 11));
        p.setPen(QPen(kInk, 0.8));
        p.setBrush(kAmber);
        p.drawRoundedRect(QRectF(9.5, 11, 6, 4.5), 0.8, 0.8);
    });
}

QIcon SftpSite()
{
    return Draw([](QPainter& p) {
        FtpSiteShape(p);
        // A gold key in the lower right corner: its bow, then its blade and
        // bit, each outlined so that it shows on a selected row too.
        p.setPen(QPen(kInk, 1.0));
        p.setBrush(kAmber);
        p.drawEllipse(QRectF(6.5, 8.5, 5.5, 5.5));
        p.setBrush(kInk);
        p.drawEllipse(QPointF(9.25, 11.25), 0.8, 0.8);
        for (const auto& [pen, width] : {std::pair{kInk, 2.6}, std::pair{kAmber, 1.2}}) {
            p.setPen(QPen(pen, width, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(QPointF(11.8, 11.25), QPointF(15.6, 11.25));
            p.drawLine(QPointF(14.6, 11.25), QPointF(14.6, 14.8));
        }
    });
}

QIcon Internet()
{
    return Draw([](QPainter& p) {
        Sheet(p, QRectF(1.5, 1.5, 9, 12));
        p.setPen(QPen(kInk, 1.0));
        p.setBrush(QColor(80, 160, 220));
        const QRectF globe(6.5, 5.5, 9, 9);
        p.drawEllipse(globe);
        p.setBrush(kGreen);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(8.0, 7.0, 3.5, 3.0));
        p.drawEllipse(QRectF(11.0, 10.5, 3.0, 2.5));
        p.setPen(QPen(QColor(230, 240, 250), 0.6));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(9.0, 5.5, 4, 9));
        p.drawLine(QPointF(6.5, 10), QPointF(15.5, 10));
    });
}

} // namespace VamloIcons
