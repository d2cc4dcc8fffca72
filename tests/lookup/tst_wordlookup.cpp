#include "lookup/wordlookup.h"
#include "testdictionary.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QStringList smallEntries = {
    u"a[ei, 2]art.一个"_s,
    u"abandon[2'b9nd2n]vt.放弃"_s,
    u"aluminium[]n.铝"_s,
    u"book[buk]n.书"_s,
    u"box[b0ks]n.盒子"_s,
    u"cheque[t6ek]n.支票=[美作:check]"_s,
    u"E-mail['i:meil]n.电子邮件"_s,
    u"e-mail[]n.(小写)电子邮件"_s,
    u"fat[f9t]a.胖的"_s,
    u"happy['h9pi]a.快乐的"_s,
    u"her[h2:, h2]pron.她"_s,
    u"hot[h0t]a.热的"_s,
    u"I[ai]pron.我"_s,
    u"leaf[li:f]n.叶子"_s,
    u"leave[li:v]vt.离开"_s,
    u"lesson['lesn]n.课"_s,
    u"like[laik]vt.喜欢"_s,
    u"make[meik]vt.做"_s,
    u"May[mei]n.五月"_s,
    u"may[mei]aux.可以"_s,
    u"nice[nais]a.好的"_s,
    u"play[plei]vi.玩"_s,
    u"run[r3n]vi.跑"_s,
    u"shelf[6elf]n.架子"_s,
    u"sleep[sli:p]vi.睡"_s,
    u"stop[st0p]vi.停止"_s,
    u"study['st3di]vt.学习"_s,
    u"tall[t0:l]a.高的"_s,
    u"above all[2'b3v '0:l]尤其是"_s,
    u"went[went]go的过去式"_s,
};

} // namespace

class TestWordLookup : public QObject
{
    Q_OBJECT

private:
    Dictionary m_dictionary = Dictionary::fromBytes(dictionaryBytes(smallEntries));

private slots:
    void findsWordsAndBaseForms_data();
    void findsWordsAndBaseForms();
    void findsNothing_data();
    void findsNothing();
    void splitsTheEntry();
    void rulesApplyOnlyToTheirEndings();
    void malformedEntries();
    void readsTheFileOnce();
};

void TestWordLookup::findsWordsAndBaseForms_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("headword");
    QTest::addColumn<int>("rule");

    QTest::newRow("Lesson keeps the dictionary's case") << "Lesson"
                                                        << "lesson" << 0;
    QTest::newRow("blanks around the word") << "  Lesson  "
                                            << "lesson" << 0;
    QTest::newRow("upper case word") << "BOOK"
                                     << "book" << 0;
    QTest::newRow("may shows May, first in file") << "may"
                                                  << "May" << 0;
    QTest::newRow("MAY") << "MAY"
                         << "May" << 0;
    QTest::newRow("e-mail shows E-mail") << "e-mail"
                                         << "E-mail" << 0;
    QTest::newRow("one letter") << "i"
                                << "I" << 0;
    QTest::newRow("phrase") << "above all"
                            << "above all" << 0;
    QTest::newRow("irregular form is an entry") << "went"
                                                << "went" << 0;
    QTest::newRow("leaves: rule 1 before rule 7") << "leaves"
                                                  << "leave" << 1;
    QTest::newRow("Books: ending is lower case") << "Books"
                                                 << "book" << 1;

    const char* spelled[][2] = {
        {"books", "book"},     {"liked", "like"},     {"boxes", "box"},     {"played", "play"},
        {"studies", "study"},  {"studied", "study"},  {"shelves", "shelf"}, {"taller", "tall"},
        {"nicer", "nice"},     {"happier", "happy"},  {"tallest", "tall"},  {"nicest", "nice"},
        {"happiest", "happy"}, {"sleeping", "sleep"}, {"making", "make"},   {"running", "run"},
        {"fatter", "fat"},     {"hottest", "hot"},    {"stopped", "stop"},
    };
    for (int rule = 1; rule <= WordLookup::ruleCount; ++rule) {
        const auto& row = spelled[rule - 1];
        QTest::addRow("rule %d: %s", rule, row[0])
            << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]) << rule;
    }
}

void TestWordLookup::findsWordsAndBaseForms()
{
    QFETCH(QString, word);
    QFETCH(QString, headword);
    QFETCH(int, rule);

    const LookupResult result = WordLookup::lookup(m_dictionary, word);
    QVERIFY(result.found);
    QCOMPARE(result.headword, headword);
    QCOMPARE(result.rule, rule);
}

void TestWordLookup::findsNothing_data()
{
    QTest::addColumn<QString>("word");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks only") << "   ";
    QTest::newRow("BOOKS: upper-case ending is not stripped") << "BOOKS";
    QTest::newRow("STOPPED") << "STOPPED";
    QTest::newRow("unknown") << "xylophone";
    QTest::newRow("number") << "12";
    QTest::newRow("half a phrase") << "above";
    QTest::newRow("prefix of a headword") << "les";
    QTest::newRow("headword plus bracket text") << "book[buk";
    QTest::newRow("ending longer than the rule removes") << "ing";
}

void TestWordLookup::findsNothing()
{
    QFETCH(QString, word);
    const LookupResult result = WordLookup::lookup(m_dictionary, word);
    QVERIFY(!result.found);
    QVERIFY(result.headword.isEmpty());
    QVERIFY(result.meaning.isEmpty());
    QCOMPARE(result.rule, -1);
}

void TestWordLookup::splitsTheEntry()
{
    LookupResult her = WordLookup::lookup(m_dictionary, u"her"_s);
    QCOMPARE(her.transcription, u"h2:, h2"_s);
    QCOMPARE(her.fontTranscription, u"hE:/hE"_s);
    QCOMPARE(her.ipaTranscription, u"hə:/hə"_s);
    QCOMPARE(her.meaning, u"pron.她"_s);

    LookupResult abandon = WordLookup::lookup(m_dictionary, u"abandon"_s);
    QCOMPARE(abandon.fontTranscription, u"E5bAndEn"_s);
    QCOMPARE(abandon.ipaTranscription, u"əˈbændən"_s);

    LookupResult a = WordLookup::lookup(m_dictionary, u"a"_s);
    QCOMPARE(a.fontTranscription, u"ei/E"_s);

    LookupResult aluminium = WordLookup::lookup(m_dictionary, u"Aluminium"_s);
    QVERIFY(aluminium.found);
    QCOMPARE(aluminium.headword, u"aluminium"_s);
    QVERIFY(aluminium.transcription.isEmpty());
    QVERIFY(aluminium.fontTranscription.isEmpty());
    QCOMPARE(aluminium.meaning, u"n.铝"_s);

    // The meaning runs to the closing "$" and may hold brackets of its own.
    LookupResult cheque = WordLookup::lookup(m_dictionary, u"cheque"_s);
    QCOMPARE(cheque.fontTranscription, u"tFek"_s);
    QCOMPARE(cheque.meaning, u"n.支票=[美作:check]"_s);

    LookupResult phrase = WordLookup::lookup(m_dictionary, u"ABOVE ALL"_s);
    QCOMPARE(phrase.headword, u"above all"_s);
    QCOMPARE(phrase.fontTranscription, u"E5bQv5C:l"_s);
}

void TestWordLookup::rulesApplyOnlyToTheirEndings()
{
    QCOMPARE(WordLookup::ruleCandidate(u"books", 1), std::optional<QString>(u"book"_s));
    QCOMPARE(WordLookup::ruleCandidate(u"BOOKS", 1), std::nullopt);
    QCOMPARE(WordLookup::ruleCandidate(u"studies", 5), std::optional<QString>(u"study"_s));
    QCOMPARE(WordLookup::ruleCandidate(u"studies", 4), std::nullopt);
    // n equal to the length searches the empty headword (plus the addition) ...
    QCOMPARE(WordLookup::ruleCandidate(u"ies", 5), std::optional<QString>(u"y"_s));
    QCOMPARE(WordLookup::ruleCandidate(u"ing", 14), std::optional<QString>(QString()));
    // ... n beyond it searches nothing.
    QCOMPARE(WordLookup::ruleCandidate(u"ing", 16), std::nullopt);
    QCOMPARE(WordLookup::ruleCandidate(u"ed", 19), std::nullopt);
    QCOMPARE(WordLookup::ruleCandidate(u"books", 0), std::nullopt);
    QCOMPARE(WordLookup::ruleCandidate(u"books", 20), std::nullopt);

    // "ies" strips to "y" by rule 5 and so finds an entry "y".
    const Dictionary withY =
        Dictionary::fromBytes(dictionaryBytes({u"y[wai]n.字母Y"_s, u"ing[i8]x"_s}));
    QCOMPARE(WordLookup::lookup(withY, u"ies"_s).headword, u"y"_s);
    // Rule 14 comes before rule 15: an entry "mak" wins over "make".
    const Dictionary withMak =
        Dictionary::fromBytes(dictionaryBytes({u"make[meik]v.做"_s, u"mak[m9k]x"_s}));
    QCOMPARE(WordLookup::lookup(withMak, u"making"_s).headword, u"mak"_s);
    QCOMPARE(WordLookup::lookup(withMak, u"making"_s).rule, 14);
}

void TestWordLookup::malformedEntries()
{
    const auto entry = [](const char* text, qsizetype at = 0) {
        return WordLookup::entryAt(QString::fromUtf8(text), at);
    };
    QVERIFY(!entry("$word[w3:d]meaning").found); // no closing "$"
    QVERIFY(!entry("$[w3:d]meaning$").found);    // empty headword
    QVERIFY(!entry("$wordmeaning$").found);      // no "["
    QVERIFY(!entry("$a[]b$", -1).found);
    QVERIFY(!entry("$a[]b$", 6).found);

    const LookupResult noClose = entry("$word[w3:d meaning$");
    QVERIFY(noClose.found);
    QCOMPARE(noClose.headword, u"word"_s);
    QVERIFY(noClose.transcription.isEmpty());
    QCOMPARE(noClose.meaning, u"word[w3:d meaning"_s);

    const LookupResult closeFirst = entry("$wo]rd[x]m$");
    QCOMPARE(closeFirst.headword, u"wo]rd"_s);
    QVERIFY(closeFirst.transcription.isEmpty());
    QCOMPARE(closeFirst.meaning, u"rd[x]m"_s);

    // A word that reaches across entries matches where the plain text search would.
    const Dictionary dictionary = Dictionary::fromBytes(dictionaryBytes(smallEntries));
    const LookupResult across = WordLookup::lookup(dictionary, u"a[ei, 2]art.一个$ABANDON"_s);
    QCOMPARE(across.headword, u"a"_s);
}

void TestWordLookup::readsTheFileOnce()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"mswrd.wd"_s);
    QVERIFY(writeFile(path, dictionaryBytes(smallEntries)));
    const Dictionary dictionary = Dictionary::fromFile(path);
    QVERIFY(QFile::remove(path));
    QCOMPARE(WordLookup::lookup(dictionary, u"running"_s).headword, u"run"_s);
}

QTEST_GUILESS_MAIN(TestWordLookup)
#include "tst_wordlookup.moc"
