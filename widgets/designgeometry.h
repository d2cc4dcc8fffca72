#pragma once

#include <QFont>
#include <QHash>
#include <QRect>
#include <QString>

class QWidget;

// Design rectangles are in twips, 15 to a device-independent pixel; both windows are laid out
// from tables of them.
struct TwipsRect
{
    int left;
    int top;
    int width;
    int height;
};

// A window's design table: each control's rectangle by its object name.
class DesignTable
{
public:
    DesignTable(std::initializer_list<std::pair<QString, TwipsRect>> rects) : m_rects(rects) {}

    // An empty rectangle for names that are not in the table.
    TwipsRect rect(const QString& objectName) const
    {
        return m_rects.value(objectName, TwipsRect{0, 0, 0, 0});
    }
    bool contains(const QString& objectName) const { return m_rects.contains(objectName); }
    // Names the widget and puts it at its design rectangle.
    QWidget* place(QWidget* widget, const QString& objectName) const;

private:
    QHash<QString, TwipsRect> m_rects;
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
