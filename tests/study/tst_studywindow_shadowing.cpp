#include "monitorcapture.h"
#include "shadowing/shadowingpanel.h"
#include "shadowing/shadowingsession.h"
#include "shadowing/waveformcomparison.h"
#include "study/lookuppopup.h"
#include "study/studywindow.h"
#include "study/toolbarbutton.h"
#include "studyfixture.h"
#include "testaudio.h"
#include "testmain.h"
#include "testsignals.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <cmath>
#include <sndfile.h>

namespace {

using Step = ShadowingSession::Step;
constexpr int rate = 44100;

const QList<SyntheticSentence> sentences{
    {QStringLiteral("First line here."), QStringLiteral(".5"), QStringLiteral("1")},
    {QStringLiteral("Second line here."), QStringLiteral("1.5"), QStringLiteral("2")},
    {QStringLiteral("Last line."), QStringLiteral("2.5"), QString()},
};

// Power of one frequency in the first channel of interleaved stereo (Goertzel).
double powerAt(std::span<const qint16> stereo, double frequency)
{
    const double coefficient = 2.0 * std::cos(2.0 * M_PI * frequency / rate);
    double s1 = 0;
    double s2 = 0;
    for (size_t i = 0; i < stereo.size(); i += 2) {
        const double s0 = stereo[i] + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - coefficient * s1 * s2;
}

// Every frame of `heard` at which `needle` starts, in order.
QList<qint64> occurrences(std::span<const qint16> heard, std::span<const qint16> needle)
{
    QList<qint64> found;
    for (qint64 from = 0;;) {
        const qint64 at = TestAudio::findFrames(heard.subspan(size_t(from) * 2), needle);
        if (at < 0) {
            return found;
        }
        found.append(from + at);
        from += at + qint64(needle.size() / 2);
    }
}

QAction* action(StudyWindow& window, const char* name)
{
    return window.findChild<QAction*>(QString::fromUtf8(name));
}

} // namespace

class TestStudyWindowShadowing : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!TestAudio::pulseAvailable()) {
            QSKIP("no PulseAudio server: start one with tools/start-pulse.sh");
        }
    }

    void playsRecordsAndPlaysTheTakeBackUntilStopped()
    {
        QTemporaryDir dir;
        StudyFixture fixture(makeSyntheticLesson(dir.path(), sentences, 3.0));
        StudyWindow& window = fixture.window();
        QStringList notices;
        window.prompts().notify = [&](const QString& text) { notices.append(text); };
        fixture.openLesson(1, 1);
        QVERIFY(window.player().hasMedia());

        // The learner's voice: a tone played into the sink, which the `mic` source hears.
        const QString tonePath = dir.filePath(QStringLiteral("tone.wav"));
        QVERIFY(TestSignals::writeFile(tonePath, SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, 2,
                                       TestSignals::tone(rate, 2, rate, 1000.0, 12000)));
        MediaPlayer voice;
        voice.setUrl(tonePath);
        QList<Step> steps;
        connect(&window.shadowing(), &ShadowingSession::stepChanged, this,
                [&](Step step, int sentence) {
                    steps.append(step);
                    if (step == Step::Recording) {
                        voice.controls().setCurrentPosition(0);
                        voice.controls().play();
                    }
                    // Esc as soon as the next sentence begins.
                    if (step == Step::PlayingOriginal && sentence == 1) {
                        action(window, "key_stop")->trigger();
                    }
                });

        MonitorCapture capture;
        QVERIFY2(capture.start(), qPrintable(capture.errorString()));
        QTest::qWait(300);
        action(window, "跟读")->trigger();
        QCOMPARE(window.shadowing().step(), Step::PlayingOriginal);
        QCOMPARE(window.currentSentence(), 0);
        QVERIFY(window.shadowingPanel() && window.shadowingPanel()->isVisible());
        auto* stop = window.findChild<ToolbarButton*>(QStringLiteral("stopReadingButton"));
        QVERIFY(stop->isActionEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(window.shadowing().step(), Step::Idle, 8000);
        const std::vector<qint16> heard = capture.stop();
        QVERIFY2(notices.isEmpty(), qPrintable(notices.join(u'\n')));
        QCOMPARE(steps, (QList<Step>{Step::PlayingOriginal, Step::Recording, Step::PlayingTake,
                                     Step::PlayingOriginal, Step::Idle}));
        QCOMPARE(window.player().playState(), MediaPlayer::Stopped);
        QVERIFY(!stop->isActionEnabled());
        QCOMPARE(window.currentSentence(), 1);

        // The sentence sounded, exactly.
        const QList<qint64> sentence =
            occurrences(heard, window.player().heardFrames(rate / 2, rate + 1));
        QCOMPARE(sentence.size(), 1);

        // The take: the sentence's half second plus one, holding the learner's tone.
        const QString takeFile = window.shadowing().takeFile(0);
        QVERIFY(QFileInfo::exists(takeFile));
        MediaPlayer& take = window.takePlayer();
        QCOMPARE(take.url(), takeFile);
        const double seconds = double(take.frameCount()) / take.sampleRate();
        qInfo("take length %.4f s, expected 1.5 s", seconds);
        QCOMPARE(take.frameCount(), qint64(take.sampleRate() * 3 / 2));
        const std::vector<qint16> taken = take.heardFrames(0, take.frameCount());
        const double toneRatio = powerAt(taken, 1000.0) / powerAt(taken, 700.0);
        QVERIFY2(toneRatio > 100, qPrintable(QString::number(toneRatio)));

        // And the take was played back after the recording, frame for frame. The voice tone
        // itself matches about 0.6 s after the sentence began; the replay comes near 2.1 s.
        // The monitor capture can drop a little under load, so the line sits between the two.
        const std::vector<qint16> middle = take.heardFrames(rate / 5, rate * 4 / 5);
        const QList<qint64> replayed = occurrences(heard, middle);
        QVERIFY(!replayed.isEmpty());
        QVERIFY2(replayed.last() >= sentence[0] + qint64(1.5 * rate),
                 qPrintable(QStringLiteral("%1 %2").arg(replayed.last()).arg(sentence[0])));

        // 对比 wants a take of the current sentence; the previous one has one.
        action(window, "对比")->trigger();
        QCOMPARE(notices.size(), 1);
        QVERIFY(notices[0].contains(QStringLiteral("还没有跟读录音")));
        action(window, "key_previous")->trigger();
        QCOMPARE(window.currentSentence(), 0);
        action(window, "对比")->trigger();
        QCOMPARE(window.shadowing().step(), Step::PlayingOriginal);
        QTRY_COMPARE_WITH_TIMEOUT(window.shadowing().step(), Step::PlayingTake, 3000);
        QTRY_COMPARE_WITH_TIMEOUT(window.shadowing().step(), Step::Idle, 4000);
        const WaveformComparison* picture = window.shadowingPanel()->comparison();
        QTRY_VERIFY(std::abs(picture->original().seconds() - 0.5) < 0.01);
        QTRY_VERIFY(std::abs(picture->take().seconds() - seconds) < 0.01);
        // At half speed the original is pictured as heard, twice as long.
        window.setSpeed(0.5);
        action(window, "对比")->trigger();
        QTRY_VERIFY(std::abs(picture->original().seconds() - 1.0) < 0.01);
        QVERIFY(std::abs(picture->take().seconds() - seconds) < 0.01);
        // A sentence the learner clicks meanwhile ends the comparison.
        QTRY_COMPARE_WITH_TIMEOUT(window.shadowing().step(), Step::PlayingTake, 3000);
        window.playSentence(1);
        QCOMPARE(window.shadowing().step(), Step::Idle);
        QCOMPARE(window.takePlayer().playState(), MediaPlayer::Stopped);
        window.player().controls().stop();
        // So does the learner's own recording (F8), which wants the microphone.
        action(window, "跟读")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(window.shadowing().step(), Step::Recording, 3000);
        action(window, "key_record")->trigger();
        QCOMPARE(window.shadowing().step(), Step::Idle);
        action(window, "key_record")->trigger();
        window.player().controls().stop();
        // And opening the dictation window, which hides this one.
        action(window, "跟读")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(window.shadowing().step(), Step::Recording, 3000);
        auto* dictationCaption = window.findChild<QWidget*>(QStringLiteral("dictationCaption"));
        QTest::mousePress(dictationCaption, Qt::LeftButton);
        QTest::mouseRelease(dictationCaption, Qt::LeftButton);
        QVERIFY(window.dictationWindow() && !window.isVisible());
        QCOMPARE(window.shadowing().step(), Step::Idle);
        window.dictationWindow()->close();
        QTRY_VERIFY(window.isVisible());

        // Another lesson, or this one opened again: the takes go.
        fixture.openLesson(1, 1);
        QVERIFY(!QFileInfo::exists(takeFile));
        QVERIFY(!window.shadowing().hasTake(0));
    }

    void anUnwritableFolderIsReportedAndNothingPlays()
    {
        QTemporaryDir dir;
        StudyFixture fixture(makeSyntheticLesson(dir.path(), sentences, 3.0));
        StudyWindow& window = fixture.window();
        QStringList notices;
        window.prompts().notify = [&](const QString& text) { notices.append(text); };
        fixture.openLesson(1, 1);
        QFile blocker(dir.filePath(QStringLiteral("not-a-folder")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        window.shadowing().setTakeFolder(blocker.fileName());
        action(window, "跟读")->trigger();
        QCOMPARE(notices.size(), 1);
        QVERIFY(notices[0].contains(QStringLiteral("跟读没有开始")));
        QVERIFY(!window.shadowing().isActive());
        QVERIFY(window.player().playState() != MediaPlayer::Playing);
        QVERIFY(!window.shadowingPanel() || !window.shadowingPanel()->isVisible());
    }

    // The panel stands inside the window without hiding a control, shows the sentence being
    // shadowed, keeps to one sentence when asked, and goes with the session however it ends.
    void thePanelComesAndGoesWithTheSession()
    {
        QTemporaryDir dir;
        StudyFixture fixture(makeSyntheticLesson(dir.path(), sentences, 3.0));
        StudyWindow& window = fixture.window();
        window.resize(1000, 700);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        fixture.openLesson(1, 1);
        QList<int> played;
        connect(&window.shadowing(), &ShadowingSession::stepChanged, this,
                [&](Step step, int sentence) {
                    if (step == Step::PlayingOriginal) {
                        played.append(sentence);
                    }
                });
        QAction* hold = action(window, "只跟读本句");
        QVERIFY(hold && hold->isCheckable());
        hold->trigger();
        action(window, "key_next")->trigger();
        action(window, "key_next")->trigger();
        QCOMPARE(window.currentSentence(), 1);
        action(window, "跟读")->trigger();
        ShadowingPanel* panel = window.shadowingPanel();
        QVERIFY(panel && panel->isVisible());
        QCOMPARE(panel->sentence(), sentences[1].text);
        QWidget* client = window.centralWidget();
        const QRect panelRect(panel->mapTo(client, QPoint()), panel->size());
        for (QWidget* control : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (control != panel && control->isVisible() &&
                control != static_cast<QWidget*>(window.popup()) &&
                !control->objectName().endsWith(QLatin1String("Frame")) &&
                !control->objectName().endsWith(QLatin1String("Back"))) {
                QVERIFY2(!control->geometry().intersects(panelRect),
                         qPrintable(control->objectName()));
            }
        }
        QVERIFY(client->rect().contains(panelRect));
        auto* switchInPanel = panel->findChild<QCheckBox*>(QStringLiteral("shadowingHoldSentence"));
        QVERIFY(switchInPanel->isChecked());
        // Round and round the one sentence.
        QTRY_COMPARE_WITH_TIMEOUT(played.size(), 2, 6000);
        QCOMPARE(played, (QList<int>{1, 1}));
        QCOMPARE(window.currentSentence(), 1);
        // The panel's own close button ends it, and the panel goes; the window takes its
        // room back.
        auto* close = panel->findChild<QToolButton*>(QStringLiteral("shadowingClose"));
        QVERIFY(close);
        close->click();
        QCOMPARE(window.shadowing().step(), Step::Idle);
        QVERIFY(!panel->isVisible());
        QVERIFY(window.findChild<QTextEdit*>(QStringLiteral("lessonText"))
                    ->geometry()
                    .contains(panelRect.topLeft()));

        // Let go of the sentence: shadowing moves on, and Esc ends it with the panel gone.
        switchInPanel->click();
        QVERIFY(!hold->isChecked());
        played.clear();
        action(window, "跟读")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(played.size(), 2, 6000);
        QCOMPARE(played, (QList<int>{1, 2}));
        QCOMPARE(panel->sentence(), sentences[2].text);
        action(window, "key_stop")->trigger();
        QVERIFY(!panel->isVisible());
        // Ending by itself after the last sentence: gone too.
        played.clear();
        action(window, "跟读")->trigger();
        QVERIFY(panel->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(window.shadowing().step(), Step::Idle, 8000);
        QVERIFY(!panel->isVisible());
    }
};

ORLUNE_TEST_MAIN(TestStudyWindowShadowing)

#include "tst_studywindow_shadowing.moc"
