#pragma once

#include "widgets/commonartwork.h"

#include <QIcon>
#include <QPixmap>
#include <QSize>

// The program's pictures, drawn in code so they stay crisp at any display scale.
namespace Artwork {

enum class ToolIcon { Read, Stop, Dictation, Help, Home };

QPixmap toolIcon(ToolIcon icon, const QSize& size, qreal devicePixelRatio, bool enabled = true);
// The pictures both windows share.
using CommonArtwork::bookIcon;
using CommonArtwork::headingBarStyle;
using CommonArtwork::lessonIcon;
using CommonArtwork::togglePicture;
using CommonArtwork::windowIcon;
// The two faces of the label buttons: normal and pressed.
QPixmap buttonFace(const QSize& size, qreal devicePixelRatio, bool pressed);

} // namespace Artwork
