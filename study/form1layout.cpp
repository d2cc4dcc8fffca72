#include "form1layout.h"

#include <QHash>

namespace Form1Layout {

namespace {

const QHash<QString, Twips>& designTable()
{
    static const QHash<QString, Twips> table{
        {QStringLiteral("Label1"), {0, 0, 12735, 855}},
        {QStringLiteral("Picture7_1"), {120, 60, 615, 765}},
        {QStringLiteral("Picture7_2"), {900, 60, 615, 765}},
        {QStringLiteral("Picture7_3"), {1680, 60, 615, 765}},
        {QStringLiteral("Picture7_4"), {3480, 60, 615, 765}},
        {QStringLiteral("Picture7_5"), {4260, 60, 615, 765}},
        {QStringLiteral("Picture9"), {2370, 60, 255, 675}},
        {QStringLiteral("Shape1"), {60, 900, 2955, 4275}},
        {QStringLiteral("Picture1_0"), {90, 930, 2910, 315}},
        {QStringLiteral("T1"), {120, 1260, 2835, 3875}},
        {QStringLiteral("Shape4"), {60, 5220, 2955, 3435}},
        {QStringLiteral("Picture1_2"), {90, 5250, 2910, 315}},
        {QStringLiteral("r3"), {120, 5580, 2835, 3045}},
        {QStringLiteral("Shape2"), {3060, 900, 9615, 4935}},
        {QStringLiteral("Picture1_1"), {3090, 930, 9555, 315}},
        {QStringLiteral("Label7"), {3060, 1200, 9615, 4575}},
        {QStringLiteral("r1"), {3120, 1260, 9495, 4485}},
        {QStringLiteral("Shape5"), {3060, 5880, 9615, 1575}},
        {QStringLiteral("Picture3"), {3090, 5910, 9555, 400}},
        {QStringLiteral("Label3"), {3060, 6285, 9615, 1155}},
        {QStringLiteral("r2"), {3120, 6420, 9495, 975}},
        {QStringLiteral("Shape3"), {3060, 7500, 9615, 1155}},
        {QStringLiteral("Picture2"), {3090, 7530, 9555, 400}},
        {QStringLiteral("Label2"), {3060, 7935, 9615, 720}},
        {QStringLiteral("Label8"), {3120, 7980, 8535, 600}},
        {QStringLiteral("Picture10"), {11700, 7980, 855, 555}},
        {QStringLiteral("Label4_5"), {120, 8730, 3150, 180}},
        {QStringLiteral("Picture8"), {0, 0, 2355, 975}},
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

Twips resizedRect(const QString& name, int W, int H)
{
    Twips r = designRect(name);
    const int shape2Width = W - 3225;
    const int shape3Top = H - 2280;
    const int shape5Top = H - 3900;
    // Each rule keeps a panel at a fixed distance from the right or bottom edge; the lower
    // right panels keep their heights and move with the bottom edge.
    if (name == QLatin1String("Label1")) {
        r.width = W;
    } else if (name == QLatin1String("Shape2") || name == QLatin1String("Label7")) {
        r.width = shape2Width;
        r.height = H - 4845;
    } else if (name == QLatin1String("Shape3")) {
        r.width = shape2Width;
        r.top = shape3Top;
    } else if (name == QLatin1String("Shape5")) {
        r.width = shape2Width;
        r.top = shape5Top;
    } else if (name == QLatin1String("Label3")) {
        r.width = shape2Width;
        r.top = shape5Top + 400;
    } else if (name == QLatin1String("Label2")) {
        r.width = shape2Width;
        r.top = shape3Top + 400;
    } else if (name == QLatin1String("Picture1_1")) {
        r.width = W - 3285;
    } else if (name == QLatin1String("Picture2")) {
        r.width = W - 3285;
        r.top = H - 2250;
    } else if (name == QLatin1String("Picture3")) {
        r.width = W - 3285;
        r.top = H - 3870;
    } else if (name == QLatin1String("r1")) {
        r.width = W - 3345;
        r.height = H - 5295;
    } else if (name == QLatin1String("r2")) {
        r.width = W - 3345;
        r.top = H - 3360;
    } else if (name == QLatin1String("Label8")) {
        r.width = W - 4305;
        r.top = H - 1800;
    } else if (name == QLatin1String("Picture10")) {
        r.left = W - 1140;
        r.top = H - 1800;
    } else if (name == QLatin1String("Shape4")) {
        r.height = H - 6345;
    } else if (name == QLatin1String("r3")) {
        r.height = H - 6740;
    } else if (name == QLatin1String("Label4_5")) {
        r.top = H - 1050;
    }
    return r;
}

} // namespace Form1Layout
