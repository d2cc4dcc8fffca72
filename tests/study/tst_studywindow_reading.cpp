#include "monitorcapture.h"
#include "sentencedriver.h"
#include "testaudio.h"
#include "testmain.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

// The toolbar's reading of a whole lesson: each sentence heard whole, a second apart, marked
// while it plays, and the reading ended by the learner, the lesson's end or a player taken over.
class TestStudyWindowReading : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!TestAudio::pulseAvailable()) {
            QSKIP("no PulseAudio server: start one with tools/start-pulse.sh");
        }
    }

    void aReadingSkipsWhatItCannotPlayAndEnds()
    {
        QTemporaryDir dir;
        StudyFixture fixture(makeSyntheticLesson(dir.path(), awkwardSentences, 4.0));
        SentenceDriver d(fixture);
        fixture.openLesson(1, 1);
        QList<int> read;
        QObject::connect(&d.window().player(), &MediaPlayer::followOnStarted, &d.window(),
                         [&] { read.append(d.window().currentSentence()); });
        d.toolbar(1);
        QCOMPARE(d.window().currentSentence(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!d.window().continuousReading(), 10000);
        QCOMPARE(read, (QList<int>{1, 6, 7}));
        QCOMPARE(d.window().currentSentence(), -1);
        QVERIFY(d.readEnabled());
        QVERIFY(!d.stopEnabled());

        // A recording that cannot be decoded: "朗读" says so and the window stays idle.
        QFile garbage(QDir(dir.filePath(QStringLiteral("voices"))).filePath(u"QVN101.dat"_s));
        QVERIFY(garbage.open(QIODevice::WriteOnly | QIODevice::Truncate));
        garbage.write(QByteArray(4096, 'x'));
        garbage.close();
        QStringList notices;
        d.window().prompts().notify = [&](const QString& text) { notices.append(text); };
        fixture.openLesson(1, 1);
        d.toolbar(1);
        QVERIFY(!d.window().continuousReading());
        QCOMPARE(d.window().currentSentence(), -1);
        QVERIFY(!d.stopEnabled());
        QCOMPARE(notices.size(), 1);
    }

    void readingTheLessonPausesOneSecondBetweenSentences()
    {
        QTemporaryDir dir;
        StudyFixture fixture(makeSyntheticLesson(dir.path(), syntheticSentences, 4.0));
        SentenceDriver d(fixture);
        fixture.openLesson(1, 1);
        MediaPlayer& player = d.window().player();
        QVERIFY(d.readEnabled());
        QVERIFY(!d.stopEnabled());

        MonitorCapture capture;
        QVERIFY2(capture.start(), qPrintable(capture.errorString()));
        QTest::qWait(300);
        d.toolbar(1);
        QVERIFY(d.window().continuousReading());
        QVERIFY(!d.readEnabled());
        QVERIFY(d.stopEnabled());
        QCOMPARE(d.window().currentSentence(), 0);
        QCOMPARE(d.redRange(), d.sentenceRange(0));

        // While reading, clicks on sentences and the sentence buttons do nothing.
        d.clickSentence(2);
        d.press(1);
        d.press(2);
        QCOMPARE(d.window().currentSentence(), 0);

        QTRY_VERIFY_WITH_TIMEOUT(d.window().currentSentence() == 1, 3000);
        QCOMPARE(d.redRange(), d.sentenceRange(1));
        QCOMPARE(d.currentSentenceText(), d.window().sentences().sentence(1));
        QTRY_VERIFY_WITH_TIMEOUT(!d.window().continuousReading(), 10000);
        const std::vector<qint16> heard = capture.stop();

        QCOMPARE(d.window().currentSentence(), -1);
        QVERIFY(d.readEnabled());
        QVERIFY(!d.stopEnabled());
        QCOMPARE(d.currentSentenceText(), QString());
        QCOMPARE(d.label(QStringLiteral("translationLine")), QString());
        QCOMPARE(d.redRange(), std::make_pair(-1, -1));

        const int rate = player.sampleRate();
        const QList<std::pair<double, double>> spans{
            {0.5, 1.0}, {1.5, 2.0}, {2.5, 3.0}, {3.5, 4.0}};
        qint64 previousEnd = -1;
        for (const auto& [start, end] : spans) {
            const qint64 first = MediaPlayer::startFrame(start, rate);
            const qint64 stop = qMin(MediaPlayer::stopFrame(end, rate), player.frameCount());
            const qint64 at = TestAudio::findFrames(heard, sourceFrames(player, first, stop));
            QVERIFY2(at >= 0, qPrintable(QStringLiteral("sentence at %1 s not heard").arg(start)));
            if (previousEnd >= 0) {
                const double gap = double(at - previousEnd) / rate;
                qInfo("pause before the sentence at %.1f s: %.4f s", start, gap);
                QVERIFY2(qAbs(gap - 1.0) <= 0.020, qPrintable(QString::number(gap)));
            }
            previousEnd = at + (stop - first);
        }
    }

    void aReadingStoppedDuringThePauseEnds_data()
    {
        QTest::addColumn<bool>("byTheLearner");
        QTest::newRow("the learner's stop") << true;
        // Another window plays and stops through the same player.
        QTest::newRow("the player taken over") << false;
    }

    void aReadingStoppedDuringThePauseEnds()
    {
        QFETCH(bool, byTheLearner);
        QTemporaryDir dir;
        StudyFixture fixture(makeSyntheticLesson(dir.path(), syntheticSentences, 4.0));
        SentenceDriver d(fixture);
        fixture.openLesson(1, 1);
        d.toolbar(1);
        QTRY_VERIFY_WITH_TIMEOUT(d.window().isPausingBetweenSentences(), 3000);
        if (byTheLearner)
            d.toolbar(2, Qt::RightButton);
        else
            d.window().player().controls().stop();
        QVERIFY(!d.window().continuousReading());
        QCOMPARE(d.window().currentSentence(), -1);
        QVERIFY(d.readEnabled());
        QVERIFY(!d.stopEnabled());
        // Said, not silently emptied.
        if (byTheLearner)
            QVERIFY(d.window().currentSentenceBox()->placeholderText().contains(
                QStringLiteral("朗读已停止")));
        // The pause's timer must not start the next sentence.
        QTest::qWait(1300);
        QCOMPARE(d.window().player().playState(), MediaPlayer::Stopped);
        QCOMPARE(d.window().currentSentence(), -1);
        // A disabled "停止" does nothing.
        d.toolbar(2);
        QVERIFY(d.readEnabled());
    }

    void aOneSentenceLessonIsReadOnceToItsEnd()
    {
        StudyFixture fixture;
        SentenceDriver d(fixture);
        fixture.openLesson(3, 60);
        QCOMPARE(d.window().sentences().count(), 1);
        d.toolbar(1);
        QCOMPARE(d.window().currentSentence(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!d.window().continuousReading(), 30000);
        QCOMPARE(d.window().currentSentence(), -1);
        QCOMPARE(d.window().player().playState(), MediaPlayer::Stopped);
        QVERIFY(d.readEnabled());
        QVERIFY(!d.stopEnabled());
    }
};

ORLUNE_TEST_MAIN(TestStudyWindowReading)
#include "tst_studywindow_reading.moc"
