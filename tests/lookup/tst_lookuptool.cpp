#include "testdictionary.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

using namespace Qt::StringLiterals;

class TestLookupTool : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // Runs the tool on `input`: its standard output, or nothing when it did not end as expected.
    std::optional<QByteArray> run(const QStringList& arguments, const QByteArray& input,
                                  int expectedExit = 0)
    {
        QProcess tool;
        tool.start(QStringLiteral(ORLUNE_LOOKUP_TOOL), arguments);
        if (!tool.waitForStarted())
            return std::nullopt;
        tool.write(input);
        tool.closeWriteChannel();
        if (!tool.waitForFinished(30000) || tool.exitCode() != expectedExit)
            return std::nullopt;
        return tool.readAllStandardOutput();
    }

private slots:
    void printsOneLinePerWord();
    void missingDictionaryFails();
    void refusesWhatIsNoDictionaryFile_data();
    void refusesWhatIsNoDictionaryFile();
};

void TestLookupTool::printsOneLinePerWord()
{
    QVERIFY(m_dir.isValid());
    const QString path = m_dir.filePath(u"mswrd.wd"_s);
    QVERIFY(writeFile(path, dictionaryBytes({u"lesson['lesn]n.课"_s, u"run[r3n]vi.跑"_s,
                                             u"her[h2:, h2]pron.她"_s})));

    const std::optional<QByteArray> output =
        run({u"--dictionary"_s, path}, u"Lesson\nxyz\n  running\r\n\n伞\nher\n"_s.toUtf8());
    QVERIFY(output);
    const QStringList lines = QString::fromUtf8(*output).split(u'\n');
    const QStringList expected = {
        u"Lesson\tlesson\t5lesn\tn.课"_s,
        u"xyz\t\t\t"_s,
        u"  running\trun\trQn\tvi.跑"_s,
        u"\t\t\t"_s,
        u"伞\t\t\t"_s,
        u"her\ther\thE:/hE\tpron.她"_s,
        QString(),
    };
    QCOMPARE(lines, expected);
}

void TestLookupTool::missingDictionaryFails()
{
    QVERIFY(m_dir.isValid());
    const std::optional<QByteArray> output =
        run({u"--dictionary"_s, m_dir.filePath(u"none.wd"_s)}, "word\n", 2);
    QVERIFY(output);
    QVERIFY(output->isEmpty());
}

void TestLookupTool::refusesWhatIsNoDictionaryFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");
    QVERIFY(m_dir.isValid());
    QTest::newRow("endless device") << u"/dev/zero"_s << u"not a regular file"_s;
    QTest::newRow("folder") << m_dir.path() << u"not a regular file"_s;
    const QString pipe = m_dir.filePath(u"pipe.wd"_s);
    if (QProcess::execute(u"mkfifo"_s, {pipe}) == 0)
        QTest::newRow("named pipe nobody writes to") << pipe << u"not a regular file"_s;
    // Sparse: costs no disk, yet is far larger than any dictionary.
    const QString huge = m_dir.filePath(u"huge.wd"_s);
    QFile file(huge);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(qint64(3) << 30));
    QTest::newRow("3 GB file") << huge << u"too large"_s;
}

void TestLookupTool::refusesWhatIsNoDictionaryFile()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    QProcess tool;
    tool.start(QStringLiteral(ORLUNE_LOOKUP_TOOL), {u"--dictionary"_s, path});
    tool.closeWriteChannel();
    const bool finished = tool.waitForFinished(30000);
    if (!finished)
        tool.kill();
    QVERIFY2(finished, "the tool hung");
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 2);
    const QString err = QString::fromUtf8(tool.readAllStandardError());
    QVERIFY2(err.contains(reason), qPrintable(err));
    QVERIFY(tool.readAllStandardOutput().isEmpty());
}

QTEST_GUILESS_MAIN(TestLookupTool)
#include "tst_lookuptool.moc"
