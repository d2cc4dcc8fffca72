#pragma once

#include "widgets/designgeometry.h"

#include <QString>

// The dictation window's design geometry, in twips (15 twips to a device-independent pixel).
// The window has a fixed size: every control stays at its design rectangle.
namespace DictationWindowLayout {

using Twips = TwipsRect;
using DesignGeometry::toPixels;
using DesignGeometry::twipsPerPixel;

inline constexpr int clientWidth = 10860;
inline constexpr int clientHeight = 7545;

// Design rectangle of the control with this object name, relative to the client area; an
// empty rectangle for names that are not in the table.
Twips designRect(const QString& objectName);
bool hasDesignRect(const QString& objectName);

} // namespace DictationWindowLayout
