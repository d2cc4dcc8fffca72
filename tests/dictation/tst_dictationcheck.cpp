#include "dictation/dictationcheck.h"

#include <QTest>

class TestDictationCheck : public QObject
{
    Q_OBJECT
private slots:
    void marksWordByWord_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("marking"); // =right ~typo/answer !wrong/answer -missing +extra
        QTest::addColumn<QString>("score");
        QTest::addColumn<QStringList>("realWords"); // what the dictionary knows; none: no test
        const auto row = [](const char* name, const char* typed, const char* answer,
                            const char* marking, const char* score, QStringList known = {}) {
            QTest::newRow(name) << QString::fromUtf8(typed) << QString::fromUtf8(answer)
                                << QString::fromUtf8(marking) << QString::fromUtf8(score) << known;
        };
        const char* dad = "Good morning, Dad.";
        row("case, punctuation, blanks", "  good   MORNING\tdad!! ", dad, "=good =MORNING =dad",
            "3/3 个单词正确");
        row("full-width input", "Ｇｏｏｄ morning， dad。", dad, "=Ｇｏｏｄ =morning =dad",
            "3/3 个单词正确");
        row("letter left out", "Good mornin dad", dad, "=Good ~mornin/morning =dad",
            "2.5/3 个单词正确");
        row("letters swapped", "Good mornign dad", dad, "=Good ~mornign/morning =dad",
            "2.5/3 个单词正确");
        row("two letters wrong", "Good murnink dad", dad, "=Good !murnink/morning =dad",
            "2/3 个单词正确");
        row("short words are never typos", "It is on the box", "It is in the box.",
            "=It =is !on/in =the =box", "4/5 个单词正确");
        row("missing words", "morning", dad, "-Good =morning -Dad", "1/3 个单词正确");
        row("extra word after a wrong one", "Good evening my dad", dad,
            "=Good !evening/morning +my =dad", "2/3 个单词正确");
        row("empty input", " ... , !", dad, "-Good -morning -Dad", "0/3 个单词正确");
        row("empty answer", "Good morning", "", "+Good +morning", "0/0 个单词正确");
        row("Chinese and IPA typed", "ɡʊd 早上好 dad", dad, "!ɡʊd/Good !早上好/morning =dad",
            "1/3 个单词正确");
        row("apostrophes and dashes", "I dont like twenty one", "I don’t like twenty-one.",
            "=I =dont =like =twenty =one", "5/5 个单词正确");
        const QStringList dictionary{QStringLiteral("live"),    QStringLiteral("lives"),
                                     QStringLiteral("than"),    QStringLiteral("then"),
                                     QStringLiteral("village"), QStringLiteral("good")};
        row("a slip that makes a real word is wrong",
            "My grandmother live in a small vilage by the sea",
            "My grandmother lives in a small village by the sea.",
            "=My =grandmother !live/lives =in =a =small ~vilage/village =by =the =sea",
            "8.5/10 个单词正确", dictionary);
        row("than for then", "And than we went home", "And then we went home.",
            "=And !than/then =we =went =home", "4/5 个单词正确", dictionary);
        row("a non-word slip stays a typo", "Good mornin dad", dad, "=Good ~mornin/morning =dad",
            "2.5/3 个单词正确", dictionary);
    }
    void marksWordByWord()
    {
        QFETCH(QString, typed);
        QFETCH(QString, answer);
        QFETCH(QStringList, realWords);
        const DictationCheck check(
            typed, answer,
            realWords.isEmpty() ? DictationCheck::WordTest()
                                : [&](const QString& key) { return realWords.contains(key); });
        QStringList marks;
        for (const MarkedWord& word : check.words()) {
            const QChar sign = QStringLiteral("=~!-+").at(word.kind);
            const bool paired = word.kind == MarkedWord::Typo || word.kind == MarkedWord::Wrong;
            marks.append(sign + (word.kind == MarkedWord::Missing ? word.expected : word.typed) +
                         (paired ? u'/' + word.expected : QString()));
        }
        QTEST(marks.join(u' '), "marking");
        QTEST(check.scoreLine(), "score");
    }

    // Pasted text far past any sentence is still marked, word for word in order, without a
    // table the size of the product of both lengths.
    void absurdInputIsMarkedInOrder()
    {
        const DictationCheck check(QStringLiteral("one two tree four ").repeated(700),
                                   QStringLiteral("one two three ").repeated(700));
        QCOMPARE(check.answerWordCount(), 2100);
        QCOMPARE(check.words().size(), 2800);
        QCOMPARE(check.words().at(2).kind, MarkedWord::Typo);
        QCOMPARE(check.words().last().kind, MarkedWord::Extra);
    }
};

QTEST_GUILESS_MAIN(TestDictationCheck)
#include "tst_dictationcheck.moc"
