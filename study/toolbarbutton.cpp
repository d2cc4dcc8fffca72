#include "study/toolbarbutton.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

ToolbarButton::ToolbarButton(int index, const QString& name, Artwork::ToolIcon icon,
                             const QString& caption, QWidget* parent)
    : QFrame(parent), m_index(index), m_iconKind(icon), m_icon(new QLabel(this)),
      m_caption(new QLabel(caption, this))
{
    setObjectName(name + QStringLiteral("Button"));
    m_icon->setObjectName(name + QStringLiteral("Icon"));
    m_caption->setObjectName(name + QStringLiteral("Caption"));
    m_icon->setAlignment(Qt::AlignCenter);
    m_caption->setAlignment(Qt::AlignCenter);
    m_icon->installEventFilter(this);
    m_caption->installEventFilter(this);
    setAutoFillBackground(true);
    setPressedLook(false);
    setCursor(Qt::PointingHandCursor);
    updateIcon();
}

void ToolbarButton::setActionEnabled(bool enabled)
{
    m_icon->setEnabled(enabled);
    m_caption->setEnabled(enabled);
    updateIcon();
}

bool ToolbarButton::isActionEnabled() const
{
    return m_icon->isEnabled() && m_caption->isEnabled();
}

void ToolbarButton::setPressedLook(bool pressed)
{
    setFrameShape(pressed ? QFrame::Box : QFrame::NoFrame);
    setFrameShadow(QFrame::Plain);
    setLineWidth(1);
}

void ToolbarButton::updateIcon()
{
    const QSize size(32, 32);
    m_icon->setPixmap(
        Artwork::toolIcon(m_iconKind, size, devicePixelRatioF(), m_icon->isEnabled()));
}

bool ToolbarButton::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_icon && watched != m_caption) {
        return false;
    }
    auto* child = static_cast<QWidget*>(watched);
    if (event->type() == QEvent::MouseButtonPress) {
        if (child->isEnabled()) {
            setPressedLook(true);
        }
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        setPressedLook(false);
        if (child->isEnabled()) {
            emit activated(m_index, watched == m_icon);
        }
        return true;
    }
    return false;
}

void ToolbarButton::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    setPressedLook(true);
}

void ToolbarButton::mouseReleaseEvent(QMouseEvent* event)
{
    // A release on the frame itself, off the icon and caption, only restores the look.
    event->accept();
    setPressedLook(false);
}

void ToolbarButton::resizeEvent(QResizeEvent*)
{
    const int w = width();
    m_icon->setGeometry(0, 4, w, 34);
    m_caption->setGeometry(0, 38, w, height() - 40);
}
