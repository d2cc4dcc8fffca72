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
void pickShortSentence(StudyWindow& form)
{
    const SentenceTable& table = form.sentences();
    int best = -1;
    double bestLength = 1e9;
    for (int i = 0; i + 1 < table.count(); ++i) {
        const double length = table.endPosition(i) - table.startTime(i);
        if (table.hasUsableTimes(i) && length >= 2.0 && length < bestLength) {
            best = i;
            bestLength = length;
        }
    }
    const char* step = best < form.currentSentence() ? "key_previous" : "key_next";
    while (best >= 0 && form.currentSentence() != best) {
        form.findChild<QAction*>(QString::fromLatin1(step))->trigger();
    }
}

} // namespace

bool saveShadowingScene(StudyWindow& form, const QString& folder)
{
    pickShortSentence(form);
    // The stand-in learner: the same sentence a little slower, a quarter second late.
    MediaPlayer learner;
    learner.setUrl(form.player().url());
    learner.setVolume(MediaPlayer::lessonVolume);
    learner.setSpeed(0.9);
    const int sentence = form.currentSentence();
    const SentenceTable& table = form.sentences();
    const auto connection = QObject::connect(
        &form.shadowing(), &ShadowingSession::stepChanged, &learner,
        [&](ShadowingSession::Step step, int i) {
            if (step == ShadowingSession::Step::Recording && i == sentence) {
                QTimer::singleShot(250, &learner, [&] {
                    learner.setEndPosition(table.endPosition(sentence));
                    learner.controls().setCurrentPosition(table.startTime(sentence));
                    learner.controls().play();
                });
            }
        });
    form.toggleShadowing();
    const bool recorded = QTest::qWaitFor(
        [&] {
            return form.shadowing().step() == ShadowingSession::Step::PlayingTake ||
                   !form.shadowing().isActive();
        },
        30000);
    QTest::qWait(300);
    form.shadowing().stop();
    QObject::disconnect(connection);
    if (!recorded || !form.shadowing().hasTake(sentence)) {
        qWarning("shadowing scene: no take was recorded (is a sound server running?)");
    }

    ShadowingPanel* panel = form.shadowingPanel();
    if (!panel) {
        return false;
    }
    const QRect screen = form.screen()->availableGeometry();
    panel->move(screen.right() - panel->frameGeometry().width() - 30, screen.top() + 150);
    panel->raise();
    for (int i = 0; i < 10; ++i) {
        QTest::qWait(50);
    }
    bool ok = panel->grab().save(QDir(folder).filePath(QStringLiteral("study-shadowing.png")));
    ok = form.screen()->grabWindow(0).save(
             QDir(folder).filePath(QStringLiteral("study-shadowing-window.png"))) &&
         ok;
    panel->hide();
    return ok;
}
