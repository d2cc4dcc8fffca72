#include "align/timedtext.h"

#include <QTest>
#include <cmath>

using namespace Qt::StringLiterals;
using TimedText::Format;

Q_DECLARE_METATYPE(TimedText::Format)

class TestTimedText : public QObject
{
    Q_OBJECT

private slots:
    void readsTimedTexts_data();
    void readsTimedTexts();
    void keepsToTheRecording();
    void writesWhatItReads_data();
    void writesWhatItReads();
};

// A parsed text as one line per sentence, "start end english | chinese", to compare whole.
static QStringList described(const TimedText::Parsed& parsed)
{
    QStringList out;
    for (const TimedText::Line& line : parsed.lines) {
        out << u"%1 %2 %3 | %4"_s.arg(line.start, 0, 'f', 3)
                   .arg(line.end, 0, 'f', 3)
                   .arg(line.english, line.chinese);
    }
    return out;
}

void TestTimedText::readsTimedTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Format>("format");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("notes");

    QTest::newRow("plain text") << u"Excuse me!\nYes?\n"_s << Format::Plain << QStringList{}
                                << QString() << 0;
    QTest::newRow("bilingual lrc, same times, tags, offset")
        << u"\xfeff[ti:Lesson 1]\r\n[ar:Voice]\r\n[offset:+500]\r\n[00:02.74]Excuse me!\r\n"
           "[00:02.74]对不起！\r\n[00:04.5]Yes?\r\n[00:04.5]什么事？\r\n[01:06.123]Is this your "
           "handbag?\r\n"_s
        << Format::Lrc
        << QStringList{u"2.240 4.000 Excuse me! | 对不起！"_s, u"4.000 65.623 Yes? | 什么事？"_s,
                       u"65.623 -1.000 Is this your handbag? | "_s}
        << u"Lesson 1"_s << 0;
    QTest::newRow("lrc: english then chinese on a line, several times, end marks")
        << u"[00:01.00][00:09.00]Thank you. 谢谢。\n[00:03.00]\n[00:05:50]<b>Pardon?</b>\n"_s
        << Format::Lrc
        << QStringList{u"1.000 3.000 Thank you. | 谢谢。"_s, u"5.500 9.000 Pardon? | "_s,
                       u"9.000 -1.000 Thank you. | 谢谢。"_s}
        << QString() << 0;
    QTest::newRow("lrc: out of order, untimed line, lonely chinese")
        << u"Lesson 3\n[00:08.00]Sorry sir.\n[00:02.00]My coat, please.\n[00:02.50]我的大衣。\n"
           "[00:20.00]谁的？\n"_s
        << Format::Lrc
        << QStringList{u"2.000 8.000 My coat, please. | 我的大衣。"_s,
                       u"8.000 -1.000 Sorry sir. | 谁的？"_s}
        << QString() << 2;
    QTest::newRow("srt: two-language cues, styling, empty cue, no index")
        << u"1\n00:00:01,000 --> 00:00:02,500\n<i>Good morning.</i>\n早上好。\n\n2\n"
           "00:00:03,000 --> 00:00:03,500\n\n00:00:04,250 --> 00:00:06,000\n{\\an8}How are "
           "you\ntoday?\n\n"_s
        << Format::Srt
        << QStringList{u"1.000 2.500 Good morning. | 早上好。"_s,
                       u"4.250 6.000 How are you today? | "_s}
        << QString() << 1;
    QTest::newRow("srt: overlapping cues and a cue without times")
        << u"1\n00:00:01,000 --> 00:00:05,000\nOne.\n\n2\nTwo without a time.\n\n3\n"
           "00:00:04,000 --> 00:00:04,000\nThree.\n"_s
        << Format::Srt << QStringList{u"1.000 4.000 One. | "_s, u"4.000 -1.000 Three. | "_s}
        << QString() << 1;
    QTest::newRow("webvtt: header, note, settings, voices, entities, short times")
        << u"WEBVTT - a talk\n\nNOTE made by hand\n\nSTYLE\n::cue { color: red }\n\nintro\n"
           "00:01.000 --> 00:02.000 align:start line:0\n<v Tom>Fish &amp; chips.</v>\n\n"
           "00:00:02.500 --> 00:00:04.000\n<c.loud>Really?</c> <00:03.000>Yes!\n真的吗？\n"_s
        << Format::WebVtt
        << QStringList{u"1.000 2.000 Fish & chips. | "_s, u"2.500 4.000 Really? Yes! | 真的吗？"_s}
        << QString() << 0;
    QTest::newRow("lrc with no times left after its tags")
        << u"[ti:Empty]\n[by:someone]\n"_s << Format::Lrc << QStringList{} << u"Empty"_s << 0;
    QTest::newRow("plain text with brackets")
        << u"[Note: read slowly]\nHello.\n"_s << Format::Plain << QStringList{} << QString() << 0;
}

void TestTimedText::readsTimedTexts()
{
    QFETCH(QString, text);
    QFETCH(Format, format);
    QFETCH(QStringList, lines);
    QFETCH(QString, title);
    QFETCH(int, notes);
    QCOMPARE(TimedText::detect(text), format);
    const TimedText::Parsed parsed = TimedText::parse(text);
    QCOMPARE(parsed.format, format);
    QCOMPARE(described(parsed), lines);
    QCOMPARE(parsed.title, title);
    QCOMPARE(parsed.notes.size(), notes);
}

void TestTimedText::keepsToTheRecording()
{
    TimedText::Parsed parsed =
        TimedText::parse(u"[00:01.00]One.\n[00:09.00]Two.\n[00:12.00]Three.\n[00:15.00]Four.\n"_s);
    TimedText::fitTo(10.0, &parsed);
    QCOMPARE(described(parsed), (QStringList{u"1.000 9.000 One. | "_s, u"9.000 10.000 Two. | "_s}));
    QCOMPARE(parsed.notes.size(), 1);
    TimedText::fitTo(0.5, &parsed);
    QVERIFY(parsed.lines.isEmpty());
}

void TestTimedText::writesWhatItReads_data()
{
    QTest::addColumn<bool>("lrc");
    QTest::newRow("lrc") << true;
    QTest::newRow("srt") << false;
}

// What the export writes, the import reads back: the same texts, the same times (LRC holds
// hundredths), the Chinese as the Chinese.
void TestTimedText::writesWhatItReads()
{
    QFETCH(bool, lrc);
    const QList<TimedText::Line> lines = {
        {u"Excuse me!"_s, u"对不起！"_s, 0.504, 1.883},
        {u"Yes?"_s, QString(), 1.883, 3.0},
        {u"Is this your handbag?"_s, u"这是您的手提包吗？"_s, 3.25, 65.995},
        {u"Thank you very much."_s, u"非常感谢！"_s, 70.0, 3725.5}};
    const QString written = lrc ? TimedText::toLrc(lines, u"Lesson 1"_s) : TimedText::toSrt(lines);
    const TimedText::Parsed read = TimedText::parse(written);
    QCOMPARE(read.format, lrc ? Format::Lrc : Format::Srt);
    QCOMPARE(read.lines.size(), lines.size());
    QVERIFY(read.notes.isEmpty());
    const double within = lrc ? 0.005 : 0.0005;
    for (qsizetype k = 0; k < lines.size(); ++k) {
        QCOMPARE(read.lines[k].english, lines[k].english);
        QCOMPARE(read.lines[k].chinese, lines[k].chinese);
        QVERIFY(std::abs(read.lines[k].start - lines[k].start) <= within);
        QVERIFY2(std::abs(read.lines[k].end - lines[k].end) <= within, qPrintable(written));
    }
}

QTEST_APPLESS_MAIN(TestTimedText)
#include "tst_timedtext.moc"
