#include "study/studywindow.h"
#include "studyfixture.h"
#include "testmain.h"

#include <QTest>

// The study window on a machine whose sound server is gone: nothing hangs, and the learner is
// told once.
class TestStudyWindowNoDevice : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
#ifdef Q_OS_LINUX
        // Before Qt Multimedia first connects: a server address where none listens.
        qputenv("PULSE_SERVER", "unix:/nonexistent/orlune-no-sound-server");
#else
        QSKIP("simulating a machine without sound devices needs PulseAudio");
#endif
    }

    void playbackAndReadingEndAndSayItOnce()
    {
        QTemporaryDir dir;
        StudyFixture fixture(makeSyntheticLesson(
            dir.path(),
            {{QStringLiteral("One."), QStringLiteral(".5"), QStringLiteral("1")},
             {QStringLiteral("Two."), QStringLiteral("1.5"), QString()}},
            3.0));
        StudyWindow& window = fixture.window();
        QStringList notices;
        window.prompts().notify = [&](const QString& text) { notices.append(text); };
        fixture.openLesson(1, 1);

        window.playSentence(1);
        QTRY_COMPARE(notices.size(), 1);
        QVERIFY(notices[0].contains(QStringLiteral("声音")));
        QVERIFY(window.player().playState() != MediaPlayer::Playing);

        window.startLessonReading();
        QTRY_VERIFY_WITH_TIMEOUT(!window.continuousReading(), 3000);
        QCOMPARE(window.currentSentence(), -1);
        QTest::qWait(200);
        QCOMPARE(notices.size(), 1);
    }
};

ORLUNE_TEST_MAIN(TestStudyWindowNoDevice)

#include "tst_studywindow_nodevice.moc"

#include <QApplication>
