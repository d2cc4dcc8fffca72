#include "tools/screenshot/shadowingscene.h"

#include "shadowing/shadowingpanel.h"
#include "shadowing/shadowingsession.h"
#include "study/studywindow.h"

#include <QAction>
#include <QDir>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace {

// Moves the current sentence to the shortest one of two seconds or more, so the scene stays
// short and the picture has something to show.
void pickShortSentence(StudyWindow& window)
{
    const SentenceTable& table = window.sentences();
    int best = -1;
    double bestLength = 1e9;
    for (int i = 0; i + 1 < table.count(); ++i) {
        const double length = table.endPosition(i) - table.startTime(i);
        if (table.hasUsableTimes(i) && length >= 2.0 && length < bestLength) {
            best = i;
            bestLength = length;
        }
    }
    const char* step = best < window.currentSentence() ? "key_previous" : "key_next";
    while (best >= 0 && window.currentSentence() != best) {
        window.findChild<QAction*>(QString::fromLatin1(step))->trigger();
    }
}

} // namespace

bool saveShadowingScene(StudyWindow& window, const QString& folder)
{
    pickShortSentence(window);
    // The stand-in learner: the same sentence a little slower, a quarter second late.
    MediaPlayer learner;
    learner.setUrl(window.player().url());
    learner.setVolume(MediaPlayer::lessonVolume);
    learner.setSpeed(0.9);
    const int sentence = window.currentSentence();
    const SentenceTable& table = window.sentences();
    const auto connection = QObject::connect(
        &window.shadowing(), &ShadowingSession::stepChanged, &learner,
        [&](ShadowingSession::Step step, int i) {
            if (step == ShadowingSession::Step::Recording && i == sentence) {
                QTimer::singleShot(250, &learner, [&] {
                    learner.setEndPosition(table.endPosition(sentence));
                    learner.controls().setCurrentPosition(table.startTime(sentence));
                    learner.controls().play();
                });
            }
        });
    window.toggleShadowing();
    const bool recorded = QTest::qWaitFor(
        [&] {
            return window.shadowing().step() == ShadowingSession::Step::PlayingTake ||
                   !window.shadowing().isActive();
        },
        30000);
    // While the take plays back: the panel goes with the session.
    for (int i = 0; i < 10; ++i) {
        QTest::qWait(50);
    }
    QObject::disconnect(connection);
    if (!recorded || !window.shadowing().hasTake(sentence)) {
        qWarning("shadowing scene: no take was recorded (is a sound server running?)");
    }
    ShadowingPanel* panel = window.shadowingPanel();
    if (!panel || !panel->isVisible()) {
        window.shadowing().stop();
        return false;
    }
    bool ok = panel->grab().save(QDir(folder).filePath(QStringLiteral("study-shadowing.png")));
    ok = window.screen()->grabWindow(0).save(
             QDir(folder).filePath(QStringLiteral("study-shadowing-window.png"))) &&
         ok;
    window.shadowing().stop();
    return ok;
}
