#include "reading/lessonreading.h"
#include "reading/practicesettings.h"
#include "reading/sentenceplayer.h"
#include "reading/sentenceprogress.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// A player that plays instantly: run() takes it through each stretch and pause in turn and
// reports as the real one does, noting what was heard and after how long a pause.
class ScriptedPlayer : public SentencePlayer
{
public:
    bool hasMedia() const override { return true; }
    double mediaSeconds() const override { return 10; }
    double speed() const override { return m_speed; }
    bool isPlaying() const override { return m_playing; }
    double position() const override { return m_position; }
    void setEnd(double end) override { m_end = end; }
    void setPosition(double start) override { m_position = start; }
    void play() override
    {
        m_playing = true;
        heard << QStringLiteral("%1-%2").arg(m_position).arg(m_end);
    }
    void stop() override
    {
        m_playing = false;
        m_followOn.reset();
    }
    void setFollowOn(double gap, double start, double end) override
    {
        m_followOn = FollowOn{gap, start, end};
    }
    void clearFollowOn() override { m_followOn.reset(); }
    bool hasFollowOn() const override { return m_followOn.has_value(); }

    // Plays until the player stops, at most `limit` stretches.
    void run(LessonReading& reading, int limit = 20)
    {
        while (m_playing && limit-- > 0) {
            m_position = m_end < 0 ? mediaSeconds() : m_end + 0.001;
            if (m_followOn) {
                reading.endReached();
                const FollowOn next = *m_followOn;
                m_followOn.reset();
                if (!m_playing) {
                    return;
                }
                m_position = next.start;
                m_end = next.end;
                heard
                    << QStringLiteral("%1-%2 after %3").arg(next.start).arg(next.end).arg(next.gap);
                reading.followOnStarted();
            } else {
                m_playing = false;
                reading.playStateChanged(false);
                reading.endReached();
            }
        }
    }

    QStringList heard;
    double m_speed = 1.0;

private:
    struct FollowOn
    {
        double gap;
        double start;
        double end;
    };
    bool m_playing = false;
    double m_position = 0;
    double m_end = -1;
    std::optional<FollowOn> m_followOn;
};

// Three sentences and a last one that runs to the end; the second's start is not a time.
SentenceTable lesson()
{
    SentenceTable table;
    table.append(QStringLiteral("One."), QStringLiteral("一"), QStringLiteral(".5"),
                 QStringLiteral("1"));
    table.append(QStringLiteral("Two."), QStringLiteral("二"), QStringLiteral("abc"),
                 QStringLiteral("2"));
    table.append(QStringLiteral("Three."), QStringLiteral("三"), QStringLiteral("2"),
                 QStringLiteral("3"));
    table.append(QStringLiteral("Four."), QStringLiteral("四"), QStringLiteral("3.5"), QString());
    return table;
}

} // namespace

Q_DECLARE_METATYPE(SentenceProgress)

class TestLessonReading : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings.path());
    }

    void eachWayOfPlayingIsHeardAndEnds_data()
    {
        QTest::addColumn<int>("clicked"); // -1: the whole lesson is read
        QTest::addColumn<int>("repeats");
        QTest::addColumn<bool>("oneSecondGap");
        QTest::addColumn<double>("speed");
        QTest::addColumn<QStringList>("heard");
        QTest::addColumn<bool>("readToEnd");
        QTest::addColumn<QStringList>("said"); // what progress() said, each change once
        const QString turn = u"　该你说了"_s;
        QTest::newRow("a sentence") << 0 << 1 << false << 1.0 << QStringList{u"0.5-1"_s} << false
                                    << QStringList{u"第 1/4 句"_s};
        QTest::newRow("three times, as long as it lasts")
            << 2 << 3 << false << 1.0 << QStringList{u"2-3"_s, u"2-3 after 1"_s, u"2-3 after 1"_s}
            << false << QStringList{u"第 3/4 句　第 1/3 遍"_s, u"第 3/4 句　第 1/3 遍"_s + turn,
                                    u"第 3/4 句　第 2/3 遍"_s, u"第 3/4 句　第 2/3 遍"_s + turn,
                                    u"第 3/4 句　第 3/3 遍"_s, u"第 3/4 句"_s};
        const QStringList firstTwice{u"第 1/4 句　第 1/2 遍"_s, u"第 1/4 句　第 1/2 遍"_s + turn,
                                     u"第 1/4 句　第 2/2 遍"_s, u"第 1/4 句"_s};
        QTest::newRow("twice, a second apart, at half speed")
            << 0 << 2 << true << 0.5 << QStringList{u"0.5-1"_s, u"0.5-1 after 1"_s} << false
            << firstTwice;
        QTest::newRow("as long as it is heard at half speed")
            << 0 << 2 << false << 0.5 << QStringList{u"0.5-1"_s, u"0.5-1 after 1"_s} << false
            << firstTwice;
        QTest::newRow("the last sentence, to the recording's end")
            << 3 << 2 << false << 1.0 << QStringList{u"3.5--1"_s, u"3.5--1 after 6.5"_s} << false
            << QStringList{u"第 4/4 句　第 1/2 遍"_s, u"第 4/4 句　第 1/2 遍"_s + turn,
                           u"第 4/4 句　第 2/2 遍"_s, u"第 4/4 句"_s};
        // The second between two sentences of a reading is no one's turn.
        QTest::newRow("the lesson, past what cannot be played")
            << -1 << 1 << false << 1.0
            << QStringList{u"0.5-1"_s, u"2-3 after 1"_s, u"3.5--1 after 1"_s} << true
            << QStringList{u"第 1/4 句"_s, u"第 3/4 句"_s, u"第 4/4 句"_s, QString()};
        QTest::newRow("the lesson, each sentence twice")
            << -1 << 2 << true << 1.0
            << QStringList{u"0.5-1"_s,       u"0.5-1 after 1"_s,  u"2-3 after 1"_s,
                           u"2-3 after 1"_s, u"3.5--1 after 1"_s, u"3.5--1 after 1"_s}
            << true
            << QStringList{u"第 1/4 句　第 1/2 遍"_s,        u"第 1/4 句　第 1/2 遍"_s + turn,
                           u"第 1/4 句　第 2/2 遍"_s,        u"第 3/4 句　第 1/2 遍"_s,
                           u"第 3/4 句　第 1/2 遍"_s + turn, u"第 3/4 句　第 2/2 遍"_s,
                           u"第 4/4 句　第 1/2 遍"_s,        u"第 4/4 句　第 1/2 遍"_s + turn,
                           u"第 4/4 句　第 2/2 遍"_s,        QString()};
    }

    void eachWayOfPlayingIsHeardAndEnds()
    {
        QFETCH(int, clicked);
        QFETCH(int, repeats);
        QFETCH(bool, oneSecondGap);
        QFETCH(double, speed);
        QFETCH(QStringList, heard);
        QFETCH(bool, readToEnd);
        QFETCH(QStringList, said);
        PracticeSettings practice;
        practice.setRepeats(repeats);
        practice.setGap(oneSecondGap ? PracticeSettings::Gap::OneSecond
                                     : PracticeSettings::Gap::SentenceLength);
        ScriptedPlayer player;
        player.m_speed = speed;
        LessonReading reading(player, practice);
        reading.setLesson(lesson());
        QSignalSpy reached(&reading, &LessonReading::sentenceReached);
        QSignalSpy repeatsStarted(&reading, &LessonReading::repeatsStarted);
        QSignalSpy repeatsEnded(&reading, &LessonReading::repeatsEnded);
        QSignalSpy finished(&reading, &LessonReading::readingFinished);
        QSignalSpy toEnd(&reading, &LessonReading::lessonHeardToEnd);
        QStringList progress;
        connect(&reading, &LessonReading::progressChanged, this, [&] {
            const QString text = reading.progress().text();
            if (progress.isEmpty() || progress.last() != text) {
                progress << text;
            }
        });

        if (clicked < 0) {
            reading.startLessonReading();
            QVERIFY(reading.isReadingLesson());
        } else {
            reading.playCurrent(clicked);
            QCOMPARE(reading.isRepeating(), repeats > 1);
        }
        player.run(reading);

        QCOMPARE(player.heard, heard);
        QCOMPARE(progress, said);
        QVERIFY(!player.isPlaying());
        QVERIFY(!reading.isReadingLesson());
        QVERIFY(!reading.isRepeating());
        QCOMPARE(toEnd.count(), readToEnd ? 1 : 0);
        if (clicked < 0) {
            // Marked in turn, and nothing current once the reading is over.
            QCOMPARE(reached.count(), 3);
            QCOMPARE(finished.count(), 1);
            QCOMPARE(reading.current(), -1);
        } else {
            QCOMPARE(reading.current(), clicked);
            QCOMPARE(repeatsStarted.count(), repeats > 1 ? 1 : 0);
            QCOMPARE(repeatsEnded.count(), repeats > 1 ? 1 : 0);
        }
    }

    // Stopping in the pause, a lost output and the learner moving on each end what plays.
    void stoppingAtAnyMomentLeavesNothingPlaying()
    {
        PracticeSettings practice;
        practice.setRepeats(PracticeSettings::untilStopped);
        ScriptedPlayer player;
        LessonReading reading(player, practice);
        reading.setLesson(lesson());

        reading.playCurrent(0);
        player.run(reading, 3);
        QVERIFY(reading.isRepeating());
        QCOMPARE(player.heard.size(), 4);
        QCOMPARE(reading.progress().text(), u"第 1/4 句　第 4 遍"_s);
        reading.stop();
        QVERIFY(!player.isPlaying());
        QVERIFY(!player.hasFollowOn());
        QVERIFY(!reading.isRepeating());
        QCOMPARE(reading.current(), 0);

        // Moving on while it sounds: the repeats end, the sound ends where the new one does.
        reading.playCurrent(0);
        reading.moveTo(2);
        QVERIFY(!player.hasFollowOn());
        player.run(reading);
        QCOMPARE(player.heard.last(), u"0.5-1"_s);
        QCOMPARE(player.position(), 3.001);

        QSignalSpy lost(&reading, &LessonReading::outputLost);
        reading.startLessonReading();
        reading.outputFailed();
        reading.outputFailed();
        QCOMPARE(lost.count(), 1);
        QVERIFY(!reading.isReadingLesson());
        // Told once that it is back, and a new loss is told again.
        QSignalSpy back(&reading, &LessonReading::outputBack);
        reading.endReached();
        reading.outputRestored();
        reading.outputRestored();
        QCOMPARE(back.count(), 1);
        reading.outputFailed();
        QCOMPARE(lost.count(), 2);
    }

    // The line that tells the learner where they are, for places the reading itself seldom
    // reaches: no end to the repeats, the ends of the lesson, a lesson of one sentence.
    void progressLineSaysWhereTheLearnerIs_data()
    {
        QTest::addColumn<SentenceProgress>("progress");
        QTest::addColumn<QString>("line");
        const int endless = PracticeSettings::untilStopped;
        const QString turn = u"　该你说了"_s;
        QTest::newRow("first of fourteen")
            << SentenceProgress{0, 14, 0, 1, false} << u"第 1/14 句"_s;
        QTest::newRow("last of fourteen")
            << SentenceProgress{13, 14, 0, 1, false} << u"第 14/14 句"_s;
        QTest::newRow("a lesson of one sentence")
            << SentenceProgress{0, 1, 1, 1, false} << u"第 1/1 句"_s;
        QTest::newRow("once: no play count")
            << SentenceProgress{4, 14, 1, 1, false} << u"第 5/14 句"_s;
        QTest::newRow("second of three")
            << SentenceProgress{4, 14, 2, 3, false} << u"第 5/14 句　第 2/3 遍"_s;
        QTest::newRow("the learner's turn")
            << SentenceProgress{4, 14, 2, 3, true} << u"第 5/14 句　第 2/3 遍"_s + turn;
        QTest::newRow("until stopped: no total")
            << SentenceProgress{4, 14, 27, endless, false} << u"第 5/14 句　第 27 遍"_s;
        QTest::newRow("until stopped, the learner's turn")
            << SentenceProgress{4, 14, 1, endless, true} << u"第 5/14 句　第 1 遍"_s + turn;
        QTest::newRow("between repeats, before the first play")
            << SentenceProgress{4, 14, 0, 3, false} << u"第 5/14 句"_s;
        QTest::newRow("no sentence chosen") << SentenceProgress{-1, 14, 0, 1, false} << QString();
        QTest::newRow("past the lesson") << SentenceProgress{14, 14, 1, 3, true} << QString();
        QTest::newRow("no lesson") << SentenceProgress{0, 0, 0, 1, false} << QString();
    }

    void progressLineSaysWhereTheLearnerIs()
    {
        QFETCH(SentenceProgress, progress);
        QFETCH(QString, line);
        QCOMPARE(progress.text(), line);
    }

private:
    QTemporaryDir m_settings;
};

QTEST_GUILESS_MAIN(TestLessonReading)
#include "tst_lessonreading.moc"
