#pragma once

#include <QFont>
#include <QRect>

// Design rectangles are in twips, 15 to a device-independent pixel; both windows are laid out
// from tables of them.
struct TwipsRect
{
    int left;
    int top;
    int width;
    int height;
};

namespace DesignGeometry {

inline constexpr int twipsPerPixel = 15;

int toPixels(int twips);
QRect toPixels(const TwipsRect& rect);
int toTwips(int pixels);

// Chinese captions need a Simplified Chinese face, or the Japanese variant of the shared
// glyphs is picked.
QFont chineseFont(double pointSize);
// "Arial" is only a fontconfig alias here, which a family list skips: its metric twin is
// named too, or the Chinese face would draw the English text.
QFont arialFont(double pointSize);

} // namespace DesignGeometry
