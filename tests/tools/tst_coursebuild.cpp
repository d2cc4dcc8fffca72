#include "tools/course-builder/coursebuilder.h"
#include "tools/course-builder/courseerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <sndfile.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray firstLesson = "# A lesson with a repeated sentence\n"
                               "en: Good morning.\n"
                               "zh: 早上好。\n"
                               "en: Where is the library?\n"
                               "zh: 图书馆在哪里？\n"
                               "\n"
                               "en: It is next to the bank.\n"
                               "zh: 它在银行旁边。\n"
                               "en: Where is the library?\n"
                               "zh: 图书馆在哪里？\n"
                               "en: Where is  the library?\n"
                               "zh: 图书馆在哪里？\n"
                               "word: library | n.图书馆\n"
                               "word: bank | n.银行\n"
                               "word: next to | 在……旁边\n";

struct Row
{
    QString english, chinese, start, end, lesson, book;
};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Decoded independently of the builder, the way the player reads the file.
std::vector<float> decode(const QString& path, SF_INFO& info)
{
    info = SF_INFO{};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (file == nullptr)
        return {};
    std::vector<float> samples;
    std::vector<float> block(4096 * size_t(info.channels));
    sf_count_t got = 0;
    while ((got = sf_readf_float(file, block.data(), 4096)) > 0)
        samples.insert(samples.end(), block.begin(), block.begin() + got * info.channels);
    sf_close(file);
    return samples;
}

double rms(const std::vector<float>& samples, double from, double to)
{
    const auto first = size_t(std::max(0.0, from * 44100.0));
    const auto last = std::min(samples.size(), size_t(to * 44100.0));
    double sum = 0.0;
    for (size_t i = first; i < last; ++i)
        sum += double(samples[i]) * samples[i];
    return last > first ? std::sqrt(sum / double(last - first)) : 0.0;
}

} // namespace

class TestCourseBuild : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    CourseBuilder::Summary m_first;

    QString course(const QString& file = QString()) const
    {
        return m_dir.filePath(u"course/"_s + file);
    }
    QString out(const QString& file, const QString& build = u"out"_s) const
    {
        return m_dir.filePath(build + u'/' + file);
    }
    QString voice(const QString& file) const { return out(u"语音库/"_s + file); }

    void writeFile(const QString& path, const QByteArray& content) const
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    CourseBuilder::Summary build(const QString& name = u"out"_s) const
    {
        CourseBuilder builder({course(), out(u"qvnxcl.wrd"_s, name), out(u"语音库"_s, name),
                               out(u"course/course.stamp"_s, name)});
        return builder.run();
    }

    QList<QStringList> table(const QString& sql) const
    {
        QList<QStringList> rows;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"check"_s);
            db.setDatabaseName(out(u"qvnxcl.wrd"_s));
            if (db.open()) {
                QSqlQuery query(sql, db);
                while (query.next()) {
                    QStringList row;
                    for (int i = 0; i < query.record().count(); ++i)
                        row.append(query.value(i).toString());
                    rows.append(row);
                }
            }
        }
        QSqlDatabase::removeDatabase(u"check"_s);
        return rows;
    }

    QList<Row> sentences() const
    {
        QList<Row> rows;
        for (const QStringList& r : table(u"SELECT * FROM \"句库\" ORDER BY rowid"_s))
            rows.append({r.at(0), r.at(1), r.at(2), r.at(3), r.at(4), r.at(5)});
        return rows;
    }

    QList<Row> lessonRows(const QString& book, const QString& lesson) const
    {
        QList<Row> rows;
        for (const Row& row : sentences()) {
            if (row.book == book && row.lesson == lesson)
                rows.append(row);
        }
        return rows;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        writeFile(course(u"book1/lesson001.txt"_s), firstLesson);
        writeFile(course(u"book1/lesson002.txt"_s), "audio: none\n"
                                                    "en: Please sit down.\nzh: 请坐。\n"
                                                    "en: Thank you.\nzh: 谢谢。\n"
                                                    "word: sit | v.坐\n");
        writeFile(course(u"book1/lesson012.txt"_s), "en: The rain has stopped.\nzh: 雨停了。\n"
                                                    "en: Let us go outside.\nzh: 我们出去吧。\n");
        writeFile(course(u"book4/lesson048.txt"_s), "en: See you soon.\nzh: 回头见。\n");
        // Left over from an earlier course: a lesson that is gone, one that lost its audio,
        // and a half-written file.
        writeFile(voice(u"QVN3060.dat"_s), "old");
        writeFile(voice(u"QVN102.dat"_s), "old");
        writeFile(voice(u"QVN101.dat.part"_s), "old");
        writeFile(voice(u"readme.txt"_s), "not ours");

        m_first = build();
        QCOMPARE(m_first.lessons, 4);
        QCOMPARE(m_first.synthesised, 4);
        QCOMPARE(m_first.recordings, 3);
        QCOMPARE(m_first.sentences, 10);
        QVERIFY(QFileInfo::exists(out(u"course/course.stamp"_s)));
    }

    void writesTheSchema()
    {
        const QList<QStringList> sentenceColumns =
            table(u"SELECT name, type, \"notnull\" FROM pragma_table_info('句库')"_s);
        const QList<QStringList> expectedSentences{{u"句子"_s, u"TEXT"_s, u"1"_s},
                                                   {u"中文"_s, u"TEXT"_s, u"1"_s},
                                                   {u"开始时间"_s, u"VARCHAR(10)"_s, u"1"_s},
                                                   {u"结束时间"_s, u"VARCHAR(10)"_s, u"1"_s},
                                                   {u"课别"_s, u"VARCHAR(100)"_s, u"1"_s},
                                                   {u"册别"_s, u"VARCHAR(2)"_s, u"1"_s}};
        QCOMPARE(sentenceColumns, expectedSentences);

        const QList<QStringList> wordColumns =
            table(u"SELECT name, type, \"notnull\" FROM pragma_table_info('单词')"_s);
        const QList<QStringList> expectedWords{{u"单词"_s, u"VARCHAR(50)"_s, u"1"_s},
                                               {u"中文"_s, u"VARCHAR(50)"_s, u"1"_s},
                                               {u"课别"_s, u"VARCHAR(50)"_s, u"1"_s},
                                               {u"册别"_s, u"VARCHAR(2)"_s, u"1"_s}};
        QCOMPARE(wordColumns, expectedWords);

        for (const QString& name : {u"句库"_s, u"单词"_s}) {
            const auto indexed =
                table(u"SELECT ii.name FROM pragma_index_list('%1') AS il, "
                      u"pragma_index_info(il.name) AS ii ORDER BY ii.seqno"_s.arg(name));
            const QList<QStringList> expected{{u"册别"_s}, {u"课别"_s}};
            QCOMPARE(indexed, expected);
        }
    }

    void storesRowsInLessonAndFileOrder()
    {
        const QList<Row> rows = sentences();
        QStringList order;
        for (const Row& row : rows)
            order.append(row.book + u'/' + row.lesson + u'/' + row.english);
        const QStringList expected{u"1/Lesson 1/Good morning."_s,
                                   u"1/Lesson 1/Where is the library?"_s,
                                   u"1/Lesson 1/It is next to the bank."_s,
                                   u"1/Lesson 1/Where is the library?"_s,
                                   u"1/Lesson 1/Where is  the library?"_s,
                                   u"1/Lesson 2/Please sit down."_s,
                                   u"1/Lesson 2/Thank you."_s,
                                   u"1/Lesson 12/The rain has stopped."_s,
                                   u"1/Lesson 12/Let us go outside."_s,
                                   u"4/Lesson 48/See you soon."_s};
        QCOMPARE(order, expected);
        QCOMPARE(rows.at(4).english.toUtf8(), "Where is  the library?"_ba);
        QCOMPARE(rows.at(4).chinese, u"图书馆在哪里？"_s);
        // A repeated sentence is spoken again, later.
        QVERIFY(rows.at(3).start.toDouble() > rows.at(1).start.toDouble());

        const auto words = table(u"SELECT * FROM \"单词\" ORDER BY rowid"_s);
        const QList<QStringList> expectedWords{{u"library"_s, u"n.图书馆"_s, u"Lesson 1"_s, u"1"_s},
                                               {u"bank"_s, u"n.银行"_s, u"Lesson 1"_s, u"1"_s},
                                               {u"next to"_s, u"在……旁边"_s, u"Lesson 1"_s, u"1"_s},
                                               {u"sit"_s, u"v.坐"_s, u"Lesson 2"_s, u"1"_s}};
        QCOMPARE(words, expectedWords);
    }

    void keepsTheTimesInOrder()
    {
        static const QRegularExpression form(
            u"^([1-9][0-9]*|[1-9][0-9]*\\.[0-9]?[1-9]|\\.[0-9]?[1-9])$"_s);
        const QList<std::pair<QString, QString>> lessons{{u"1"_s, u"Lesson 1"_s},
                                                         {u"1"_s, u"Lesson 2"_s},
                                                         {u"1"_s, u"Lesson 12"_s},
                                                         {u"4"_s, u"Lesson 48"_s}};
        for (const auto& [book, lesson] : lessons) {
            const QList<Row> rows = lessonRows(book, lesson);
            QVERIFY(!rows.isEmpty());
            QCOMPARE(rows.last().end, QString());
            QCOMPARE(rows.first().start, u".5"_s);
            for (qsizetype i = 0; i < rows.size(); ++i) {
                QVERIFY2(form.match(rows[i].start).hasMatch(), qPrintable(rows[i].start));
                if (i + 1 == rows.size())
                    break;
                QVERIFY2(form.match(rows[i].end).hasMatch(), qPrintable(rows[i].end));
                QVERIFY(rows[i].start.toDouble() < rows[i].end.toDouble());
                QVERIFY(rows[i].end.toDouble() <= rows[i + 1].start.toDouble());
                QVERIFY(rows[i].start.toDouble() < rows[i + 1].start.toDouble());
            }
        }
    }

    void namesRecordingsAndRemovesStaleOnes()
    {
        QVERIFY(QFileInfo::exists(voice(u"QVN101.dat"_s)));
        QVERIFY(QFileInfo::exists(voice(u"QVN1012.dat"_s)));
        QVERIFY(QFileInfo::exists(voice(u"QVN4048.dat"_s)));
        // audio: none gives rows (checked above) and no recording, not even an old one.
        QVERIFY(!QFileInfo::exists(voice(u"QVN102.dat"_s)));
        QCOMPARE(lessonRows(u"1"_s, u"Lesson 2"_s).size(), 2);
        QVERIFY(!QFileInfo::exists(voice(u"QVN3060.dat"_s)));
        QVERIFY(!QFileInfo::exists(voice(u"QVN101.dat.part"_s)));
        QVERIFY(QFileInfo::exists(voice(u"readme.txt"_s)));
    }

    void playsSpeechBetweenStartAndEndOnly()
    {
        SF_INFO info;
        const std::vector<float> samples = decode(voice(u"QVN101.dat"_s), info);
        QCOMPARE(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_MPEG);
        QCOMPARE(info.samplerate, 44100);
        QCOMPARE(info.channels, 1);
        const double length = double(samples.size()) / 44100.0;

        const QList<Row> rows = lessonRows(u"1"_s, u"Lesson 1"_s);
        // MP3 smears a transient over a few milliseconds; stay clear of the edges.
        constexpr double margin = 0.04;
        QVERIFY2(rms(samples, 0.0, rows[0].start.toDouble() - margin) < 0.001, "lead-in");
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const double start = rows[i].start.toDouble();
            const double end = i + 1 < rows.size() ? rows[i].end.toDouble() : length;
            const QByteArray which = rows[i].english.toUtf8();
            QVERIFY2(rms(samples, start, end) > 0.02, which.constData());
            // The times sit on the speech itself, not on the silence around it.
            QVERIFY2(rms(samples, start, start + 0.15) > 0.005, which.constData());
            if (i + 1 < rows.size()) {
                QVERIFY2(rms(samples, end - 0.15, end) > 0.002, which.constData());
                QVERIFY2(rms(samples, end + margin, rows[i + 1].start.toDouble() - margin) < 0.001,
                         which.constData());
            }
        }
    }

    // eSpeak keeps state between sentences, so sameness holds between runs of the tool, each
    // of which starts it afresh.
    void buildsTheSameBytesTwice()
    {
        QProcess tool;
        tool.start(QStringLiteral(COURSE_BUILDER),
                   {u"--course"_s, course(), u"--database"_s, out(u"qvnxcl.wrd"_s, u"again"_s),
                    u"--voice-dir"_s, out(u"语音库"_s, u"again"_s), u"--stamp"_s,
                    out(u"course/course.stamp"_s, u"again"_s)});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        QVERIFY(tool.readAllStandardOutput().contains("4 lessons (4 synthesised, 0 from cache)"));
        QCOMPARE(readAll(out(u"qvnxcl.wrd"_s, u"again"_s)), readAll(out(u"qvnxcl.wrd"_s)));
        for (const QString& name : {u"QVN101.dat"_s, u"QVN1012.dat"_s, u"QVN4048.dat"_s})
            QCOMPARE(readAll(out(u"语音库/"_s + name, u"again"_s)), readAll(voice(name)));
    }

    void reportsErrorsFromTheTool()
    {
        QTemporaryDir broken;
        writeFile(broken.filePath(u"book1/lesson003.txt"_s), "en: Hello.\nzh: 你好。\nnote: x\n");
        QProcess tool;
        tool.start(QStringLiteral(COURSE_BUILDER),
                   {u"--course"_s, broken.path(), u"--database"_s, broken.filePath(u"o.wrd"_s),
                    u"--voice-dir"_s, broken.filePath(u"v"_s), u"--stamp"_s,
                    broken.filePath(u"s"_s)});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 1);
        const QString error = QString::fromUtf8(tool.readAllStandardError());
        QVERIFY2(error.contains(u"book1/lesson003.txt:3: unknown key"_s), qPrintable(error));
        QVERIFY(!QFileInfo::exists(broken.filePath(u"o.wrd"_s)));
        QVERIFY(!QFileInfo::exists(broken.filePath(u"s"_s)));
    }

    void rebuildsOnlyWhatChanged()
    {
        const QByteArray database = readAll(out(u"qvnxcl.wrd"_s));
        const QDateTime written = QFileInfo(voice(u"QVN101.dat"_s)).lastModified();

        CourseBuilder::Summary summary = build();
        QCOMPARE(summary.synthesised, 0);
        QCOMPARE(summary.fromCache, 4);
        QCOMPARE(readAll(out(u"qvnxcl.wrd"_s)), database);

        // A new translation changes no sound.
        writeFile(course(u"book1/lesson012.txt"_s), "en: The rain has stopped.\nzh: 雨已经停了。\n"
                                                    "en: Let us go outside.\nzh: 我们出去吧。\n");
        summary = build();
        QCOMPARE(summary.synthesised, 0);
        QCOMPARE(lessonRows(u"1"_s, u"Lesson 12"_s).at(0).chinese, u"雨已经停了。"_s);

        writeFile(course(u"book1/lesson012.txt"_s), "en: The rain has stopped now.\nzh: 雨停了。\n"
                                                    "en: Let us go outside.\nzh: 我们出去吧。\n");
        const QString oldEnd = lessonRows(u"1"_s, u"Lesson 12"_s).at(0).end;
        summary = build();
        QCOMPARE(summary.synthesised, 1);
        QVERIFY(lessonRows(u"1"_s, u"Lesson 12"_s).at(0).end.toDouble() > oldEnd.toDouble());
        QCOMPARE(QFileInfo(voice(u"QVN101.dat"_s)).lastModified(), written);

        // A damaged or missing recording is made again.
        QVERIFY(QFile::remove(voice(u"QVN4048.dat"_s)));
        writeFile(voice(u"QVN1012.dat"_s), "truncated");
        summary = build();
        QCOMPARE(summary.synthesised, 2);
        QVERIFY(QFileInfo(voice(u"QVN1012.dat"_s)).size() > 1000);
        QVERIFY(QFileInfo::exists(voice(u"QVN4048.dat"_s)));

        // A lesson removed from the course takes its recording with it.
        QVERIFY(QFile::remove(course(u"book4/lesson048.txt"_s)));
        summary = build();
        QCOMPARE(summary.lessons, 3);
        QVERIFY(!QFileInfo::exists(voice(u"QVN4048.dat"_s)));
        QVERIFY(lessonRows(u"4"_s, u"Lesson 48"_s).isEmpty());
    }

    void leavesTheOutputsAloneOnABrokenSource()
    {
        const QByteArray database = readAll(out(u"qvnxcl.wrd"_s));
        const QByteArray stamp = readAll(out(u"course/course.stamp"_s));
        writeFile(course(u"book2/lesson005.txt"_s), "en: No translation here.\n");
        QVERIFY_THROWS_EXCEPTION(CourseError, build());
        QCOMPARE(readAll(out(u"qvnxcl.wrd"_s)), database);
        QCOMPARE(readAll(out(u"course/course.stamp"_s)), stamp);
        QVERIFY(QFile::remove(course(u"book2/lesson005.txt"_s)));
    }
};

QTEST_GUILESS_MAIN(TestCourseBuild)
#include "tst_coursebuild.moc"
