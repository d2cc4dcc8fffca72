#include "dictation/dictationcheck.h"
#include "dictation/dictationqueue.h"

#include <QTest>

using namespace Qt::StringLiterals;

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

    // Starred sentences dictated in turn: each move lands on the next sentence the window can
    // open that way, passing over those it cannot (a lesson imported anew may hold fewer), and
    // stands still at either end.
    void theStarredListSkipsWhatCannotOpen_data()
    {
        QTest::addColumn<QString>("opens"); // a letter a sentence: o opens, x does not
        // "+" or "-" a move, each followed by where the list stands after it ("=2"), or "=!2"
        // when the move found nothing and the list stayed at 2.
        QTest::addColumn<QStringList>("moves");
        QTest::addColumn<QString>("more"); // hasMore(-1) and hasMore(1) at the end: "<>", "<", ">"
        QTest::newRow("all open, there and back")
            << u"ooo"_s << QStringList{u"+=0"_s, u"+=1"_s, u"+=2"_s, u"+=!2"_s, u"-=1"_s}
            << u"<>"_s;
        QTest::newRow("the first cannot open")
            << u"xoo"_s << QStringList{u"+=1"_s, u"-=!1"_s} << u"<>"_s;
        QTest::newRow("passes over the middle both ways")
            << u"oxxo"_s << QStringList{u"+=0"_s, u"+=3"_s, u"-=0"_s, u"-=!0"_s} << u">"_s;
        QTest::newRow("the last cannot open: next finds nothing")
            << u"oox"_s << QStringList{u"+=0"_s, u"+=1"_s, u"+=!1"_s} << u"<>"_s;
        QTest::newRow("none opens") << u"xx"_s << QStringList{u"+=!-1"_s} << u">"_s;
        QTest::newRow("empty list")
            << QString() << QStringList{u"+=!-1"_s, u"-=!-1"_s} << QString();
        QTest::newRow("one sentence")
            << u"o"_s << QStringList{u"+=0"_s, u"+=!0"_s, u"-=!0"_s} << QString();
    }

    void theStarredListSkipsWhatCannotOpen()
    {
        QFETCH(QString, opens);
        QFETCH(QStringList, moves);
        QFETCH(QString, more);
        QList<StarredSentence> sentences;
        for (int i = 0; i < opens.size(); ++i) {
            // Across lessons and books, in the order the list was given.
            sentences.append({1 + i % 2, 10 - i, i, QString::number(i)});
        }
        DictationQueue queue;
        queue.setSentences(sentences);
        QCOMPARE(queue.isActive(), !opens.isEmpty());
        QCOMPARE(queue.size(), opens.size());
        for (const QString& move : moves) {
            QList<int> tried;
            const bool moved = queue.step(move[0] == u'+' ? 1 : -1, [&](const StarredSentence& s) {
                tried << s.index;
                return opens[s.index] == u'o';
            });
            const bool stays = move[2] == u'!';
            const int at = move.mid(stays ? 3 : 2).toInt();
            QVERIFY2(moved != stays, qPrintable(move));
            QCOMPARE(queue.position(), at);
            if (at >= 0) {
                QCOMPARE(queue.current().sentence, QString::number(at));
                QCOMPARE(queue.current().lesson, 10 - at);
            }
            // Tried one by one in the direction of the move, the last tried is where it stands.
            if (moved) {
                QCOMPARE(tried.last(), at);
            }
            for (qsizetype k = 1; k < tried.size(); ++k) {
                QCOMPARE(tried[k] - tried[k - 1], move[0] == u'+' ? 1 : -1);
            }
        }
        QCOMPARE(queue.hasMore(-1), more.contains(u'<'));
        QCOMPARE(queue.hasMore(1), more.contains(u'>'));
        queue.clear();
        QVERIFY(!queue.isActive());
        QVERIFY(!queue.hasMore(1));
    }
};

QTEST_GUILESS_MAIN(TestDictationCheck)
#include "tst_dictationcheck.moc"
