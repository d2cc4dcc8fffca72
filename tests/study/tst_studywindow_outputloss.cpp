#include "privatesoundserver.h"
#include "study/studywindow.h"
#include "studyfixture.h"
#include "testmain.h"

#include <QTest>

// The sound server goes away while the study window plays and comes back a while later: the
// learner is told once that the sound is lost and once that it is back, and a click plays again
// without restarting the program.
class TestStudyWindowOutputLoss : public QObject
{
    Q_OBJECT
    PrivateSoundServer m_server;

private slots:
    void initTestCase()
    {
#ifndef Q_OS_LINUX
        QSKIP("stopping and restarting the sound server needs PulseAudio");
#endif
        if (!m_server.start())
            QSKIP("no PulseAudio of our own could be started");
        m_server.useInThisProcess();
    }

    void toldOnceWhenLostAndOnceWhenBack()
    {
        QTemporaryDir dir;
        StudyFixture fixture(makeSyntheticLesson(
            dir.path(),
            {{QStringLiteral("One."), QStringLiteral(".5"), QStringLiteral("2.5")},
             {QStringLiteral("Two."), QStringLiteral("3"), QStringLiteral("3.5")}},
            4.0));
        StudyWindow& window = fixture.window();
        QStringList notices;
        window.prompts().notify = [&](const QString& text) { notices.append(text); };
        fixture.openLesson(1, 1);

        window.playSentence(0);
        QTest::qWait(500);
        QVERIFY(m_server.stop());
        QTRY_COMPARE_WITH_TIMEOUT(notices.size(), 1, 8000);
        QVERIFY(notices[0].contains(QStringLiteral("声音服务已停止")));
        // Clicks while it is away change nothing more.
        window.playSentence(1);
        QTest::qWait(4000);
        QCOMPARE(notices.size(), 1);

        QVERIFY(m_server.start());
        window.playSentence(1);
        QTRY_COMPARE_WITH_TIMEOUT(notices.size(), 2, 5000);
        QCOMPARE(notices[1], QStringLiteral("声音已恢复，可以继续学习。"));
        QTRY_VERIFY(window.player().playState() != MediaPlayer::Playing);
        window.playSentence(1);
        QTRY_VERIFY(window.player().playState() != MediaPlayer::Playing);
        QTest::qWait(300);
        QCOMPARE(notices.size(), 2);
    }
};

ORLUNE_TEST_MAIN(TestStudyWindowOutputLoss)

#include "tst_studywindow_outputloss.moc"
