#include "dictation/dictationwindowlayout.h"

namespace DictationWindowLayout {

const DesignTable& table()
{
    static const DesignTable design{
        {QStringLiteral("banner"), {0, 0, 10935, 855}},
        {QStringLiteral("bannerIcon"), {60, 180, 480, 480}},
        {QStringLiteral("lessonTitle"), {660, 240, 2160, 195}},
        {QStringLiteral("creditLine"), {660, 480, 1845, 225}},
        {QStringLiteral("lessonTreeFrame"), {60, 900, 2595, 5895}},
        {QStringLiteral("lessonTreeBar"), {90, 930, 2550, 315}},
        {QStringLiteral("lessonTree"), {120, 1260, 2475, 5490}},
        {QStringLiteral("translationFrame"), {2700, 900, 8115, 1935}},
        {QStringLiteral("translationBack"), {2700, 900, 8115, 1935}},
        {QStringLiteral("translationBar"), {2730, 930, 8055, 400}},
        {QStringLiteral("translationLine"), {2760, 1380, 6975, 1305}},
        {QStringLiteral("translationToggleBack"), {9840, 1680, 855, 555}},
        {QStringLiteral("answerFrame"), {2700, 2880, 8115, 1935}},
        {QStringLiteral("answerBack"), {2700, 2880, 8115, 1935}},
        {QStringLiteral("answerBar"), {2730, 2910, 8055, 400}},
        {QStringLiteral("answerBox"), {2760, 3300, 7995, 1455}},
        {QStringLiteral("inputFrame"), {2700, 4860, 8115, 1935}},
        {QStringLiteral("inputBack"), {2700, 4860, 8115, 1935}},
        {QStringLiteral("inputBar"), {2730, 4890, 8055, 400}},
        {QStringLiteral("inputBox"), {2760, 5280, 7995, 1455}},
        // Not a described control: a strip under the buttons, across the window, which grows
        // by the marking's height while it shows; it starts as a line.
        {QStringLiteral("answerMarking"), {60, 7335, 10740, 150}},
        {QStringLiteral("previousButton"), {4860, 6960, 1125, 315}},
        {QStringLiteral("nextButton"), {6060, 6960, 1125, 315}},
        {QStringLiteral("replayButton"), {7260, 6960, 1125, 315}},
        {QStringLiteral("answerButton"), {8460, 6960, 1125, 315}},
        {QStringLiteral("quitButton"), {9660, 6960, 1125, 315}},
    };
    return design;
}

} // namespace DictationWindowLayout
