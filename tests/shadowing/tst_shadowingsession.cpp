#include "shadowing/shadowingsession.h"
#include "testmain.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Step = ShadowingSession::Step;

// Devices that only note what they were asked to do; the test reports back for them.
struct FakeDevices
{
    QStringList calls;
    bool recorderStarts = true;
    bool recorderWrites = true;
    bool takePlays = true;
    double recorded = 0;

    ShadowingSession::Devices devices()
    {
        ShadowingSession::Devices d;
        d.playOriginal = [this](int i) {
            calls << QStringLiteral("play %1").arg(i);
            return true;
        };
        d.heardSeconds = [](int i) { return 0.5 * (i + 1); };
        d.startRecording = [this](const QString& path) {
            calls << QStringLiteral("record ") + QFileInfo(path).fileName();
            recorded = 0;
            if (recorderStarts) {
                QFile(path).open(QIODevice::WriteOnly);
            }
            return recorderStarts;
        };
        d.recordedSeconds = [this] { return recorded; };
        d.stopRecording = [this](double) {
            calls << QStringLiteral("stop recording");
            return recorderWrites;
        };
        d.playTake = [this](const QString& path) {
            calls << QStringLiteral("take ") + QFileInfo(path).fileName();
            return takePlays;
        };
        d.stopAll = [this] { calls << QStringLiteral("stop all"); };
        d.deviceError = [] { return QStringLiteral("没有找到麦克风。"); };
        return d;
    }
};

} // namespace

class TestShadowingSession : public QObject
{
    Q_OBJECT
private slots:
    void runsEachSentenceThroughItsStepsAndKeepsTheTakes()
    {
        QTemporaryDir dir;
        FakeDevices fake;
        ShadowingSession session(fake.devices());
        session.setTakeFolder(dir.filePath(QStringLiteral("takes")));
        QSignalSpy finished(&session, &ShadowingSession::finished);
        QSignalSpy takes(&session, &ShadowingSession::takeRecorded);

        QVERIFY(session.start({2, 4}));
        QCOMPARE(session.step(), Step::PlayingOriginal);
        QCOMPARE(session.sentence(), 2);
        session.takeFinished(); // a report for another step changes nothing
        QCOMPARE(session.step(), Step::PlayingOriginal);
        session.originalFinished();
        QCOMPARE(session.step(), Step::Recording);
        // The take runs for the sentence as heard plus a second, and no less.
        fake.recorded = 2.49;
        QTest::qWait(60);
        QCOMPARE(session.step(), Step::Recording);
        fake.recorded = 2.5;
        QTRY_COMPARE(session.step(), Step::PlayingTake);
        QCOMPARE(takes.size(), 1);
        QCOMPARE(takes[0][0].toInt(), 2);
        session.takeFinished();
        QCOMPARE(session.sentence(), 4);
        session.originalFinished();
        fake.recorded = 3.5;
        QTRY_COMPARE(session.step(), Step::PlayingTake);
        session.takeFinished();
        QCOMPARE(session.step(), Step::Idle);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(fake.calls, (QStringList{"play 2", "record take-2.wav", "stop recording",
                                          "take take-2.wav", "play 4", "record take-4.wav",
                                          "stop recording", "take take-4.wav", "stop all"}));
        QVERIFY(session.hasTake(2) && session.hasTake(4) && !session.hasTake(3));

        // Comparing plays the sentence, then its take, and ends.
        fake.calls.clear();
        QVERIFY(session.compare(4));
        session.originalFinished();
        QCOMPARE(session.step(), Step::PlayingTake);
        session.takeFinished();
        QCOMPARE(session.step(), Step::Idle);
        QCOMPARE(fake.calls, (QStringList{"play 4", "take take-4.wav", "stop all"}));

        const QString take = session.takeFile(2);
        QVERIFY(QFileInfo::exists(take));
        session.clearTakes();
        QVERIFY(!QFileInfo::exists(take));
        QVERIFY(!session.hasTake(2));
        QSignalSpy failed(&session, &ShadowingSession::failed);
        QVERIFY(!session.compare(2));
        QCOMPARE(failed.size(), 1);
    }

    void stopsCleanlyAtEveryStepAndFailsWithAMessage_data()
    {
        QTest::addColumn<int>("stepsBefore"); // reports given before the event
        QTest::addColumn<QString>("event");
        QTest::addColumn<bool>("failure");
        QTest::addColumn<bool>("keepsTake");
        QTest::newRow("stop while the sentence plays")
            << 0 << QStringLiteral("stop") << false << false;
        QTest::newRow("stop while recording") << 1 << QStringLiteral("stop") << false << false;
        QTest::newRow("stop while the take plays") << 2 << QStringLiteral("stop") << false << true;
        QTest::newRow("output fails on the sentence")
            << 0 << QStringLiteral("output") << true << false;
        QTest::newRow("output fails on the take") << 2 << QStringLiteral("output") << true << true;
        QTest::newRow("no microphone") << 1 << QStringLiteral("no recorder") << true << false;
        QTest::newRow("nothing recorded") << 1 << QStringLiteral("no take") << true << false;
        QTest::newRow("take does not play")
            << 1 << QStringLiteral("take unplayable") << true << true;
        QTest::newRow("stalled recorder gives up") << 1 << QStringLiteral("stall") << true << false;
    }

    void stopsCleanlyAtEveryStepAndFailsWithAMessage()
    {
        QFETCH(int, stepsBefore);
        QFETCH(QString, event);
        QFETCH(bool, failure);
        QFETCH(bool, keepsTake);
        QTemporaryDir dir;
        FakeDevices fake;
        fake.recorderStarts = event != QLatin1String("no recorder");
        fake.recorderWrites = event != QLatin1String("no take") && event != QLatin1String("stall");
        fake.takePlays = event != QLatin1String("take unplayable");
        ShadowingSession session(fake.devices());
        session.setTakeFolder(dir.path());
        QSignalSpy finished(&session, &ShadowingSession::finished);
        QSignalSpy failed(&session, &ShadowingSession::failed);
        QVERIFY(session.start({0, 1}));
        if (stepsBefore >= 1) {
            session.originalFinished();
        }
        if (stepsBefore >= 2) {
            fake.recorded = 10;
            QTRY_COMPARE(session.step(), Step::PlayingTake);
        }
        if (event == QLatin1String("stop")) {
            session.stop();
        } else if (event == QLatin1String("output")) {
            session.playbackFailed();
        } else if (event == QLatin1String("no take")) {
            fake.recorded = 10;
        } else if (event == QLatin1String("stall")) {
            // The device delivers nothing: the session waits its length and a grace, no more.
            QTest::qWait(int(1.5 * 1000) + ShadowingSession::stallMs - 200);
            QCOMPARE(session.step(), Step::Recording);
        } else if (event == QLatin1String("take unplayable")) {
            fake.recorded = 10;
        }
        QTRY_COMPARE_WITH_TIMEOUT(session.step(), Step::Idle, 3000);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(failed.size(), failure ? 1 : 0);
        if (failure) {
            QVERIFY(failed[0][1].toString().contains(QStringLiteral("停止")));
            const bool output = event == QLatin1String("output");
            QCOMPARE(failed[0][0].value<ShadowingSession::Failure>(),
                     output ? ShadowingSession::Failure::Output
                            : ShadowingSession::Failure::Recording);
        }
        QCOMPARE(fake.calls.last(), QStringLiteral("stop all"));
        QCOMPARE(session.hasTake(0), keepsTake);
        // Late reports from the devices find nothing to do.
        session.originalFinished();
        session.takeFinished();
        session.playbackFailed();
        QCOMPARE(session.step(), Step::Idle);
        QCOMPARE(finished.size(), 1);
        QVERIFY(!fake.calls.contains(QStringLiteral("play 1")));
    }

    void anUnwritableFolderStopsBeforeAnythingPlays()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        FakeDevices fake;
        ShadowingSession session(fake.devices());
        QSignalSpy failed(&session, &ShadowingSession::failed);
        for (const QString& folder : {blocker.fileName(), QString()}) {
            session.setTakeFolder(folder);
            QVERIFY(!session.start({0}));
        }
        QCOMPARE(failed.size(), 2);
        QVERIFY(fake.calls.isEmpty());
        QVERIFY(!session.isActive());
    }
};

ORLUNE_GUILESS_TEST_MAIN(TestShadowingSession)

#include "tst_shadowingsession.moc"
