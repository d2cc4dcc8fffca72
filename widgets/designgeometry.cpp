#include "widgets/designgeometry.h"

#include <QStringList>
#include <QWidget>
#include <cmath>

QWidget* DesignTable::place(QWidget* widget, const QString& objectName) const
{
    widget->setObjectName(objectName);
    widget->setGeometry(DesignGeometry::toPixels(rect(objectName)));
    return widget;
}

namespace DesignGeometry {

int toPixels(int twips)
{
    return int(std::lround(double(twips) / twipsPerPixel));
}

QRect toPixels(const TwipsRect& rect)
{
    return {toPixels(rect.left), toPixels(rect.top), toPixels(rect.width), toPixels(rect.height)};
}

int toTwips(int pixels)
{
    return pixels * twipsPerPixel;
}

QFont chineseFont(double pointSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans CJK"),
                      QStringLiteral("WenQuanYi Micro Hei")});
    font.setPointSizeF(pointSize);
    return font;
}

QFont arialFont(double pointSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPointSizeF(pointSize);
    return font;
}

} // namespace DesignGeometry
