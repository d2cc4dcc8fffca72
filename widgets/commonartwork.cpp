#include "widgets/commonartwork.h"

#include <QLinearGradient>
#include <QPainter>

namespace CommonArtwork {

namespace {

const QColor teal(0, 128, 128);
const QColor deepBlue(38, 86, 150);

QPixmap blank(const QSize& size, qreal ratio)
{
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

template <typename Draw> QIcon drawnIcon(std::initializer_list<int> sizes, Draw draw)
{
    QIcon icon;
    for (const int size : sizes) {
        for (const qreal ratio : {1.0, 2.0}) {
            QPixmap pixmap = blank(QSize(size, size), ratio);
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            draw(painter, qreal(size));
            painter.end();
            icon.addPixmap(pixmap);
        }
    }
    return icon;
}

} // namespace

QIcon windowIcon()
{
    return drawnIcon({16, 32, 48, 64}, [](QPainter& p, qreal s) {
        p.setPen(Qt::NoPen);
        p.setBrush(teal);
        p.drawRoundedRect(QRectF(0.04 * s, 0.04 * s, 0.92 * s, 0.92 * s), 0.2 * s, 0.2 * s);
        QFont font(QStringLiteral("Liberation Serif"));
        font.setBold(true);
        font.setPixelSize(qMax(1, int(0.62 * s)));
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(0, -0.04 * s, s, s), Qt::AlignCenter, QStringLiteral("O"));
    });
}

QIcon bookIcon()
{
    return drawnIcon({16}, [](QPainter& p, qreal s) {
        p.setPen(QPen(deepBlue, 1));
        p.setBrush(QColor(70, 130, 200));
        p.drawRoundedRect(QRectF(0.15 * s, 0.1 * s, 0.7 * s, 0.8 * s), 1.5, 1.5);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(0.3 * s, 0.25 * s, 0.42 * s, 0.12 * s));
    });
}

QIcon lessonIcon()
{
    return drawnIcon({16}, [](QPainter& p, qreal s) {
        p.setPen(QPen(QColor(120, 120, 120), 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(0.2 * s, 0.1 * s, 0.6 * s, 0.8 * s));
        p.setPen(QPen(teal, 1));
        for (const qreal y : {0.32, 0.5, 0.68}) {
            p.drawLine(QPointF(0.32 * s, y * s), QPointF(0.68 * s, y * s));
        }
    });
}

QPixmap togglePicture(const QSize& size, qreal ratio)
{
    QPixmap pixmap = blank(size, ratio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, QColor(255, 255, 255));
    fill.setColorAt(1, QColor(206, 222, 243));
    p.setPen(QPen(QColor(122, 152, 196), 1));
    p.setBrush(fill);
    p.drawRoundedRect(r, 4, 4);
    return pixmap;
}

QString headingBarStyle()
{
    return QStringLiteral("background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
                          "stop:0 #f4f8fd, stop:0.5 #dbe7f6, stop:1 #c6d8ef);"
                          "border: none;");
}

} // namespace CommonArtwork
