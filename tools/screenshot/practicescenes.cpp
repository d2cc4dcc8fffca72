#include "tools/screenshot/practicescenes.h"

#include "study/studywindow.h"
#include "tools/screenshot/dictationscenes.h"
#include "widgets/lessontree.h"

#include <QAction>
#include <QLabel>
#include <QTest>

namespace {

void trigger(StudyWindow& window, const QString& name)
{
    if (auto* action = window.findChild<QAction*>(name)) {
        action->trigger();
    }
}

bool waitForStatus(StudyWindow& window, const QString& part)
{
    auto* status = window.findChild<QLabel*>(QStringLiteral("sentenceStatus"));
    for (int i = 0; i < 300 && status; ++i) {
        if (status->text().contains(part)) {
            return true;
        }
        QTest::qWait(10);
    }
    qWarning("the sentence bar never said %s", qPrintable(part));
    return false;
}

} // namespace

bool savePracticeScenes(StudyWindow& window, const QString& folder)
{
    // A click on a book closes the open lesson: the first screen comes back.
    window.practice().setLastPlace({1, 1, 2});
    auto* tree = window.findChild<LessonTree*>(QStringLiteral("lessonTree"));
    emit tree->nodeChosen(tree->topLevelItem(0));
    tree->collapseAll();
    QTest::qWait(300);
    bool ok = saveScene(window, folder, QStringLiteral("study-start-offer"));

    // Three plays, each gap as long as the sentence; the pictures are taken in the second play and
    // the gap after.
    window.continueLastStudy();
    window.setRepeats(3);
    trigger(window, QStringLiteral("gap_length"));
    window.playCurrentSentence(2);
    waitForStatus(window, QStringLiteral("第 2/3 遍"));
    ok = saveScene(window, folder, QStringLiteral("study-repeats")) && ok;
    waitForStatus(window, QStringLiteral("该你说了"));
    ok = saveScene(window, folder, QStringLiteral("study-repeats-turn")) && ok;
    trigger(window, QStringLiteral("key_stop"));
    window.setRepeats(1);

    // A sentence made current without leaving it sounding.
    const auto choose = [&](int sentence) {
        window.playCurrentSentence(sentence);
        window.player().controls().stop();
    };
    trigger(window, QStringLiteral("隐藏原文"));
    choose(3);
    ok = saveScene(window, folder, QStringLiteral("study-hidden-text")) && ok;
    // The current sentence starred, and the one before it: the shade keeps the bars in sight.
    // Both stars are taken away again afterwards.
    for (const bool take : {false, true}) {
        trigger(window, QStringLiteral("星标"));
        choose(2);
        trigger(window, QStringLiteral("星标"));
        choose(3);
        if (!take) {
            ok = saveScene(window, folder, QStringLiteral("study-hidden-starred")) && ok;
        }
    }
    trigger(window, QStringLiteral("隐藏原文"));

    window.startLessonReading();
    QTest::qWait(1500);
    window.stopLessonReading();
    ok = saveScene(window, folder, QStringLiteral("study-reading-ended")) && ok;
    return ok;
}
