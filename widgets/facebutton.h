#pragma once

#include <QPixmap>
#include <QWidget>

class QLabel;

// A caption on a picture face: the label buttons of both windows. Any mouse button presses
// it (pressed face) and its release, wherever the pointer then is, restores the normal face
// and emits released(). A disabled button greys its caption and takes no mouse input.
class FaceButton : public QWidget
{
    Q_OBJECT
public:
    // `name` names the button ("<name>Button") and its caption ("<name>Caption").
    FaceButton(int index, const QString& name, const QString& caption, QPixmap normalFace,
               QPixmap pressedFace, QWidget* parent = nullptr);

    int index() const { return m_index; }
    QString caption() const;
    void setCaption(const QString& caption);
    QLabel* captionLabel() const { return m_caption; }
    bool isPressed() const { return m_pressed; }

signals:
    void pressed(int index);
    void released(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int m_index;
    QLabel* m_caption;
    QPixmap m_normalFace;
    QPixmap m_pressedFace;
    bool m_pressed = false;
};
