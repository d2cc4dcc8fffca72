#include "lookup/wordpickers.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestWordPickers : public QObject
{
    Q_OBJECT

private slots:
    void richWordAt_data();
    void richWordAt();
    void richWordOnEveryLetter();
    void getWord_data();
    void getWord();
    void delimiters();
};

void TestWordPickers::richWordAt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("word");

    QTest::newRow("don't: on d") << "don't" << 0 << "don";
    QTest::newRow("don't: on n") << "don't" << 2 << "don";
    QTest::newRow("don't: on the apostrophe, just after don") << "don't" << 3 << "don";
    QTest::newRow("don't: on t") << "don't" << 4 << "t";
    QTest::newRow("don't: text end") << "don't" << 5 << "t";
    QTest::newRow("first letter of a later word") << "hello world" << 6 << "world";
    QTest::newRow("blank just after a word") << "hello world" << 5 << "hello";
    QTest::newRow("one-letter word I") << "I am a boy." << 0 << "I";
    QTest::newRow("one-letter word a") << "I am a boy." << 5 << "a";
    QTest::newRow("full stop after a word") << "I am a boy." << 10 << "boy";
    QTest::newRow("number") << "Lesson 12 is easy" << 8 << "12";
    QTest::newRow("underscore joins") << "snake_case here" << 2 << "snake_case";
    QTest::newRow("hyphen splits") << "e-mail" << 3 << "mail";
    QTest::newRow("blank between blanks") << "a  b" << 2 << "";
    QTest::newRow("line break between words") << "one\ntwo" << 4 << "two";
    QTest::newRow("accented letter ends a word") << "café au lait" << 1 << "caf";
    QTest::newRow("Chinese ends a word") << "我的book" << 3 << "book";
    QTest::newRow("on Chinese") << "我的book" << 0 << "";
    QTest::newRow("empty text") << "" << 0 << "";
    QTest::newRow("negative index") << "word" << -1 << "";
    QTest::newRow("beyond the end") << "word" << 5 << "";
}

void TestWordPickers::richWordAt()
{
    QFETCH(QString, text);
    QFETCH(int, index);
    QFETCH(QString, word);
    QCOMPARE(WordPickers::richWordAt(text, index), word);
}

void TestWordPickers::richWordOnEveryLetter()
{
    const QString text = u"It's 5 o'clock, Tom_2 said."_s;
    const QStringList expected = {u"It"_s, u"It"_s, u"It"_s, u"s"_s, u"s"_s,
                                  u"5"_s,  u"5"_s,  u"o"_s,  u"o"_s, u"clock"_s};
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(WordPickers::richWordAt(text, i), expected[i]);
    for (int i = 16; i <= 21; ++i)
        QCOMPARE(WordPickers::richWordAt(text, i), u"Tom_2"_s);
}

void TestWordPickers::getWord_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pos");
    QTest::addColumn<QString>("word");

    QTest::newRow("don't is one word") << "don't" << 3 << "don't";
    QTest::newRow("don't from its start") << "don't" << 0 << "don't";
    const QString entry = u"umbrella /n.伞"_s;
    QTest::newRow("umbrella: start") << entry << 0 << "umbrella";
    QTest::newRow("umbrella: middle") << entry << 4 << "umbrella";
    QTest::newRow("umbrella: blank after it") << entry << 8 << "umbrella";
    QTest::newRow("umbrella: slash") << entry << 9 << "/n";
    QTest::newRow("umbrella: full stop") << entry << 11 << "/n";
    QTest::newRow("umbrella: Chinese meaning") << entry << 12 << "伞";
    QTest::newRow("umbrella: text end") << entry << 13 << "伞";
    QTest::newRow("text end gives the last word") << "one two three" << 13 << "three";
    QTest::newRow("past the text end") << "one two three" << 500 << "three";
    QTest::newRow("blank between blanks") << "one  two" << 4 << "";
    QTest::newRow("one-letter word") << "I am a boy" << 5 << "a";
    QTest::newRow("one-letter word at start") << "I am" << 0 << "I";
    QTest::newRow("question mark") << "Is it?Yes" << 5 << "it";
    QTest::newRow("comma") << "tea,coffee" << 5 << "coffee";
    QTest::newRow("CR LF") << "one\r\ntwo" << 5 << "two";
    QTest::newRow("before CR LF") << "one\r\ntwo" << 3 << "one";
    QTest::newRow("paragraph separator") << u"one\u2029two"_s << 4 << "two";
    QTest::newRow("hyphen and brackets belong to words") << "(well-known)!" << 2 << "(well-known)!";
    QTest::newRow("empty text") << "" << 0 << "";
    QTest::newRow("negative") << "word" << -1 << "";
}

void TestWordPickers::getWord()
{
    QFETCH(QString, text);
    QFETCH(int, pos);
    QFETCH(QString, word);
    QCOMPARE(WordPickers::getWord(text, pos), word);
}

void TestWordPickers::delimiters()
{
    QString found;
    for (char16_t c = 0; c < 0x3000; ++c) {
        if (WordPickers::isDelimiter(QChar(c)))
            found += QChar(c);
    }
    QCOMPARE(found, u"\n\r ,.?\u2028\u2029"_s);
}

QTEST_GUILESS_MAIN(TestWordPickers)
#include "tst_wordpickers.moc"
