#include "study/artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace Artwork {

namespace {

QPixmap canvas(const QSize& size, qreal ratio)
{
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

const QColor ink(38, 86, 150);
const QColor accent(0, 150, 150);

void drawRead(QPainter& p, qreal s)
{
    // A speaker with two sound waves.
    QPainterPath body;
    body.moveTo(0.16 * s, 0.40 * s);
    body.lineTo(0.32 * s, 0.40 * s);
    body.lineTo(0.52 * s, 0.22 * s);
    body.lineTo(0.52 * s, 0.78 * s);
    body.lineTo(0.32 * s, 0.60 * s);
    body.lineTo(0.16 * s, 0.60 * s);
    body.closeSubpath();
    p.fillPath(body, ink);
    p.setPen(QPen(accent, 0.06 * s, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(0.42 * s, 0.32 * s, 0.30 * s, 0.36 * s), -50 * 16, 100 * 16);
    p.drawArc(QRectF(0.40 * s, 0.20 * s, 0.46 * s, 0.60 * s), -50 * 16, 100 * 16);
}

void drawStop(QPainter& p, qreal s)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 60, 50));
    p.drawRoundedRect(QRectF(0.24 * s, 0.24 * s, 0.52 * s, 0.52 * s), 0.08 * s, 0.08 * s);
}

void drawDictation(QPainter& p, qreal s)
{
    // A sheet with lines and a pencil across it.
    p.setPen(QPen(ink, 0.04 * s));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(0.18 * s, 0.14 * s, 0.50 * s, 0.70 * s));
    for (int i = 0; i < 4; ++i) {
        const qreal y = (0.30 + 0.13 * i) * s;
        p.drawLine(QPointF(0.26 * s, y), QPointF(0.60 * s, y));
    }
    p.save();
    p.translate(0.62 * s, 0.62 * s);
    p.rotate(-45);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 170, 40));
    p.drawRect(QRectF(-0.05 * s, -0.34 * s, 0.10 * s, 0.40 * s));
    p.setBrush(accent);
    QPainterPath tip;
    tip.moveTo(-0.05 * s, 0.06 * s);
    tip.lineTo(0.05 * s, 0.06 * s);
    tip.lineTo(0, 0.16 * s);
    tip.closeSubpath();
    p.drawPath(tip);
    p.restore();
}

void drawHelp(QPainter& p, qreal s)
{
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QRectF(0.16 * s, 0.16 * s, 0.68 * s, 0.68 * s));
    QFont font;
    font.setBold(true);
    font.setPixelSize(int(0.50 * s));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, s, s), Qt::AlignCenter, QStringLiteral("?"));
}

void drawHome(QPainter& p, qreal s)
{
    QPainterPath roof;
    roof.moveTo(0.12 * s, 0.50 * s);
    roof.lineTo(0.50 * s, 0.16 * s);
    roof.lineTo(0.88 * s, 0.50 * s);
    p.setPen(QPen(ink, 0.08 * s, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(roof);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRect(QRectF(0.24 * s, 0.50 * s, 0.52 * s, 0.34 * s));
    p.setBrush(QColor(240, 170, 40));
    p.drawRect(QRectF(0.44 * s, 0.62 * s, 0.13 * s, 0.22 * s));
}

} // namespace

QPixmap toolIcon(ToolIcon icon, const QSize& size, qreal ratio, bool enabled)
{
    QPixmap pixmap = canvas(size, ratio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = qMin(size.width(), size.height());
    p.translate((size.width() - s) / 2, (size.height() - s) / 2);
    switch (icon) {
    case ToolIcon::Read:
        drawRead(p, s);
        break;
    case ToolIcon::Stop:
        drawStop(p, s);
        break;
    case ToolIcon::Dictation:
        drawDictation(p, s);
        break;
    case ToolIcon::Help:
        drawHelp(p, s);
        break;
    case ToolIcon::Home:
        drawHome(p, s);
        break;
    }
    p.end();
    if (!enabled) {
        QImage grey = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < grey.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
            for (int x = 0; x < grey.width(); ++x) {
                const int g = 150 + qGray(line[x]) / 4;
                line[x] = qRgba(g, g, g, qAlpha(line[x]) / 2);
            }
        }
        pixmap = QPixmap::fromImage(grey);
        pixmap.setDevicePixelRatio(ratio);
    }
    return pixmap;
}

QPixmap buttonFace(const QSize& size, qreal ratio, bool pressed)
{
    QPixmap pixmap = canvas(size, ratio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    if (pressed) {
        fill.setColorAt(0, QColor(176, 200, 232));
        fill.setColorAt(1, QColor(214, 228, 247));
    } else {
        fill.setColorAt(0, QColor(255, 255, 255));
        fill.setColorAt(1, QColor(206, 222, 243));
    }
    p.setPen(QPen(pressed ? QColor(70, 110, 170) : QColor(122, 152, 196), 1));
    p.setBrush(fill);
    p.drawRoundedRect(r, 3, 3);
    return pixmap;
}

} // namespace Artwork
