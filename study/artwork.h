#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

// The program's pictures, drawn in code so they stay crisp at any display scale.
namespace Artwork {

enum class ToolIcon { Read, Stop, Dictation, Help, Home };

QPixmap toolIcon(ToolIcon icon, const QSize& size, qreal devicePixelRatio, bool enabled = true);
QIcon bookIcon();
QIcon lessonIcon();
QIcon windowIcon();
// The two faces of the label buttons: normal and pressed.
QPixmap buttonFace(const QSize& size, qreal devicePixelRatio, bool pressed);
// The picture behind the translation switch.
QPixmap togglePicture(const QSize& size, qreal devicePixelRatio);
// Style sheet of a panel heading bar.
QString headingBarStyle();

} // namespace Artwork
