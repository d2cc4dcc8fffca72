#include "form2layout.h"

#include <QHash>

namespace Form2Layout {

namespace {

const QHash<QString, Twips>& designTable()
{
    static const QHash<QString, Twips> table{
        {QStringLiteral("Label1"), {0, 0, 10935, 855}},
        {QStringLiteral("Image1"), {60, 180, 480, 480}},
        {QStringLiteral("Label4_3"), {660, 240, 2160, 195}},
        {QStringLiteral("Label4_5"), {660, 480, 1845, 225}},
        {QStringLiteral("Shape1"), {60, 900, 2595, 5895}},
        {QStringLiteral("Picture1_0"), {90, 930, 2550, 315}},
        {QStringLiteral("T1"), {120, 1260, 2475, 5490}},
        {QStringLiteral("Shape3"), {2700, 900, 8115, 1935}},
        {QStringLiteral("Label2"), {2700, 900, 8115, 1935}},
        {QStringLiteral("Picture2"), {2730, 930, 8055, 400}},
        {QStringLiteral("Label8"), {2760, 1380, 6975, 1305}},
        {QStringLiteral("Picture10"), {9840, 1680, 855, 555}},
        {QStringLiteral("Shape2"), {2700, 2880, 8115, 1935}},
        {QStringLiteral("Label3"), {2700, 2880, 8115, 1935}},
        {QStringLiteral("Picture3"), {2730, 2910, 8055, 400}},
        {QStringLiteral("r2"), {2760, 3300, 7995, 1455}},
        {QStringLiteral("Shape4"), {2700, 4860, 8115, 1935}},
        {QStringLiteral("inputBack"), {2700, 4860, 8115, 1935}},
        {QStringLiteral("Picture4_0"), {2730, 4890, 8055, 400}},
        {QStringLiteral("r1"), {2760, 5280, 7995, 1455}},
        {QStringLiteral("Picture4_6"), {4860, 6960, 1125, 315}},
        {QStringLiteral("Picture4_1"), {6060, 6960, 1125, 315}},
        {QStringLiteral("Picture4_2"), {7260, 6960, 1125, 315}},
        {QStringLiteral("Picture4_3"), {8460, 6960, 1125, 315}},
        {QStringLiteral("Picture4_4"), {9660, 6960, 1125, 315}},
    };
    return table;
}

} // namespace

Twips designRect(const QString& objectName)
{
    return designTable().value(objectName, Twips{0, 0, 0, 0});
}

bool hasDesignRect(const QString& objectName)
{
    return designTable().contains(objectName);
}

} // namespace Form2Layout
