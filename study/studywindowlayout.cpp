#include "study/studywindowlayout.h"

namespace StudyWindowLayout {

const DesignTable& table()
{
    static const DesignTable design{
        {QStringLiteral("banner"), {0, 0, 12735, 855}},
        {QStringLiteral("readLessonButton"), {120, 60, 615, 765}},
        {QStringLiteral("stopReadingButton"), {900, 60, 615, 765}},
        {QStringLiteral("dictationButton"), {1680, 60, 615, 765}},
        {QStringLiteral("helpButton"), {3480, 60, 615, 765}},
        {QStringLiteral("homeButton"), {4260, 60, 615, 765}},
        {QStringLiteral("toolbarSeparator"), {2370, 60, 255, 675}},
        {QStringLiteral("lessonTreeFrame"), {60, 900, 2955, 4275}},
        {QStringLiteral("lessonTreeBar"), {90, 930, 2910, 315}},
        {QStringLiteral("lessonTree"), {120, 1260, 2835, 3875}},
        {QStringLiteral("newWordsFrame"), {60, 5220, 2955, 3435}},
        {QStringLiteral("newWordsBar"), {90, 5250, 2910, 315}},
        {QStringLiteral("newWords"), {120, 5580, 2835, 3045}},
        {QStringLiteral("lessonTextFrame"), {3060, 900, 9615, 4935}},
        {QStringLiteral("lessonTextBar"), {3090, 930, 9555, 315}},
        {QStringLiteral("lessonTextBack"), {3060, 1200, 9615, 4575}},
        {QStringLiteral("lessonText"), {3120, 1260, 9495, 4485}},
        {QStringLiteral("sentenceFrame"), {3060, 5880, 9615, 1575}},
        {QStringLiteral("sentenceBar"), {3090, 5910, 9555, 400}},
        {QStringLiteral("sentenceBack"), {3060, 6285, 9615, 1155}},
        {QStringLiteral("currentSentence"), {3120, 6420, 9495, 975}},
        {QStringLiteral("translationFrame"), {3060, 7500, 9615, 1155}},
        {QStringLiteral("translationBar"), {3090, 7530, 9555, 400}},
        {QStringLiteral("translationBack"), {3060, 7935, 9615, 720}},
        {QStringLiteral("translationLine"), {3120, 7980, 8535, 600}},
        {QStringLiteral("translationToggleBack"), {11700, 7980, 855, 555}},
        {QStringLiteral("creditLine"), {120, 8730, 3150, 180}},
        {QStringLiteral("wordPopup"), {0, 0, 2355, 975}},
    };
    return design;
}

Twips resizedRect(const QString& name, int W, int H)
{
    Twips r = designRect(name);
    // The right-hand panels end 60 twips inside the client area, as the left ones begin; the
    // translation panel ends 315 twips above its bottom, leaving the credit line its strip.
    // The sentence and translation panels keep their heights, 45 twips apart, and the lesson
    // text panel takes the height that is left. Inside a panel, its heading bar is inset 30
    // twips and its text 60.
    const int panelRight = W - frameWidth - 60;
    const int panelBottom = H - frameHeight - 315;
    const int translationTop = panelBottom - 1155;
    const int sentenceTop = translationTop - 45 - 1575;
    const int lessonTextHeight = sentenceTop - 45 - 900;
    const int toggleLeft = panelRight - 975;
    if (name == QLatin1String("banner")) {
        r.width = W;
    } else if (name == QLatin1String("lessonTextFrame") ||
               name == QLatin1String("lessonTextBack")) {
        r.width = panelRight - r.left;
        r.height = lessonTextHeight;
    } else if (name == QLatin1String("translationFrame")) {
        r.width = panelRight - r.left;
        r.top = translationTop;
    } else if (name == QLatin1String("sentenceFrame")) {
        r.width = panelRight - r.left;
        r.top = sentenceTop;
    } else if (name == QLatin1String("sentenceBack")) {
        r.width = panelRight - r.left;
        r.top = sentenceTop + 400;
    } else if (name == QLatin1String("translationBack")) {
        r.width = panelRight - r.left;
        r.top = translationTop + 400;
    } else if (name == QLatin1String("lessonTextBar")) {
        r.width = panelRight - 30 - r.left;
    } else if (name == QLatin1String("translationBar")) {
        r.width = panelRight - 30 - r.left;
        r.top = translationTop + 30;
    } else if (name == QLatin1String("sentenceBar")) {
        r.width = panelRight - 30 - r.left;
        r.top = sentenceTop + 30;
    } else if (name == QLatin1String("lessonText")) {
        r.width = panelRight - 60 - r.left;
        r.height = lessonTextHeight - 450;
    } else if (name == QLatin1String("currentSentence")) {
        r.width = panelRight - 60 - r.left;
        r.top = sentenceTop + 540;
    } else if (name == QLatin1String("translationLine")) {
        r.width = toggleLeft - 45 - r.left;
        r.top = translationTop + 480;
    } else if (name == QLatin1String("translationToggleBack")) {
        r.left = toggleLeft;
        r.top = translationTop + 480;
    } else if (name == QLatin1String("newWordsFrame")) {
        // The left column ends where the translation panel does.
        r.height = panelBottom - r.top;
    } else if (name == QLatin1String("newWords")) {
        r.height = panelBottom - 35 - r.top;
    } else if (name == QLatin1String("creditLine")) {
        r.top = H - frameHeight - 240;
    }
    return r;
}

} // namespace StudyWindowLayout
