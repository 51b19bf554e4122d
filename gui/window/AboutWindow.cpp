#include "AboutWindow.h"

#include "utils/VersionText.h"

#include <QKeyEvent>
#include <QPainter>

namespace ardent {

QPixmap AboutPicture(const QSize& size) {
    QPixmap picture(size);
    picture.fill(QColor(24, 38, 58));
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const int w = size.width();
    // A programmer board with four sockets.
    p.setPen(QPen(QColor(120, 200, 140), 2));
    p.setBrush(QColor(30, 90, 60));
    p.drawRoundedRect(QRect(40, 70, w - 80, 150), 10, 10);
    for (int i = 0; i < 4; ++i) {
        const QRect socket(62 + i * ((w - 124) / 4), 150, (w - 124) / 4 - 14, 50);
        p.setBrush(QColor(20, 20, 20));
        p.drawRect(socket);
        p.setPen(QColor(230, 230, 230));
        p.drawText(socket, Qt::AlignCenter, QStringLiteral("CH%1").arg(i + 1));
        p.setPen(QPen(QColor(120, 200, 140), 2));
    }
    p.setBrush(QColor(250, 190, 40));
    p.drawEllipse(QPoint(70, 100), 8, 8);
    QFont title = p.font();
    title.setPointSize(26);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(250, 250, 250));
    p.drawText(QRect(0, 250, w, 50), Qt::AlignCenter, QStringLiteral("Ardent"));
    QFont text = p.font();
    text.setPointSize(11);
    text.setBold(false);
    p.setFont(text);
    p.drawText(QRect(0, 300, w, 30), Qt::AlignCenter,
               QStringLiteral("OTP programmer for SMPS controllers"));
    p.drawText(QRect(0, 330, w, 30), Qt::AlignCenter,
               QStringLiteral("Version ") + QString::fromStdString(GetProgramVersion()));
    p.setPen(QColor(150, 160, 180));
    p.drawText(QRect(0, size.height() - 40, w, 30), Qt::AlignCenter,
               QStringLiteral("Click or press Esc to close"));
    return picture;
}

TAboutWindow::TAboutWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setFixedSize(350, 442);
    aboutPicture = new QLabel(this);
    aboutPicture->setGeometry(0, 0, 350, 442);
    aboutPicture->setAlignment(Qt::AlignCenter);
    aboutPicture->setPixmap(AboutPicture(size()));
}

void TAboutWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
    }
    QWidget::keyPressEvent(event);
}

void TAboutWindow::mousePressEvent(QMouseEvent*) {
    close();
}

} // namespace ardent
