#include "tools/course-builder/courseerror.h"
#include "tools/course-builder/coursereader.h"
#include "tools/course-builder/lessonparser.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestCourseSources : public QObject
{
    Q_OBJECT

private:
    static void writeFile(const QString& path, const QByteArray& content)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    static QString parseError(const QByteArray& content)
    {
        try {
            LessonParser::parse(content, u"lesson.txt"_s, 1, 1);
        } catch (const CourseError& error) {
            return error.message();
        }
        return QString();
    }

    static QString readError(const QString& courseDir)
    {
        try {
            CourseReader::read(courseDir);
        } catch (const CourseError& error) {
            return error.message();
        }
        return QString();
    }

private slots:
    void rejectsMalformedLines_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("fragment");

        QTest::newRow("en at end") << "en: Hi.\n"_ba << u"lesson.txt:1:"_s << u"no zh:"_s;
        QTest::newRow("en then en")
            << "en: A.\nen: B.\nzh: 乙\n"_ba << u"lesson.txt:1:"_s << u"no zh:"_s;
        QTest::newRow("en then word")
            << "en: A.\nword: a | n.甲\nzh: 甲\n"_ba << u"lesson.txt:1:"_s << u"no zh:"_s;
        QTest::newRow("zh alone") << "# c\n\nzh: 甲\n"_ba << u"lesson.txt:3:"_s
                                  << u"without an en:"_s;
        QTest::newRow("zh twice") << "en: A.\nzh: 甲\nzh: 乙\n"_ba << u"lesson.txt:3:"_s
                                  << u"without an en:"_s;
        QTest::newRow("unknown key") << "en: A.\nzh: 甲\ncolour: red\n"_ba << u"lesson.txt:3:"_s
                                     << u"unknown key \"colour\""_s;
        QTest::newRow("key case") << "EN: A.\n"_ba << u"lesson.txt:1:"_s << u"unknown key \"EN\""_s;
        QTest::newRow("no colon") << "en A.\n"_ba << u"lesson.txt:1:"_s << u"key and a colon"_s;
        QTest::newRow("empty en") << "en: \nzh: 甲\n"_ba << u"lesson.txt:1:"_s << u"empty en:"_s;
        QTest::newRow("empty zh") << "en: A.\nzh:\n"_ba << u"lesson.txt:2:"_s << u"empty zh:"_s;
        QTest::newRow("word no bar")
            << "word: apple n.苹果\n"_ba << u"lesson.txt:1:"_s << u"word | meaning"_s;
        QTest::newRow("word empty")
            << "word:  | n.苹果\n"_ba << u"lesson.txt:1:"_s << u"empty word"_s;
        QTest::newRow("word too long") << QByteArray("word: " + QByteArray(51, 'a') + " | n.甲\n")
                                       << u"lesson.txt:1:"_s << u"at most 50"_s;
        QTest::newRow("audio value") << "audio: yes\n"_ba << u"lesson.txt:1:"_s << u"none"_s;
        QTest::newRow("audio twice")
            << "audio: none\naudio: none\n"_ba << u"lesson.txt:2:"_s << u"twice"_s;
        QTest::newRow("crlf counts lines") << "en: A.\r\nzh: 甲\r\n\r\nfoo: b\r\n"_ba
                                           << u"lesson.txt:4:"_s << u"unknown key \"foo\""_s;
        QTest::newRow("not utf-8") << "en: caf\xe9\n"_ba << u"lesson.txt:"_s << u"UTF-8"_s;
    }

    void rejectsMalformedLines()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, location);
        QFETCH(QString, fragment);
        const QString error = parseError(content);
        QVERIFY2(error.startsWith(location), qPrintable(error));
        QVERIFY2(error.contains(fragment), qPrintable(error));
    }

    void keepsTextAsWritten()
    {
        const QByteArray content = "\xef\xbb\xbf# Lesson 1\r\n"
                                   "audio: none\r\n"
                                   "en: Is this  your handbag? \r\n"
                                   "zh: 这是您的手提包吗？\r\n"
                                   "\n"
                                   "en: Is this your handbag?\n"
                                   "zh: 这是您的手提包吗？\n"
                                   "word: umbrella | n.伞\n"
                                   "word: a cup of tea | 一杯茶\n";
        const CourseLesson lesson = LessonParser::parse(content, u"x.txt"_s, 2, 7);
        QCOMPARE(lesson.hasAudio, false);
        QCOMPARE(lesson.sentences.size(), 2);
        QCOMPARE(lesson.sentences.at(0).english.toUtf8(), "Is this  your handbag? "_ba);
        QCOMPARE(lesson.sentences.at(0).chinese, u"这是您的手提包吗？"_s);
        QCOMPARE(lesson.sentences.at(0).line, 3);
        QCOMPARE(lesson.sentences.at(1).english, u"Is this your handbag?"_s);
        QCOMPARE(lesson.words.size(), 2);
        QCOMPARE(lesson.words.at(0).word, u"umbrella"_s);
        QCOMPARE(lesson.words.at(0).meaning, u"n.伞"_s);
        QCOMPARE(lesson.words.at(1).word, u"a cup of tea"_s);
        QCOMPARE(lesson.lessonText(), u"Lesson 7"_s);
        QCOMPARE(lesson.bookText(), u"2"_s);
    }

    void namesRecordingsWithAnInsertedZero_data()
    {
        QTest::addColumn<int>("book");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("name");
        QTest::newRow("1-1") << 1 << 1 << u"QVN101.dat"_s;
        QTest::newRow("1-12") << 1 << 12 << u"QVN1012.dat"_s;
        QTest::newRow("2-96") << 2 << 96 << u"QVN2096.dat"_s;
        QTest::newRow("4-48") << 4 << 48 << u"QVN4048.dat"_s;
    }

    void namesRecordingsWithAnInsertedZero()
    {
        QFETCH(int, book);
        QFETCH(int, number);
        QFETCH(QString, name);
        CourseLesson lesson;
        lesson.book = book;
        lesson.number = number;
        QCOMPARE(lesson.audioFileName(), name);
    }

    void rejectsBadFileNames_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("fragment");
        QTest::newRow("two digits") << u"book1/lesson01.txt"_s << u"bad file name"_s;
        QTest::newRow("other file") << u"book1/notes.md"_s << u"bad file name"_s;
        QTest::newRow("backup") << u"book1/lesson001.txt~"_s << u"bad file name"_s;
        QTest::newRow("lesson 0") << u"book1/lesson000.txt"_s << u"out of range"_s;
        QTest::newRow("book 1 past 72")
            << u"book1/lesson073.txt"_s << u"book 1 has lessons 1 to 72"_s;
        QTest::newRow("book 2 past 96")
            << u"book2/lesson097.txt"_s << u"book 2 has lessons 1 to 96"_s;
        QTest::newRow("book 3 past 60")
            << u"book3/lesson061.txt"_s << u"book 3 has lessons 1 to 60"_s;
        QTest::newRow("book 4 past 48")
            << u"book4/lesson049.txt"_s << u"book 4 has lessons 1 to 48"_s;
        QTest::newRow("book 0") << u"book0/lesson001.txt"_s << u"bad folder name"_s;
        QTest::newRow("book 5") << u"book5/lesson001.txt"_s << u"bad folder name"_s;
    }

    void rejectsBadFileNames()
    {
        QFETCH(QString, file);
        QFETCH(QString, fragment);
        QTemporaryDir course;
        writeFile(course.filePath(u"book1/lesson001.txt"_s), "en: A.\nzh: 甲\n");
        writeFile(course.filePath(file), "en: A.\nzh: 甲\n");
        const QString error = readError(course.path());
        QVERIFY2(error.contains(fragment), qPrintable(error));
        QVERIFY2(error.contains(file.section(u'/', 0, 0)), qPrintable(error));
    }

    void readsLessonsInBookAndLessonOrder()
    {
        QTemporaryDir course;
        writeFile(course.filePath(u"book2/lesson096.txt"_s), "en: D.\nzh: 丁\n");
        writeFile(course.filePath(u"book1/lesson010.txt"_s), "en: C.\nzh: 丙\n");
        writeFile(course.filePath(u"book1/lesson002.txt"_s), "en: B.\nzh: 乙\n");
        writeFile(course.filePath(u"book4/lesson048.txt"_s), "en: E.\nzh: 戊\n");
        writeFile(course.filePath(u"book1/.lesson002.txt.swp"_s), "junk");
        writeFile(course.filePath(u"README.md"_s), "not a lesson");

        const QList<CourseLesson> lessons = CourseReader::read(course.path());
        QList<std::pair<int, int>> order;
        for (const CourseLesson& lesson : lessons)
            order.append({lesson.book, lesson.number});
        const QList<std::pair<int, int>> expected{{1, 2}, {1, 10}, {2, 96}, {4, 48}};
        QCOMPARE(order, expected);
        QCOMPARE(lessons.at(1).sentences.at(0).english, u"C."_s);
    }

    void rejectsAMissingCourse()
    {
        QVERIFY(readError(u"/nonexistent/course"_s).contains(u"not found"_s));
    }
};

QTEST_GUILESS_MAIN(TestCourseSources)
#include "tst_coursesources.moc"
