// Draws the built-in panel picture with QPainter.
#include "BuiltInPicture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

namespace {

// An access point: a rounded box with two antennas and arcs of radio waves above it.
void DrawAccessPoint(QPainter& painter, const QPointF& centre, qreal width) {
    const QColor light(235, 242, 255);
    const qreal height = width * 0.32;
    QRectF box(centre.x() - width / 2, centre.y() - height / 2, width, height);
    painter.setPen(QPen(light, 1.5));
    painter.setBrush(QColor(255, 255, 255, 40));
    painter.drawRoundedRect(box, height * 0.25, height * 0.25);

    painter.setBrush(QColor(120, 255, 140));
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        QPointF led(box.left() + width * (0.2 + 0.12 * i), centre.y());
        painter.drawEllipse(led, width * 0.03, width * 0.03);
    }

    painter.setPen(QPen(light, 2.0, Qt::SolidLine, Qt::RoundCap));
    const qreal antennaHeight = width * 0.45;
    for (qreal x : {box.left() + width * 0.15, box.right() - width * 0.15}) {
        painter.drawLine(QPointF(x, box.top()), QPointF(x, box.top() - antennaHeight));
    }

    const QPointF waveCentre(centre.x(), box.top() - antennaHeight * 0.6);
    for (int i = 1; i <= 3; ++i) {
        qreal radius = width * 0.16 * i;
        QRectF arc(waveCentre.x() - radius, waveCentre.y() - radius, radius * 2, radius * 2);
        painter.setPen(QPen(QColor(235, 242, 255, 255 - 60 * i), 2.0, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(arc, 50 * 16, 80 * 16);
    }
}

}  // namespace

QImage DrawBuiltInPicture(const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0.0, QColor(18, 52, 120));
    sky.setColorAt(0.6, QColor(40, 104, 180));
    sky.setColorAt(1.0, QColor(120, 180, 225));
    painter.fillRect(image.rect(), sky);

    // A faint band of light across the lower part.
    QPainterPath band;
    band.moveTo(0, size.height() * 0.72);
    band.cubicTo(size.width() * 0.4, size.height() * 0.62, size.width() * 0.7, size.height() * 0.8,
                 size.width(), size.height() * 0.7);
    band.lineTo(size.width(), size.height());
    band.lineTo(0, size.height());
    band.closeSubpath();
    painter.fillPath(band, QColor(255, 255, 255, 35));

    DrawAccessPoint(painter, QPointF(size.width() / 2.0, size.height() * 0.45), size.width() * 0.7);
    return image;
}
