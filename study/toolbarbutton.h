#pragma once

#include "study/artwork.h"

#include <QFrame>

class QLabel;

// One toolbar button: a frame holding an icon and a caption.
// A press anywhere on it draws the frame's border (the pressed look) until the release; a
// release on the icon or the caption, with any mouse button, acts. The icon and the caption
// are enabled together.
class ToolbarButton : public QFrame
{
    Q_OBJECT
public:
    // `name` names the button ("<name>Button"), its icon and its caption likewise.
    ToolbarButton(int index, const QString& name, Artwork::ToolIcon icon, const QString& caption,
                  QWidget* parent = nullptr);

    int index() const { return m_index; }
    // Enables or disables the icon and the caption as a pair.
    void setActionEnabled(bool enabled);
    bool isActionEnabled() const;
    QLabel* icon() const { return m_icon; }
    QLabel* caption() const { return m_caption; }

signals:
    // The release on the icon (fromIcon true) or on the caption.
    void activated(int index, bool fromIcon);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setPressedLook(bool pressed);
    void updateIcon();

    int m_index;
    Artwork::ToolIcon m_iconKind;
    QLabel* m_icon;
    QLabel* m_caption;
};
