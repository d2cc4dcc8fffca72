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

// Each control's design rectangle, relative to the client area, by its object name.
const DesignTable& table();
inline Twips designRect(const QString& objectName)
{
    return table().rect(objectName);
}

} // namespace DictationWindowLayout
