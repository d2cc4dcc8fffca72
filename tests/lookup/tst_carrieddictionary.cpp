#include "lookup/dictionary.h"
#include "lookup/wordlookup.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

// The dictionary the program carries, as committed.
class TestCarriedDictionary : public QObject
{
    Q_OBJECT

private:
    QByteArray m_bytes;
    Dictionary m_dictionary;

    LookupResult lookup(const QString& word) const
    {
        return WordLookup::lookup(m_dictionary, word);
    }

private slots:
    void initTestCase();
    void fileLayout();
    void everyEntryIsWellFormed();
    void knownEntries();
    void frequentWordsAreFound();
    void baseForms();
    void irregularFormsComeLast();
};

void TestCarriedDictionary::initTestCase()
{
    QFile file(QStringLiteral(ORLUNE_DICTIONARY_FILE));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    m_bytes = file.readAll();
    m_dictionary = Dictionary::fromBytes(m_bytes);
}

void TestCarriedDictionary::fileLayout()
{
    QVERIFY(m_bytes.startsWith('$'));
    QVERIFY(m_bytes.endsWith(QByteArrayLiteral("$\r\n\0\0")));
    QCOMPARE(m_bytes.count('\r'), 1);
    QCOMPARE(m_bytes.count('\n'), 1);
    QCOMPARE(m_bytes.count('\0'), 2);
    QVERIFY(!m_dictionary.text().contains(QChar::ReplacementCharacter));
    QVERIFY(m_dictionary.headwordCount() > 15000);
}

void TestCarriedDictionary::everyEntryIsWellFormed()
{
    static const QRegularExpression code(u"^[a-z0-9:()'/, -]*$"_s);
    const QStringList entries = m_dictionary.text().split(u'$');
    QCOMPARE(entries.first(), QString());
    QCOMPARE(entries.last(), QString());
    int emptyTranscriptions = 0;
    for (qsizetype i = 1; i + 1 < entries.size(); ++i) {
        const QString& entry = entries[i];
        const qsizetype open = entry.indexOf(u'[');
        const qsizetype close = entry.indexOf(u']');
        QVERIFY2(open > 0 && close > open, qPrintable(entry));
        QCOMPARE(entry.left(open).trimmed(), entry.left(open));
        const QString transcription = entry.sliced(open + 1, close - open - 1);
        QVERIFY2(code.match(transcription).hasMatch(), qPrintable(entry));
        QVERIFY2(close + 1 < entry.size(), qPrintable(entry)); // every entry has a meaning
        emptyTranscriptions += transcription.isEmpty();
    }
    QVERIFY(emptyTranscriptions > 0);
    QVERIFY(emptyTranscriptions < entries.size() / 5);
}

void TestCarriedDictionary::knownEntries()
{
    const LookupResult may = lookup(u"may"_s);
    QCOMPARE(may.headword, u"May"_s);
    QCOMPARE(may.meaning, u"n.五月"_s);
    QVERIFY(m_dictionary.text().indexOf(u"$May["_s) < m_dictionary.text().indexOf(u"$may["_s));

    const LookupResult her = lookup(u"her"_s);
    QCOMPARE(her.transcription, u"h2:"_s);
    QCOMPARE(her.fontTranscription, u"hE:"_s);
    QCOMPARE(her.ipaTranscription, u"hə:"_s);

    const LookupResult abandon = lookup(u"abandon"_s);
    QCOMPARE(abandon.transcription, u"2'b9nd2n"_s);
    QCOMPARE(abandon.fontTranscription, u"E5bAndEn"_s);
    QVERIFY(abandon.meaning.startsWith(u"vt.放弃"_s));

    const LookupResult am = lookup(u"a.m."_s);
    QVERIFY(am.found);
    QVERIFY(am.transcription.isEmpty());
    QVERIFY(!am.meaning.isEmpty());

    QCOMPARE(lookup(u"went"_s).meaning, u"go的过去式"_s);
    QCOMPARE(lookup(u"mice"_s).meaning, u"mouse的复数"_s);
    QCOMPARE(lookup(u"kept"_s).meaning, u"keep的过去式和过去分词"_s);
    QCOMPARE(lookup(u"children"_s).headword, u"children"_s);
    QCOMPARE(lookup(u"Lesson"_s).headword, u"lesson"_s);
    QCOMPARE(lookup(u"I"_s).headword, u"I"_s);

    // Names as a lesson writes them, and a form that a newer, shorter headword would
    // otherwise have led away from its base ("saner" to "san").
    const LookupResult john = lookup(u"John"_s);
    QCOMPARE(john.headword, u"John"_s);
    QCOMPARE(john.transcription, u"d70n"_s);
    QVERIFY2(john.meaning.startsWith(u"n.约翰"_s), qPrintable(john.meaning));
    QCOMPARE(lookup(u"Mary"_s).meaning, u"n.玛丽（女子名）"_s);
    QCOMPARE(lookup(u"an"_s).meaning, u"art.一"_s);
    QCOMPARE(lookup(u"were"_s).meaning, u"be的过去式"_s);
    QCOMPARE(lookup(u"saner"_s).meaning, u"sane的比较级"_s);
}

// ECDICT's most frequent everyday words, listed by the dictionary builder.
void TestCarriedDictionary::frequentWordsAreFound()
{
    QFile file(QStringLiteral(ORLUNE_FREQUENT_WORDS_FILE));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    const QStringList words = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(words.size(), 5000);
    QStringList missing;
    for (const QString& word : words) {
        if (!lookup(word).found)
            missing.append(word);
    }
    QVERIFY2(missing.isEmpty(),
             qPrintable(
                 u"%1 find nothing: %2"_s.arg(missing.size()).arg(missing.mid(0, 40).join(u' '))));
}

void TestCarriedDictionary::baseForms()
{
    const struct
    {
        const char16_t* word;
        const char16_t* headword;
        int rule;
    } cases[] = {
        {u"dogs", u"dog", 1},        {u"leaves", u"leave", 1},  {u"liked", u"like", 2},
        {u"boxes", u"box", 3},       {u"played", u"play", 4},   {u"studied", u"study", 6},
        {u"wolves", u"wolf", 7},     {u"taller", u"tall", 8},   {u"nicer", u"nice", 9},
        {u"happier", u"happy", 10},  {u"tallest", u"tall", 11}, {u"nicest", u"nice", 12},
        {u"happiest", u"happy", 13}, {u"eating", u"eat", 14},   {u"taking", u"take", 15},
        {u"sitting", u"sit", 16},    {u"fatter", u"fat", 17},   {u"hottest", u"hot", 18},
        {u"stopped", u"stop", 19},
    };
    for (const auto& c : cases) {
        const LookupResult result = lookup(QString::fromUtf16(c.word));
        QCOMPARE(result.headword, QString::fromUtf16(c.headword));
        QCOMPARE(result.rule, c.rule);
    }
    // The ending compare is case-sensitive; "books" itself is an entry of its own.
    QVERIFY(!lookup(u"DOGS"_s).found);
    QCOMPARE(lookup(u"BOOKS"_s).headword, u"books"_s);
    QVERIFY(!lookup(u"12"_s).found);
    QVERIFY(!lookup(QString()).found);
}

void TestCarriedDictionary::irregularFormsComeLast()
{
    const QString& text = m_dictionary.text();
    static const QRegularExpression phrase(u"\\$[^$\\[]* [^$\\[]*\\["_s);
    const qsizetype firstPhrase = text.indexOf(phrase);
    QVERIFY(firstPhrase > 0);
    for (const QString& word : {u"went"_s, u"mice"_s, u"kept"_s, u"led"_s, u"sunk"_s})
        QVERIFY2(m_dictionary.find(word) > firstPhrase, qPrintable(word));
    QVERIFY(m_dictionary.find(u"zoo") < firstPhrase);
}

QTEST_GUILESS_MAIN(TestCarriedDictionary)
#include "tst_carrieddictionary.moc"
