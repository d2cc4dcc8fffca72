#pragma once

#include <QRect>
#include <QString>

// The dictation window's design geometry, in twips (15 twips to a device-independent pixel).
// The window has a fixed size: every control stays at its design rectangle.
namespace Form2Layout {

inline constexpr int twipsPerPixel = 15;
inline constexpr int clientWidth = 10860;
inline constexpr int clientHeight = 7545;

struct Twips
{
    int left;
    int top;
    int width;
    int height;
};

// Design rectangle of the control with this object name, relative to the client area; an
// empty rectangle for names that are not in the table.
Twips designRect(const QString& objectName);
bool hasDesignRect(const QString& objectName);

QRect toPixels(const Twips& rect);
int toPixels(int twips);

} // namespace Form2Layout
