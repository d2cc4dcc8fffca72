#include "study/studywindowlayout.h"

#include <QHash>

namespace StudyWindowLayout {

namespace {

const QHash<QString, Twips>& designTable()
{
    static const QHash<QString, Twips> table{
        {QStringLiteral("banner"), {0, 0, 12735, 855}},
        {QStringLiteral("toolbarButton_1"), {120, 60, 615, 765}},
        {QStringLiteral("toolbarButton_2"), {900, 60, 615, 765}},
        {QStringLiteral("toolbarButton_3"), {1680, 60, 615, 765}},
        {QStringLiteral("toolbarButton_4"), {3480, 60, 615, 765}},
        {QStringLiteral("toolbarButton_5"), {4260, 60, 615, 765}},
        {QStringLiteral("toolbarSeparator"), {2370, 60, 255, 675}},
        {QStringLiteral("frame1"), {60, 900, 2955, 4275}},
        {QStringLiteral("lessonTreeBar"), {90, 930, 2910, 315}},
        {QStringLiteral("lessonTree"), {120, 1260, 2835, 3875}},
        {QStringLiteral("frame4"), {60, 5220, 2955, 3435}},
        {QStringLiteral("newWordsBar"), {90, 5250, 2910, 315}},
        {QStringLiteral("newWords"), {120, 5580, 2835, 3045}},
        {QStringLiteral("frame2"), {3060, 900, 9615, 4935}},
        {QStringLiteral("lessonTextBar"), {3090, 930, 9555, 315}},
        {QStringLiteral("lessonTextBack"), {3060, 1200, 9615, 4575}},
        {QStringLiteral("lessonText"), {3120, 1260, 9495, 4485}},
        {QStringLiteral("frame5"), {3060, 5880, 9615, 1575}},
        {QStringLiteral("sentenceBar"), {3090, 5910, 9555, 400}},
        {QStringLiteral("sentenceBack"), {3060, 6285, 9615, 1155}},
        {QStringLiteral("currentSentence"), {3120, 6420, 9495, 975}},
        {QStringLiteral("frame3"), {3060, 7500, 9615, 1155}},
        {QStringLiteral("translationBar"), {3090, 7530, 9555, 400}},
        {QStringLiteral("translationBack"), {3060, 7935, 9615, 720}},
        {QStringLiteral("translationLine"), {3120, 7980, 8535, 600}},
        {QStringLiteral("translationToggleBack"), {11700, 7980, 855, 555}},
        {QStringLiteral("creditLine"), {120, 8730, 3150, 180}},
        {QStringLiteral("wordPopup"), {0, 0, 2355, 975}},
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
    if (name == QLatin1String("banner")) {
        r.width = W;
    } else if (name == QLatin1String("frame2") || name == QLatin1String("lessonTextBack")) {
        r.width = shape2Width;
        r.height = H - 4845;
    } else if (name == QLatin1String("frame3")) {
        r.width = shape2Width;
        r.top = shape3Top;
    } else if (name == QLatin1String("frame5")) {
        r.width = shape2Width;
        r.top = shape5Top;
    } else if (name == QLatin1String("sentenceBack")) {
        r.width = shape2Width;
        r.top = shape5Top + 400;
    } else if (name == QLatin1String("translationBack")) {
        r.width = shape2Width;
        r.top = shape3Top + 400;
    } else if (name == QLatin1String("lessonTextBar")) {
        r.width = W - 3285;
    } else if (name == QLatin1String("translationBar")) {
        r.width = W - 3285;
        r.top = H - 2250;
    } else if (name == QLatin1String("sentenceBar")) {
        r.width = W - 3285;
        r.top = H - 3870;
    } else if (name == QLatin1String("lessonText")) {
        r.width = W - 3345;
        r.height = H - 5295;
    } else if (name == QLatin1String("currentSentence")) {
        r.width = W - 3345;
        r.top = H - 3360;
    } else if (name == QLatin1String("translationLine")) {
        r.width = W - 4305;
        r.top = H - 1800;
    } else if (name == QLatin1String("translationToggleBack")) {
        r.left = W - 1140;
        r.top = H - 1800;
    } else if (name == QLatin1String("frame4")) {
        r.height = H - 6345;
    } else if (name == QLatin1String("newWords")) {
        r.height = H - 6740;
    } else if (name == QLatin1String("creditLine")) {
        r.top = H - 1050;
    }
    return r;
}

} // namespace StudyWindowLayout
