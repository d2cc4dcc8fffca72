#include "align/coursefolder.h"
#include "align/coursetext.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestCourseText : public QObject
{
    Q_OBJECT

private slots:
    void splitsSentences_data();
    void splitsSentences();
    void readsTextFiles_data();
    void readsTextFiles();
    void parsesNewWords();
    void pairsFilesByLessonNumber_data();
    void pairsFilesByLessonNumber();
};

void TestCourseText::splitsSentences_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("sentences");
    QTest::newRow("plain") << u"I am here. You are there! Are we? Yes."_s
                           << QStringList{u"I am here."_s, u"You are there!"_s, u"Are we?"_s,
                                          u"Yes."_s};
    QTest::newRow("titles") << u"Mr. and Mrs. Smith met Dr. Lee on St. John's Road. Ms. Lee left."_s
                            << QStringList{u"Mr. and Mrs. Smith met Dr. Lee on St. John's Road."_s,
                                           u"Ms. Lee left."_s};
    QTest::newRow("initials") << u"J. K. Rowling wrote it. It sold well."_s
                              << QStringList{u"J. K. Rowling wrote it."_s, u"It sold well."_s};
    QTest::newRow("quotation then sentence")
        << u"He said, \"Come here!\" Then he left."_s
        << QStringList{u"He said, \"Come here!\""_s, u"Then he left."_s};
    QTest::newRow("quotation with speaker")
        << u"\"Stop!\" he cried."_s << QStringList{u"\"Stop!\" he cried."_s};
    QTest::newRow("two sentences inside a quotation")
        << u"She said, “Sit down. Eat.” We ate."_s
        << QStringList{u"She said, “Sit down. Eat.”"_s, u"We ate."_s};
    QTest::newRow("runs of marks")
        << u"Wait... What?! Really?"_s << QStringList{u"Wait..."_s, u"What?!"_s, u"Really?"_s};
    QTest::newRow("numbers and abbreviations")
        << u"It costs 3.50 pounds, e.g. in the U.S. today. Good (very good.) Fine."_s
        << QStringList{u"It costs 3.50 pounds, e.g. in the U.S. today."_s, u"Good (very good.)"_s,
                       u"Fine."_s};
    QTest::newRow("line breaks end sentences")
        << u"  First line\r\n\r\nSecond line. Third\nFourth  \n\n"_s
        << QStringList{u"First line"_s, u"Second line."_s, u"Third"_s, u"Fourth"_s};
    QTest::newRow("a title before a capital")
        << u"Mr. Smith is here. Mrs. Green and Dr. Brown are not."_s
        << QStringList{u"Mr. Smith is here."_s, u"Mrs. Green and Dr. Brown are not."_s};
    QTest::newRow("emoji and symbols stay with their sentence")
        << u"Good morning. 😀 ★★ How are you? ♥\n👍\nFine."_s
        << QStringList{u"Good morning. 😀 ★★"_s, u"How are you? ♥ 👍"_s, u"Fine."_s};
    QTest::newRow("what comes before the first sentence")
        << u"😀 🎉\nHello! Bye."_s << QStringList{u"😀 🎉 Hello!"_s, u"Bye."_s};
    QTest::newRow("another script after a sentence")
        << u"Excuse me! 对不起！Thank you."_s
        << QStringList{u"Excuse me! 对不起！"_s, u"Thank you."_s};
    QTest::newRow("nothing spoken at all") << u"😀. ★\n…"_s << QStringList{u"😀. ★ …"_s};
    QTest::newRow("empty") << u" \n\t\n"_s << QStringList{};
}

void TestCourseText::splitsSentences()
{
    QFETCH(QString, text);
    QFETCH(QStringList, sentences);
    QCOMPARE(CourseText::splitIntoSentences(text), sentences);
}

void TestCourseText::readsTextFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<QString>("text");
    const QString chinese = u"我们去公园。\n"_s;
    QTest::newRow("utf-8") << chinese.toUtf8() << true << chinese;
    QTest::newRow("utf-8 with mark")
        << QByteArray("\xef\xbb\xbf" + chinese.toUtf8()) << true << chinese;
    QTest::newRow("gbk") << QByteArray(QStringEncoder("GB18030").encode(chinese)) << true
                         << chinese;
    QTest::newRow("utf-16 with mark")
        << QByteArray(QStringEncoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom)
                          .encode(chinese))
        << true << chinese;
    QTest::newRow("empty") << QByteArray() << true << QString();
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << false
                            << QString();
    QTest::newRow("neither utf-8 nor gbk")
        << QByteArray("abc \x80\xff\xfe def") << false << QString();
    QTest::newRow("too large") << QByteArray(1024 * 1024 + 1, 'a') << false << QString();
}

void TestCourseText::readsTextFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, readable);
    QFETCH(QString, text);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"课文.txt"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    QString read = u"untouched"_s;
    QString error;
    QCOMPARE(CourseText::readTextFile(path, &read, &error), readable);
    if (readable) {
        QCOMPARE(read, text);
        QVERIFY(error.isEmpty());
    } else {
        QCOMPARE(read, u"untouched"_s);
        QVERIFY(error.contains(path));
    }
    QVERIFY(!CourseText::readTextFile(dir.filePath(u"missing.txt"_s), &read, &error));
}

void TestCourseText::parsesNewWords()
{
    const QList<CourseText::NewWord> words =
        CourseText::parseNewWords(u"park\t n. 公园\r\n\r\n  go  \nice cream\t冰淇淋\textra\n"_s);
    QCOMPARE(words.size(), 3);
    QCOMPARE(words[0].word, u"park"_s);
    QCOMPARE(words[0].meaning, u"n. 公园"_s);
    QCOMPARE(words[1].word, u"go"_s);
    QVERIFY(words[1].meaning.isEmpty());
    QCOMPARE(words[2].word, u"ice cream"_s);
    QCOMPARE(words[2].meaning, u"冰淇淋\textra"_s);
}

void TestCourseText::pairsFilesByLessonNumber_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("pairs"); // "recording: lessons: texts"
    QTest::addColumn<int>("skipped");
    QTest::newRow("the usual namings")
        << QStringList{u"Lesson 012.mp3"_s, u"Lesson 012.lrc"_s,   u"3.MP3"_s,
                       u"3.txt"_s,          u"L7 Excuse me.wav"_s, u"L7.srt"_s,
                       u"第9课.ogg"_s,      u"第 9 课 课文.vtt"_s, u"cover.jpg"_s}
        << QStringList{u"3.MP3: 3: 3.txt"_s, u"L7 Excuse me.wav: 7: L7.srt"_s,
                       u"第9课.ogg: 9: 第 9 课 课文.vtt"_s, u"Lesson 012.mp3: 12: Lesson 012.lrc"_s}
        << 0;
    QTest::newRow("two lessons in one recording")
        << QStringList{u"001-002.mp3"_s, u"001.txt"_s, u"002.lrc"_s, u"003&004.mp3"_s,
                       u"Lesson 3.txt"_s}
        << QStringList{u"001-002.mp3: 1,2: 001.txt,002.lrc"_s} << 1;
    QTest::newRow("the last number when nothing names the lesson")
        << QStringList{u"Book1 track 05.mp3"_s, u"NCE1-05.txt"_s}
        << QStringList{u"Book1 track 05.mp3: 5: NCE1-05.txt"_s} << 0;
    QTest::newRow("what cannot be paired is skipped with a reason")
        << QStringList{u"4.mp3"_s, u"Lesson 4.mp3"_s, u"4.txt"_s,     u"5.mp3"_s, u"6.txt"_s,
                       u"6.lrc"_s, u"6.wav"_s,        u"intro.mp3"_s, u"8.txt"_s}
        << QStringList{} << 6;
}

void TestCourseText::pairsFilesByLessonNumber()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, pairs);
    QFETCH(int, skipped);
    const CourseFolder::Pairing pairing = CourseFolder::pairUp(files);
    QStringList got;
    for (const CourseFolder::Pair& pair : pairing.pairs) {
        QStringList lessons;
        for (int lesson : pair.lessons)
            lessons << QString::number(lesson);
        got << u"%1: %2: %3"_s.arg(pair.recording, lessons.join(u','), pair.texts.join(u','));
    }
    QCOMPARE(got, pairs);
    QVERIFY2(pairing.skipped.size() == skipped, qPrintable(pairing.skipped.join(u'\n')));
}

QTEST_GUILESS_MAIN(TestCourseText)
#include "tst_coursetext.moc"
