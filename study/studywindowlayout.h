#pragma once

#include "widgets/designgeometry.h"

#include <QString>

// The study window's design geometry, in twips (15 twips to a device-independent pixel).
namespace StudyWindowLayout {

using Twips = TwipsRect;
using DesignGeometry::toPixels;
using DesignGeometry::toTwips;
using DesignGeometry::twipsPerPixel;

// The client size at which every control stands at its design rectangle, and the frame and
// caption that the outer size adds to it: the resize rules are written for the outer size.
inline constexpr int designClientWidth = 12735;
inline constexpr int designClientHeight = 8970;
inline constexpr int frameWidth = 12840 - designClientWidth;
inline constexpr int frameHeight = 9780 - designClientHeight;
inline constexpr int minimumOuterWidth = 7500;
inline constexpr int minimumOuterHeight = 7400;

// Each control's design rectangle by its object name.
const DesignTable& table();
// Design rectangle of the control with this object name; an empty rectangle for names that
// are not in the table.
inline Twips designRect(const QString& objectName)
{
    return table().rect(objectName);
}

// The rectangle of each control the resize rules move or stretch, for an outer window size of
// W x H twips; controls the rules leave alone keep their design rectangle.
Twips resizedRect(const QString& objectName, int W, int H);

} // namespace StudyWindowLayout
