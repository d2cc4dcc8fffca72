#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

// The pictures both windows show, drawn in code so they stay crisp at any display scale.
namespace CommonArtwork {

// The window's icon, also shown on the banner.
QIcon windowIcon();
QIcon bookIcon();
QIcon lessonIcon();
// The picture behind the translation toggle.
QPixmap togglePicture(const QSize& size, qreal devicePixelRatio);
// Style sheet of a panel heading bar.
QString headingBarStyle();

} // namespace CommonArtwork
