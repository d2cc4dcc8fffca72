#include "widgets/facebutton.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

FaceButton::FaceButton(int index, const QString& name, const QString& caption, QPixmap normalFace,
                       QPixmap pressedFace, QWidget* parent)
    : QWidget(parent), m_index(index), m_caption(new QLabel(caption, this)),
      m_normalFace(std::move(normalFace)), m_pressedFace(std::move(pressedFace))
{
    setObjectName(name + QStringLiteral("Button"));
    m_caption->setObjectName(name + QStringLiteral("Caption"));
    m_caption->setAlignment(Qt::AlignCenter);
    // The caption lets mouse input through to the button, which owns the press protocol.
    m_caption->setAttribute(Qt::WA_TransparentForMouseEvents);
    setCursor(Qt::PointingHandCursor);
}

QString FaceButton::caption() const
{
    return m_caption->text();
}

void FaceButton::setCaption(const QString& caption)
{
    m_caption->setText(caption);
}

void FaceButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPixmap& face = m_pressed ? m_pressedFace : m_normalFace;
    painter.drawPixmap(rect(), face);
    if (!isEnabled()) {
        painter.fillRect(rect(), QColor(255, 255, 255, 90));
    }
}

void FaceButton::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    // A second button pressed while the first is held changes nothing.
    if (m_pressed) {
        return;
    }
    m_pressed = true;
    m_caption->move(m_caption->pos() + QPoint(1, 1));
    update();
    emit pressed(m_index);
}

void FaceButton::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (!m_pressed) {
        return;
    }
    m_pressed = false;
    m_caption->move(m_caption->pos() - QPoint(1, 1));
    update();
    emit released(m_index);
}

void FaceButton::resizeEvent(QResizeEvent*)
{
    m_caption->setGeometry(rect().adjusted(2, 2, -2, -2));
}
