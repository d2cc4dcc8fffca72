#include "learnerstore.h"
#include "lessoncatalog.h"
#include "lessonloader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(LearnerStore::CrashPoint)

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        return {};
    }
    return path;
}

LearnerStore::Lesson lesson(const QString& sentence, const QString& recording,
                            const QString& lessonText = u"Lesson 7"_s)
{
    return {u"2"_s,
            lessonText,
            {{sentence, u"译文"_s, u".5"_s, u"1.2"_s}, {u"Last."_s, u"最后"_s, u"1.4"_s, u""_s}},
            {{u"word"_s, u"单词"_s}},
            recording};
}

LoadedLesson load(const LessonDatabase& carried, const LearnerStore& store)
{
    return loadLesson(carried, store, u"/voices"_s, LessonCatalog::bookText(2), u"Lesson 7"_s);
}

} // namespace

class TestLearnerStore : public QObject
{
    Q_OBJECT

private slots:
    void learnerLessonWinsUntilRemoved();
    void interruptedImportKeepsEarlierLesson_data();
    void interruptedImportKeepsEarlierLesson();
};

void TestLearnerStore::learnerLessonWinsUntilRemoved()
{
    QTemporaryDir dir;
    // A store's database has the carried tables, so a second store stands in for the course.
    LearnerStore course(dir.filePath(u"course"_s));
    const QString carriedAudio = writeFile(dir.filePath(u"carried.mp3"_s), "carried");
    QVERIFY(course.importLesson(lesson(u"Carried."_s, carriedAudio), nullptr));
    const LessonDatabase carried(course.databasePath());

    LearnerStore store(dir.filePath(u"mine"_s));
    QCOMPARE(load(carried, store).table.sentences.value(0), u"Carried."_s);
    QCOMPARE(load(carried, store).lessonAudioFile, u"/voices/QVN207.dat"_s);

    const QString first = writeFile(dir.filePath(u"first.WAV"_s), "first recording");
    const QString second = writeFile(dir.filePath(u"second.flac"_s), "second recording");
    QString error;
    QVERIFY2(store.importLesson(lesson(u"Mine."_s, first), &error), qPrintable(error));
    QVERIFY2(store.importLesson(lesson(u"Mine again."_s, second), &error), qPrintable(error));
    const LoadedLesson mine = load(carried, store);
    QCOMPARE(mine.table.sentences, (QStringList{u"Mine again."_s, u"Last."_s}));
    QCOMPARE(mine.table.endTimes.value(1), u""_s);
    QCOMPARE(mine.wordText, u"word /单词\r\n"_s);
    QCOMPARE(readFile(mine.lessonAudioFile), QByteArray("second recording"));
    QVERIFY(mine.lessonAudioFile.endsWith(u".flac"_s));
    // The first import's recording went once the second was committed.
    QCOMPARE(QDir(store.recordingFolder()).entryList(QDir::Files).size(), 1);
    QCOMPARE(store.lessons(), QSet<QString>{u"2/Lesson 7"_s});
    QCOMPARE(LearnerStore(store.folder()).recordingPath(u"2"_s, u"Lesson 7"_s),
             mine.lessonAudioFile);

    // Refused imports change nothing.
    QVERIFY(!store.importLesson(lesson(u"No file."_s, dir.filePath(u"missing.mp3"_s)), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!store.importLesson(lesson(u"No lesson."_s, second, u"Lesson 97"_s), &error));
    QVERIFY(!store.importLesson({u"2"_s, u"Lesson 7"_s, {}, {}, second}, &error));
    QCOMPARE(load(carried, store).table.sentences.value(0), u"Mine again."_s);

    QVERIFY(store.removeLesson(u"2"_s, u"Lesson 7"_s, &error));
    QCOMPARE(load(carried, store).table.sentences.value(0), u"Carried."_s);
    QCOMPARE(load(carried, store).lessonAudioFile, u"/voices/QVN207.dat"_s);
    QVERIFY(QDir(store.recordingFolder()).entryList(QDir::Files).isEmpty());
    QVERIFY(store.lessons().isEmpty());
    QVERIFY(LearnerStore(dir.filePath(u"never"_s)).removeLesson(u"1"_s, u"Lesson 1"_s, &error));

    // A damaged store: the carried lesson still reads, and the learner is told what to do.
    QVERIFY(QFile::remove(store.databasePath()));
    QVERIFY(!writeFile(store.databasePath(), QByteArray(4096, 'x')).isEmpty());
    QCOMPARE(load(carried, store).table.sentences.value(0), u"Carried."_s);
    QVERIFY(!store.importLesson(lesson(u"Mine."_s, first), &error));
    QVERIFY2(error.contains(u"已损坏"_s), qPrintable(error));
    QVERIFY(!store.removeLesson(u"2"_s, u"Lesson 7"_s, &error));
    QVERIFY2(error.contains(u"已损坏"_s), qPrintable(error));
    QVERIFY(QDir(store.recordingFolder()).entryList(QDir::Files).isEmpty());
}

void TestLearnerStore::interruptedImportKeepsEarlierLesson_data()
{
    QTest::addColumn<LearnerStore::CrashPoint>("point");
    QTest::addColumn<bool>("newLesson");
    QTest::newRow("copying") << LearnerStore::CrashPoint::BeforeRename << false;
    QTest::newRow("renamed") << LearnerStore::CrashPoint::AfterRename << false;
    QTest::newRow("in the transaction") << LearnerStore::CrashPoint::InsideTransaction << false;
    QTest::newRow("committed") << LearnerStore::CrashPoint::AfterCommit << true;
}

void TestLearnerStore::interruptedImportKeepsEarlierLesson()
{
    QFETCH(LearnerStore::CrashPoint, point);
    QFETCH(bool, newLesson);
    QTemporaryDir dir;
    const QString older = writeFile(dir.filePath(u"older.mp3"_s), "older recording");
    const QString newer = writeFile(dir.filePath(u"newer.ogg"_s), "newer recording");
    {
        LearnerStore store(dir.filePath(u"store"_s));
        QVERIFY(store.importLesson(lesson(u"Older."_s, older), nullptr));
        store.setCrashPoint(point);
        QVERIFY(!store.importLesson(lesson(u"Newer."_s, newer), nullptr));
    }
    // What the next start of the program finds.
    const LearnerStore store(dir.filePath(u"store"_s));
    const LoadedLesson found = load(LessonDatabase(QString()), store);
    QCOMPARE(found.table.sentences.value(0), newLesson ? u"Newer."_s : u"Older."_s);
    QCOMPARE(found.table.count(), 2);
    QCOMPARE(readFile(found.lessonAudioFile),
             newLesson ? QByteArray("newer recording") : QByteArray("older recording"));

    // And the next import goes through.
    LearnerStore next(store.folder());
    QVERIFY(next.importLesson(lesson(u"Next."_s, newer), nullptr));
    QCOMPARE(load(LessonDatabase(QString()), next).table.sentences.value(0), u"Next."_s);
}

QTEST_GUILESS_MAIN(TestLearnerStore)
#include "tst_learnerstore.moc"
