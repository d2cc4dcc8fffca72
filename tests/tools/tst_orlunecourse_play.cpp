#include "lessons/lessonschema.h"
#include "monitorcapture.h"
#include "runcourse.h"
#include "testaudio.h"
#include "testsignals.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <sndfile.h>
#include <span>

namespace {

// A course of one sentence in book 1, lesson 1, over a two-second recording at `rate`.
bool writeCourse(const QString& folder, const QString& start, const QString& end, int rate)
{
    const QString voices = QDir(folder).filePath(QStringLiteral("voices"));
    if (!QDir().mkpath(voices) ||
        !TestSignals::writeFile(QDir(voices).filePath(QStringLiteral("QVN101.dat")),
                                SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, 1,
                                TestSignals::noise(2 * rate, 1, 3))) {
        return false;
    }
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), folder);
        db.setDatabaseName(QDir(folder).filePath(QStringLiteral("course.wrd")));
        QSqlQuery q(db);
        ok = db.open();
        for (const QString& table : LessonSchema::lessonTables()) {
            ok = ok && q.exec(table);
        }
        ok = ok && q.prepare(QStringLiteral("INSERT INTO 句库 VALUES ('Hello.', '你好。', ?, ?, "
                                            "'Lesson 1', '1')"));
        // The columns are NOT NULL, and Qt binds a null QString as NULL.
        q.addBindValue(start.isNull() ? QStringLiteral("") : start);
        q.addBindValue(end.isNull() ? QStringLiteral("") : end);
        ok = ok && q.exec();
    }
    QSqlDatabase::removeDatabase(folder);
    return ok;
}

// The stretches of sound in a capture as [first, stop) frames, split where at least 10 ms are
// silent.
QList<QPair<qint64, qint64>> soundRuns(std::span<const qint16> samples, int threshold)
{
    constexpr qint64 minSilence = 441;
    QList<QPair<qint64, qint64>> runs;
    qint64 quiet = minSilence;
    for (qint64 f = 0; f < qint64(samples.size() / 2); ++f) {
        const bool loud = std::abs(samples[size_t(f) * 2]) > threshold ||
                          std::abs(samples[size_t(f) * 2 + 1]) > threshold;
        if (!loud) {
            ++quiet;
            continue;
        }
        if (quiet >= minSilence)
            runs.append({f, f + 1});
        runs.last().second = f + 1;
        quiet = 0;
    }
    return runs;
}

} // namespace

// `orlune-course play`: one sentence heard and the tool gone, whatever the stored times, at
// the speed, repeats and gaps asked for.
class TestOrluneCoursePlay : public QObject
{
    Q_OBJECT

private slots:
    void playsOneSentenceAndExits()
    {
        if (!TestAudio::pulseAvailable()) {
            QSKIP("no PulseAudio server: start one with tools/start-pulse.sh");
        }
        const Run run = course({QStringLiteral("play"), QStringLiteral("1"), QStringLiteral("1"),
                                QStringLiteral("2")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.contains(QStringLiteral("Look at the window.")));
    }

    // Hostile sentence times and recordings: every play ends, and soon (course() gives up after
    // 30 s, far less than an end time in the hundreds of seconds would make a timer wait).
    void playEndsWhateverTheTimes_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("end far past any timer") << ".5"
                                                << "3000000" << 44100 << 0;
        QTest::newRow("end past the recording") << ".5"
                                                << "100" << 44100 << 0;
        QTest::newRow("negative end") << ".5"
                                      << "-1" << 44100 << 0;
        QTest::newRow("end not a number") << ".5"
                                          << "end" << 44100 << 0;
        QTest::newRow("end before start") << "1.5"
                                          << "1" << 44100 << 0;
        QTest::newRow("start past the recording") << "5"
                                                  << "6" << 44100 << 0;
        QTest::newRow("start past, no end") << "5"
                                            << "" << 44100 << 0;
        QTest::newRow("40 Hz recording") << ".5"
                                         << "1" << 40 << 1;
    }

    void playEndsWhateverTheTimes()
    {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(int, rate);
        QFETCH(int, exitCode);
        if (!TestAudio::pulseAvailable()) {
            QSKIP("no PulseAudio server: start one with tools/start-pulse.sh");
        }
        QTemporaryDir dir;
        QVERIFY(writeCourse(dir.path(), start, end, rate));
        const Run run =
            course({QStringLiteral("--database"), dir.filePath(QStringLiteral("course.wrd")),
                    QStringLiteral("--voice-dir"), dir.filePath(QStringLiteral("voices")),
                    QStringLiteral("play"), QStringLiteral("1"), QStringLiteral("1"),
                    QStringLiteral("0")});
        QVERIFY2(run.exitCode == exitCode, qPrintable(run.err));
        if (exitCode == 1) {
            QVERIFY(run.err.contains(QStringLiteral("no playable recording")));
        }
    }

    void refusesPlayOptionsOutOfRange()
    {
        const QList<QStringList> options{{QStringLiteral("--speed"), QStringLiteral("0.4")},
                                         {QStringLiteral("--speed"), QStringLiteral("0.55")},
                                         {QStringLiteral("--speed"), QStringLiteral("fast")},
                                         {QStringLiteral("--repeat"), QStringLiteral("0")},
                                         {QStringLiteral("--repeat"), QStringLiteral("21")},
                                         {QStringLiteral("--gap"), QStringLiteral("-1")},
                                         {QStringLiteral("--gap"), QStringLiteral("nan")}};
        for (const QStringList& option : options) {
            const Run run = course(option + QStringList{QStringLiteral("play"), QStringLiteral("1"),
                                                        QStringLiteral("1"), QStringLiteral("0")});
            QVERIFY2(run.exitCode == 2, qPrintable(option.join(u' ')));
            QVERIFY2(run.err.contains(option[0]), qPrintable(run.err));
        }
    }

    // A sentence heard as often as asked, each time whole, with the gap between.
    void repeatsWithTheGapsBetween_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<double>("speed");
        QTest::addColumn<double>("gap");
        QTest::newRow("3 times, a fixed gap")
            << QStringList{QStringLiteral("--repeat"), QStringLiteral("3"), QStringLiteral("--gap"),
                           QStringLiteral("0.4")}
            << 1.0 << 0.4;
        QTest::newRow("3 times at 0.7x, gaps as long as the sentence")
            << QStringList{QStringLiteral("--repeat"), QStringLiteral("3"),
                           QStringLiteral("--speed"), QStringLiteral("0.7")}
            << 0.7 << 0.6 / 0.7;
        // Longer than any silence the output would play unasked.
        QTest::newRow("2 times, a 7 s gap")
            << QStringList{QStringLiteral("--repeat"), QStringLiteral("2"), QStringLiteral("--gap"),
                           QStringLiteral("7")}
            << 1.0 << 7.0;
    }

    void repeatsWithTheGapsBetween()
    {
        QFETCH(QStringList, options);
        QFETCH(double, speed);
        QFETCH(double, gap);
        if (!TestAudio::pulseAvailable()) {
            QSKIP("no PulseAudio server: start one with tools/start-pulse.sh");
        }
        constexpr int rate = 44100;
        QTemporaryDir dir;
        QVERIFY(writeCourse(dir.path(), QStringLiteral(".5"), QStringLiteral("1.1"), rate));
        MonitorCapture capture;
        QVERIFY2(capture.start(), qPrintable(capture.errorString()));
        const Run run = course(options + QStringList{QStringLiteral("--database"),
                                                     dir.filePath(QStringLiteral("course.wrd")),
                                                     QStringLiteral("--voice-dir"),
                                                     dir.filePath(QStringLiteral("voices")),
                                                     QStringLiteral("play"), QStringLiteral("1"),
                                                     QStringLiteral("1"), QStringLiteral("0")});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const auto runs = soundRuns(capture.stop(), speed == 1.0 ? 0 : 100);
        QCOMPARE(runs.size(), options[1].toInt());
        // Exact at 1x; the stretch may fade in or out over a few milliseconds.
        const qint64 tolerance = speed == 1.0 ? 1 : rate * 15 / 1000;
        const qint64 length = std::llround(0.6 * rate / speed);
        for (qsizetype i = 0; i < runs.size(); ++i) {
            const qint64 heard = runs[i].second - runs[i].first;
            QVERIFY2(std::abs(heard - length) <= tolerance,
                     qPrintable(QStringLiteral("play %1 lasted %2 frames").arg(i).arg(heard)));
            if (i > 0) {
                const qint64 pause = runs[i].first - runs[i - 1].second;
                QVERIFY2(std::abs(pause - std::llround(gap * rate)) <= tolerance,
                         qPrintable(QStringLiteral("gap %1 lasted %2 frames").arg(i).arg(pause)));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestOrluneCoursePlay)
#include "tst_orlunecourse_play.moc"
