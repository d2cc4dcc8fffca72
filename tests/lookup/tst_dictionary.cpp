#include "lookup/dictionary.h"
#include "testdictionary.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The plain definition: the first "$" + word + "[" in the text, ASCII case ignored.
qsizetype plainSearch(const QString& text, const QString& word)
{
    return Dictionary::foldCase(text).indexOf(Dictionary::foldCase(QString(u'$' + word + u'[')));
}

QString randomText(QRandomGenerator& random, QStringView alphabet, int maxLength)
{
    QString text;
    const int length = random.bounded(maxLength + 1);
    for (int i = 0; i < length; ++i)
        text += alphabet[random.bounded(int(alphabet.size()))];
    return text;
}

} // namespace

class TestDictionary : public QObject
{
    Q_OBJECT

private slots:
    void indexAgreesWithThePlainSearch();
    void earliestEntryWins();
    void readsOnlyTheFirstLine();
    void decodesGbk();
    void unreadableFilesAreEmpty();
    void badBytesDoNotStopTheRest();
};

void TestDictionary::indexAgreesWithThePlainSearch()
{
    // Small alphabets make "$", "[" and case collisions frequent, malformed texts included.
    QRandomGenerator random(20240611);
    const QStringView alphabet = u"$[]aAbB ";
    for (int round = 0; round < 3000; ++round) {
        const QString text = randomText(random, alphabet, 40);
        const Dictionary dictionary = Dictionary::fromBytes(text.toLatin1());
        for (int probe = 0; probe < 20; ++probe) {
            const QString word = randomText(random, alphabet, 4);
            QCOMPARE(dictionary.find(word), plainSearch(text, word));
        }
    }
}

void TestDictionary::earliestEntryWins()
{
    const Dictionary dictionary = Dictionary::fromBytes(
        dictionaryBytes({u"Polish['p2uli6]a.波兰的"_s, u"polish['p0li6]v.擦亮"_s, u"POLISH[]x"_s,
                         u"ox[0ks]n.牛"_s}));
    QCOMPARE(dictionary.headwordCount(), 2);
    QCOMPARE(dictionary.find(u"polish"), 0);
    QCOMPARE(dictionary.find(u"pOLISh"), 0);
    QCOMPARE(dictionary.text().mid(dictionary.find(u"OX"), 4), u"$ox["_s);
    QCOMPARE(dictionary.find(u"o"), -1);
    QCOMPARE(dictionary.find(u""), -1);
}

void TestDictionary::readsOnlyTheFirstLine()
{
    const Dictionary dictionary =
        Dictionary::fromBytes(QByteArrayLiteral("$one[]1$\r\n$two[]2$\r\n\0\0"));
    QCOMPARE(dictionary.text(), u"$one[]1$"_s);
    QVERIFY(dictionary.find(u"one") >= 0);
    QCOMPARE(dictionary.find(u"two"), -1);

    // Without a line end the whole file is the line.
    QCOMPARE(Dictionary::fromBytes(QByteArrayLiteral("$one[]1$")).find(u"one"), 0);
}

void TestDictionary::decodesGbk()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"mswrd.wd"_s);
    QVERIFY(writeFile(path, dictionaryBytes({u"cliché[]n.陈词滥调"_s, u"tea[ti:]n.茶"_s})));
    const Dictionary dictionary = Dictionary::fromFile(path);
    QCOMPARE(dictionary.text(), u"$cliché[]n.陈词滥调$tea[ti:]n.茶$"_s);
    QCOMPARE(dictionary.find(u"TEA"), 15);
    QCOMPARE(dictionary.find(u"cliché"), 0);
}

void TestDictionary::unreadableFilesAreEmpty()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const Dictionary missing = Dictionary::fromFile(dir.filePath(u"none.wd"_s));
    QVERIFY(missing.isEmpty());
    QCOMPARE(missing.find(u"word"), -1);

    const Dictionary folder = Dictionary::fromFile(dir.path());
    QVERIFY(folder.isEmpty());

    const Dictionary empty = Dictionary::fromBytes({});
    QVERIFY(empty.isEmpty());
    QCOMPARE(empty.headwordCount(), 0);
}

void TestDictionary::badBytesDoNotStopTheRest()
{
    // Stray lead bytes and bytes that are no GBK at all become replacement characters.
    QByteArray bytes = QByteArrayLiteral("$a[]\x81$b\xff\xfe[]x$c[]");
    bytes += '\x81';
    const Dictionary dictionary = Dictionary::fromBytes(bytes);
    QVERIFY(!dictionary.isEmpty());
    QCOMPARE(dictionary.find(u"a"), 0);
    QVERIFY(dictionary.find(u"c") > 0);
}

QTEST_GUILESS_MAIN(TestDictionary)
#include "tst_dictionary.moc"
