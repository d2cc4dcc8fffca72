#include "runcourse.h"
#include "testsignals.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <sndfile.h>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// A whole folder is aligned lesson by lesson: under the sanitisers, on a machine doing other
// work, that takes far longer than a single command's usual limit.
constexpr int folderImportMs = 300000;

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

using namespace Qt::StringLiterals;

class TestOrluneCourse : public QObject
{
    Q_OBJECT

    // The learner's store the import tests share, and what it showed of book 1, lesson 1 after
    // the one import that went through.
    QTemporaryDir m_learner;
    QString m_imported;

    QString learnerFile(const QString& name) const { return m_learner.filePath(name); }
    QString carriedRecording() const
    {
        return QDir(QCoreApplication::applicationDirPath())
            .filePath(QStringLiteral("语音库/QVN101.dat"));
    }
    Run showStored() const
    {
        return course({QStringLiteral("show"), QStringLiteral("1"), QStringLiteral("1"),
                       QStringLiteral("--store"), learnerFile(QStringLiteral("store"))});
    }
    Run import(const QStringList& options) const
    {
        return course(QStringList{QStringLiteral("import"), QStringLiteral("--store"),
                                  learnerFile(QStringLiteral("store"))} +
                      options);
    }

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

    void importsALearnersLesson()
    {
        // The carried lesson's own text and recording, with translations of the learner's own
        // in GBK: the store's lesson is shown instead of the carried one.
        QStringList sentences;
        QStringList translations;
        const QStringList lines =
            course({QStringLiteral("show"), QStringLiteral("1"), QStringLiteral("1")})
                .out.split(u'\n', Qt::SkipEmptyParts)
                .mid(1);
        for (const QString& line : lines) {
            sentences.append(line.section(u'\t', 3, 3));
            translations.append(QStringLiteral("第%1句").arg(translations.size() + 1));
        }
        QCOMPARE(sentences.size(), 14);
        QVERIFY(writeBytes(learnerFile(QStringLiteral("text.txt")), sentences.join(u' ').toUtf8()));
        QVERIFY(writeBytes(learnerFile(QStringLiteral("gbk.txt")),
                           QStringEncoder("GB18030").encode(translations.join(u'\n'))));
        QVERIFY(writeBytes(learnerFile(QStringLiteral("words.txt")), "window\t窗户\n"));
        const Run run = import(
            {QStringLiteral("--replace"), QStringLiteral("--book"), QStringLiteral("1"),
             QStringLiteral("--lesson"), QStringLiteral("1"), QStringLiteral("--audio"),
             carriedRecording(), QStringLiteral("--text"), learnerFile(QStringLiteral("text.txt")),
             QStringLiteral("--translations"), learnerFile(QStringLiteral("gbk.txt")),
             QStringLiteral("--words"), learnerFile(QStringLiteral("words.txt"))});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const Run shown = showStored();
        QCOMPARE(shown.exitCode, 0);
        const QStringList rows = shown.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 1 + 14);
        QCOMPARE(rows[1].section(u'\t', 3), QStringLiteral("Good morning, Dad.\t第1句"));
        QCOMPARE(rows.last().section(u'\t', 2), QStringLiteral("\tSee you this evening.\t第14句"));
        m_imported = shown.out;
    }

    void refusesBadImportsKeepingTheLesson_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        const auto file = [this](const char* name) { return learnerFile(QLatin1String(name)); };
        // Book 1, lesson 1 from the recording and text given, replacing the earlier import.
        const auto lesson = [&](const QString& audio, const QString& text) {
            return QStringList{QStringLiteral("--book"),   QStringLiteral("1"),
                               QStringLiteral("--lesson"), QStringLiteral("1"),
                               QStringLiteral("--audio"),  audio,
                               QStringLiteral("--text"),   text,
                               QStringLiteral("--replace")};
        };
        const QStringList good = lesson(carriedRecording(), file("text.txt"));
        writeBytes(file("empty.txt"), {});
        writeBytes(file("binary.txt"), QByteArray("\x7f"
                                                  "ELF\2\1\1\0",
                                                  8));
        writeBytes(file("three.txt"), "一\n二\n三\n");
        writeBytes(file("corrupt.mp3"), QByteArray(40000, '\x5a'));
        TestSignals::writeFile(file("silent.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 16000, 1,
                               std::vector<qint16>(16000 * 20));

        QStringList book5 = good;
        book5[1] = QStringLiteral("5");
        QStringList lesson73 = good;
        lesson73[3] = QStringLiteral("73");
        QTest::newRow("book 5") << book5 << 2;
        QTest::newRow("lesson 73 of book 1") << lesson73 << 2;
        QTest::newRow("no book") << good.mid(2) << 2;
        QTest::newRow("no text") << good.mid(0, 6) << 2;
        QTest::newRow("missing recording") << lesson(file("none.mp3"), file("text.txt")) << 1;
        QTest::newRow("corrupt MP3") << lesson(file("corrupt.mp3"), file("text.txt")) << 1;
        QTest::newRow("silent recording") << lesson(file("silent.wav"), file("text.txt")) << 1;
        QTest::newRow("empty text") << lesson(carriedRecording(), file("empty.txt")) << 1;
        QTest::newRow("binary text") << lesson(carriedRecording(), file("binary.txt")) << 1;
        QTest::newRow("3 translations for 14 sentences")
            << good + QStringList{QStringLiteral("--translations"), file("three.txt")} << 1;
        QTest::newRow("missing words file")
            << good + QStringList{QStringLiteral("--words"), file("none.txt")} << 1;
        QTest::newRow("an earlier import, without --replace") << good.mid(0, 8) << 1;
        writeBytes(file("tags.lrc"), "[ti:Lesson 1]\n[ar:Teacher]\n");
        writeBytes(file("late.lrc"), "[ti:Lesson 1]\n[05:00.00]Good morning.\n[06:00.00]Bye.\n");
        QTest::newRow("LRC with no times") << lesson(carriedRecording(), file("tags.lrc")) << 1;
        QTest::newRow("LRC times beyond the recording")
            << lesson(carriedRecording(), file("late.lrc")) << 1;
    }

    void refusesBadImportsKeepingTheLesson()
    {
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QVERIFY(!m_imported.isEmpty());
        const Run run = import(options);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY(!run.err.isEmpty());
        QCOMPARE(showStored().out, m_imported);
    }

    // What is not what it claims to be is refused at once, saying what was wrong.
    void refusesWhatIsNotANumberOrARecording_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("told");
        const QString text = learnerFile(QStringLiteral("pipe-text.txt"));
        writeBytes(text, "Good morning.\nHow are you?\n");
        const QStringList store{QStringLiteral("--store"), learnerFile(QStringLiteral("store"))};
        QTest::newRow("lesson \"x\"") << QStringList{QStringLiteral("import"),
                                                     QStringLiteral("--book"),
                                                     QStringLiteral("1"),
                                                     QStringLiteral("--lesson"),
                                                     QStringLiteral("x"),
                                                     QStringLiteral("--audio"),
                                                     carriedRecording(),
                                                     QStringLiteral("--text"),
                                                     text} +
                                             store
                                      << 2 << QStringLiteral("\"x\"");
        QTest::newRow("book \"1a\"")
            << QStringList{QStringLiteral("remove"), QStringLiteral("--book"), QStringLiteral("1a"),
                           QStringLiteral("--lesson"), QStringLiteral("1")} +
                   store
            << 2 << QStringLiteral("\"1a\"");
#ifdef Q_OS_UNIX
        // A named pipe would block the reader until someone writes to it, maybe forever.
        const QString pipe = learnerFile(QStringLiteral("pipe.mp3"));
        QFile::remove(pipe);
        if (mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0) {
            QTest::newRow("named pipe, align")
                << QStringList{QStringLiteral("align"), QStringLiteral("--audio"), pipe,
                               QStringLiteral("--text"), text}
                << 1 << QStringLiteral("不是普通文件");
            QTest::newRow("named pipe, import") << QStringList{QStringLiteral("import"),
                                                               QStringLiteral("--book"),
                                                               QStringLiteral("1"),
                                                               QStringLiteral("--lesson"),
                                                               QStringLiteral("2"),
                                                               QStringLiteral("--audio"),
                                                               pipe,
                                                               QStringLiteral("--text"),
                                                               text,
                                                               QStringLiteral("--replace")} +
                                                       store
                                                << 1 << QStringLiteral("不是普通文件");
            QTest::newRow("named pipe as the text, align")
                << QStringList{QStringLiteral("align"), QStringLiteral("--audio"),
                               carriedRecording(), QStringLiteral("--text"), pipe}
                << 1 << QStringLiteral("不是文本文件（不是普通文件）");
        }
#endif
    }

    void refusesWhatIsNotANumberOrARecording()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, told);
        const Run run = course(arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(told), qPrintable(run.err));
        QVERIFY2(!run.err.contains(QStringLiteral("book 0")), qPrintable(run.err));
    }

    void removeGivesTheCarriedLessonBack()
    {
        const QStringList lesson{QStringLiteral("remove"),
                                 QStringLiteral("--store"),
                                 learnerFile(QStringLiteral("store")),
                                 QStringLiteral("--book"),
                                 QStringLiteral("1"),
                                 QStringLiteral("--lesson"),
                                 QStringLiteral("1")};
        QCOMPARE(course(lesson).exitCode, 0);
        QCOMPARE(showStored().out,
                 course({QStringLiteral("show"), QStringLiteral("1"), QStringLiteral("1")}).out);
        // Removing what is not there is no error; a lesson that does not exist is.
        QCOMPARE(course(lesson).exitCode, 0);
        QCOMPARE(
            course(lesson.mid(0, 5) + QStringList{QStringLiteral("--lesson"), QStringLiteral("0")})
                .exitCode,
            2);
    }

    void importsABilingualLrcAtItsTimes()
    {
        // The carried lesson's times and texts written as LRC, the Chinese line under each
        // English one: the import finds the same spans (the times given are the carried ones)
        // and takes the Chinese as translations; a carried lesson is only replaced when asked.
        QString lrc = u"[ti:Lesson 1]\n[offset:0]\n"_s;
        QStringList expected;
        const QStringList carried =
            course({u"show"_s, u"1"_s, u"1"_s}).out.split(u'\n', Qt::SkipEmptyParts).mid(1);
        for (const QString& row : carried) {
            const double start = row.section(u'\t', 1, 1).toDouble();
            const QString time = u"[%1:%2]"_s.arg(int(start) / 60, 2, 10, QChar(u'0'))
                                     .arg(std::fmod(start, 60.0), 5, 'f', 2, QChar(u'0'));
            lrc +=
                time + row.section(u'\t', 3, 3) + u'\n' + time + row.section(u'\t', 4, 4) + u'\n';
        }
        QVERIFY(writeBytes(learnerFile(u"lesson.lrc"_s), lrc.toUtf8()));
        const QStringList options = {u"import"_s,
                                     u"--store"_s,
                                     learnerFile(u"lrcstore"_s),
                                     u"--book"_s,
                                     u"1"_s,
                                     u"--lesson"_s,
                                     u"1"_s,
                                     u"--audio"_s,
                                     carriedRecording(),
                                     u"--text"_s,
                                     learnerFile(u"lesson.lrc"_s)};
        const Run refused = course(options);
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.contains(u"--replace"_s), qPrintable(refused.err));
        const Run run = course(options + QStringList{u"--replace"_s});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const QStringList stored =
            course({u"show"_s, u"1"_s, u"1"_s, u"--store"_s, learnerFile(u"lrcstore"_s)})
                .out.split(u'\n', Qt::SkipEmptyParts)
                .mid(1);
        QCOMPARE(stored.size(), carried.size());
        for (int k = 0; k < stored.size(); ++k) {
            QCOMPARE(stored[k].section(u'\t', 3), carried[k].section(u'\t', 3));
            for (int column : {1, 2}) {
                const QString want = carried[k].section(u'\t', column, column);
                const QString got = stored[k].section(u'\t', column, column);
                QCOMPARE(got.isEmpty(), want.isEmpty());
                QVERIFY2(std::abs(got.toDouble() - want.toDouble()) <= 0.015,
                         qPrintable(stored[k] + u" / "_s + carried[k]));
            }
        }
    }

    void importsAWholeFolder()
    {
        // A book's folder as learners have it: LRC, SRT and plain text beside their recordings,
        // one recording holding two lessons with a text for each, a recording without a text,
        // and a carried lesson that is only replaced when asked.
        const QStringList carried =
            course({u"show"_s, u"1"_s, u"1"_s}).out.split(u'\n', Qt::SkipEmptyParts).mid(1);
        QString lrc, srt;
        QStringList english;
        for (int k = 0; k < carried.size(); ++k) {
            const double start = carried[k].section(u'\t', 1, 1).toDouble();
            const double end =
                k + 1 < carried.size() ? carried[k].section(u'\t', 2, 2).toDouble() : start + 1.5;
            const QString text = carried[k].section(u'\t', 3, 3);
            const QString chinese = carried[k].section(u'\t', 4, 4);
            lrc +=
                u"[00:%1]%2\n[00:%1]%3\n"_s.arg(start, 5, 'f', 2, QChar(u'0')).arg(text, chinese);
            const auto clock = [](double t) {
                return u"00:00:%1"_s.arg(t, 6, 'f', 3, QChar(u'0')).replace(u'.', u',');
            };
            srt += u"%1\n%2 --> %3\n%4\n\n"_s.arg(k + 1).arg(clock(start), clock(end), text);
            english << text;
        }
        QDir folder(learnerFile(u"book1"_s));
        QVERIFY(folder.mkpath(u"."_s));
        const auto recording = [&](const QString& name) {
            QVERIFY(QFile::copy(carriedRecording(), folder.filePath(name)));
        };
        recording(u"Lesson 005.mp3"_s);
        QVERIFY(writeBytes(folder.filePath(u"Lesson 005.lrc"_s), lrc.toUtf8()));
        recording(u"6.mp3"_s);
        QVERIFY(writeBytes(folder.filePath(u"6.srt"_s), srt.toUtf8()));
        recording(u"L7 Good morning.mp3"_s);
        QVERIFY(writeBytes(folder.filePath(u"L7.txt"_s), english.join(u' ').toUtf8()));
        recording(u"013-014.mp3"_s);
        QVERIFY(writeBytes(folder.filePath(u"013.txt"_s), english.mid(0, 7).join(u'\n').toUtf8()));
        QVERIFY(writeBytes(folder.filePath(u"014.txt"_s), english.mid(7).join(u'\n').toUtf8()));
        recording(u"Lesson 1.mp3"_s);
        QVERIFY(writeBytes(folder.filePath(u"Lesson 1.txt"_s), english.join(u'\n').toUtf8()));
        recording(u"20.mp3"_s);
        // A sentence the recording does not hold: stored, and named for the learner to check.
        recording(u"8.mp3"_s);
        QStringList wrong = english;
        wrong[3] = u"Elephants rarely dance quietly under purple umbrellas."_s;
        QVERIFY(writeBytes(folder.filePath(u"8.txt"_s), wrong.join(u'\n').toUtf8()));

        const QStringList options = {u"import-folder"_s,
                                     u"--book"_s,
                                     u"1"_s,
                                     u"--folder"_s,
                                     folder.path(),
                                     u"--store"_s,
                                     learnerFile(u"bookstore"_s)};
        const Run run = course(options, folderImportMs);
        QCOMPARE(run.exitCode, 1);
        QStringList outcomes;
        for (const QString& line : run.out.split(u'\n', Qt::SkipEmptyParts))
            outcomes << line.section(u'\t', 0, 2);
        QCOMPARE(outcomes, (QStringList{u"1\t1\trefused"_s, u"1\t5\tstored"_s, u"1\t6\tstored"_s,
                                        u"1\t7\tstored"_s, u"1\t8\tunsure 1"_s, u"1\t13\tstored"_s,
                                        u"1\t14\tstored"_s}));
        QVERIFY2(run.out.contains(u"1\t8\tunsure 1\t8.mp3：第 4 句没有把握"_s),
                 qPrintable(run.out));
        QVERIFY2(run.err.contains(u"20.mp3"_s), qPrintable(run.err));
        QVERIFY2(run.out.contains(u"--replace"_s), qPrintable(run.out));

        // Every lesson where its number says, each sentence where the carried lesson has it.
        const auto stored = [&](int lesson) {
            return course({u"show"_s, u"1"_s, QString::number(lesson), u"--store"_s,
                           learnerFile(u"bookstore"_s)})
                .out.split(u'\n', Qt::SkipEmptyParts)
                .mid(1);
        };
        QList<QStringList> lessons = {stored(5), stored(6), stored(7), stored(13) + stored(14)};
        for (const QStringList& rows : lessons) {
            QCOMPARE(rows.size(), carried.size());
            for (int k = 0; k < rows.size(); ++k) {
                QCOMPARE(rows[k].section(u'\t', 3, 3), english[k]);
                const double start = carried[k].section(u'\t', 1, 1).toDouble();
                QVERIFY2(std::abs(rows[k].section(u'\t', 1, 1).toDouble() - start) <= 0.015,
                         qPrintable(rows[k]));
            }
        }
        QCOMPARE(lessons[0][3].section(u'\t', 4), carried[3].section(u'\t', 4));
        QVERIFY(!stored(13).last().section(u'\t', 2, 2).isEmpty()); // lesson 14 follows it

        const Run replaced = course(options + QStringList{u"--replace"_s}, folderImportMs);
        QVERIFY2(replaced.exitCode == 0, qPrintable(replaced.out + replaced.err));
        QCOMPARE(stored(1).size(), carried.size());
    }
};

QTEST_GUILESS_MAIN(TestOrluneCourse)
#include "tst_orlunecourse.moc"
