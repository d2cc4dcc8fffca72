#include "testaudio.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTest>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run course(const QStringList& arguments)
{
    QProcess process;
    process.start(QDir(QCoreApplication::applicationDirPath()).filePath("orlune-course"),
                  arguments);
    Run run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace

class TestOrluneCourse : public QObject
{
    Q_OBJECT
private slots:
    void listsTheLessonsThatHaveSentences()
    {
        const Run run = course({QStringLiteral("list")});
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1 + 20);
        QVERIFY(lines.contains(QStringLiteral("1\t12\t16\tQVN1012.dat")));
        QVERIFY(lines.contains(QStringLiteral("2\t96\t10\t-")));
        QVERIFY(lines.contains(QStringLiteral("3\t60\t1\tQVN3060.dat")));
        QVERIFY(!run.out.contains(QStringLiteral("\n1\t5\t")));
    }

    void showsTimesAndTranslations()
    {
        const Run run = course({QStringLiteral("show"), QStringLiteral("1"), QStringLiteral("1")});
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1 + 14);
        QCOMPARE(lines[1].section(u'\t', 0, 1), QStringLiteral("0\t.5"));
        QCOMPARE(lines[1].section(u'\t', 3), QStringLiteral("Good morning, Dad.\t早上好，爸爸。"));
        QCOMPARE(lines.last().section(u'\t', 2, 2), QString());
    }

    void refusesWhatIsNotThere()
    {
        QCOMPARE(
            course({QStringLiteral("show"), QStringLiteral("5"), QStringLiteral("1")}).exitCode, 2);
        QCOMPARE(
            course({QStringLiteral("show"), QStringLiteral("1"), QStringLiteral("5")}).exitCode, 1);
        QCOMPARE(course({QStringLiteral("play"), QStringLiteral("1"), QStringLiteral("1"),
                         QStringLiteral("14")})
                     .exitCode,
                 2);
        const Run silent = course({QStringLiteral("play"), QStringLiteral("2"),
                                   QStringLiteral("96"), QStringLiteral("0")});
        QCOMPARE(silent.exitCode, 1);
        QVERIFY(silent.err.contains(QStringLiteral("QVN2096.dat")));
        const Run missing = course({QStringLiteral("--database"),
                                    QStringLiteral("/nonexistent.wrd"), QStringLiteral("list")});
        QCOMPARE(missing.exitCode, 0);
        QCOMPARE(missing.out.count(u'\n'), 1);
        QCOMPARE(course({QStringLiteral("frobnicate")}).exitCode, 2);
    }

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
};

QTEST_GUILESS_MAIN(TestOrluneCourse)
#include "tst_orlunecourse.moc"
