#include "Pictures.h"

#include <QPainter>
#include <QPainterPath>

namespace ardent {

namespace {

void DrawUsb(QPainter& p, bool connected) {
    const QColor colour = connected ? QColor(0, 140, 60) : QColor(150, 150, 150);
    p.setPen(QPen(colour, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(8, 2.5), QPointF(8, 13));
    p.drawLine(QPointF(8, 10), QPointF(4, 7));
    p.drawLine(QPointF(8, 8), QPointF(12, 5.5));
    p.setBrush(colour);
    p.drawEllipse(QPointF(8, 13.5), 1.6, 1.6);
    p.drawEllipse(QPointF(4, 6.5), 1.2, 1.2);
    p.drawRect(QRectF(11, 4, 2, 2));
    p.drawPolygon(QPolygonF({QPointF(8, 1), QPointF(6.5, 3.5), QPointF(9.5, 3.5)}));
    if (!connected) {
        p.setPen(QPen(QColor(200, 30, 30), 1.8));
        p.drawLine(QPointF(2, 14), QPointF(14, 2));
    }
}

void DrawSdCard(QPainter& p, bool present) {
    const QColor colour = present ? QColor(30, 90, 200) : QColor(170, 170, 170);
    QPainterPath card;
    card.moveTo(4, 1.5);
    card.lineTo(12.5, 1.5);
    card.lineTo(12.5, 14.5);
    card.lineTo(3.5, 14.5);
    card.lineTo(3.5, 4.5);
    card.closeSubpath();
    p.setPen(QPen(colour.darker(130), 1));
    p.setBrush(present ? colour : QColor(235, 235, 235));
    p.drawPath(card);
    p.setPen(QPen(present ? QColor(250, 210, 60) : QColor(200, 200, 200), 1));
    for (int i = 0; i < 4; ++i) {
        p.drawLine(QPointF(6 + 1.8 * i, 2.5), QPointF(6 + 1.8 * i, 5));
    }
    if (!present) {
        p.setPen(QPen(QColor(200, 30, 30), 1.8));
        p.drawLine(QPointF(2, 14), QPointF(14, 2));
    }
}

} // namespace

QPixmap DrawPicture(TPicture picture, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    switch (picture) {
    case TPicture::Exit:
        p.setPen(QPen(QColor(190, 40, 40), 1.6));
        p.drawRect(QRectF(2.5, 2.5, 7, 11));
        p.drawLine(QPointF(7, 8), QPointF(14, 8));
        p.drawLine(QPointF(11.5, 5.5), QPointF(14, 8));
        p.drawLine(QPointF(11.5, 10.5), QPointF(14, 8));
        break;
    case TPicture::Open:
        p.setPen(QPen(QColor(150, 110, 20), 1));
        p.setBrush(QColor(240, 200, 80));
        p.drawPolygon(QPolygonF({QPointF(1.5, 4), QPointF(6, 4), QPointF(7.5, 5.5),
                                 QPointF(14.5, 5.5), QPointF(14.5, 13.5), QPointF(1.5, 13.5)}));
        break;
    case TPicture::Save:
        p.setPen(QPen(QColor(30, 60, 120), 1));
        p.setBrush(QColor(70, 110, 190));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(QColor(240, 240, 240));
        p.drawRect(QRectF(4, 2, 8, 5));
        p.drawRect(QRectF(4.5, 9.5, 7, 5));
        break;
    case TPicture::Operator:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 120, 180));
        p.drawEllipse(QPointF(8, 5), 3, 3);
        p.drawPie(QRectF(2.5, 9, 11, 10), 0, 180 * 16);
        break;
    case TPicture::Expert:
        p.setPen(QPen(QColor(90, 90, 90), 2));
        p.drawLine(QPointF(3, 13), QPointF(10, 6));
        p.setBrush(QColor(90, 90, 90));
        p.drawEllipse(QPointF(11.5, 4.5), 2.5, 2.5);
        p.setBrush(Qt::white);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(12.5, 3.5), 1.2, 1.2);
        break;
    case TPicture::UsbConnected:
    case TPicture::UsbNotConnected:
        DrawUsb(p, picture == TPicture::UsbConnected);
        break;
    case TPicture::SdCard:
    case TPicture::NoSdCard:
        DrawSdCard(p, picture == TPicture::SdCard);
        break;
    }
    return pixmap;
}

QIcon PictureIcon(TPicture picture) {
    QIcon icon;
    icon.addPixmap(DrawPicture(picture, 16));
    icon.addPixmap(DrawPicture(picture, 32));
    return icon;
}

} // namespace ardent
