#include "lessons/learnerstore.h"
#include "lessons/lessoncatalog.h"
#include "lessons/lessonloader.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

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

// A connection of the test's own to the store, as another program would hold one.
class OtherProgram
{
public:
    explicit OtherProgram(const QString& path)
    {
        m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"other"_s);
        m_db.setDatabaseName(path);
        m_db.open();
    }
    ~OtherProgram()
    {
        m_db.close();
        m_db = {};
        QSqlDatabase::removeDatabase(u"other"_s);
    }
    bool exec(const QString& sql)
    {
        QSqlQuery query(m_db);
        return query.exec(sql);
    }

private:
    QSqlDatabase m_db;
};

// What a program killed in the middle of a commit leaves: the store half written and, beside
// it, the journal that SQLite synced first and would have deleted last.
bool leaveHotJournal(const QString& path)
{
    const QString journal = path + u"-journal"_s;
    bool copied = false;
    {
        OtherProgram killed(path);
        // A cache this small spills the transaction into the file long before the commit.
        killed.exec(u"PRAGMA cache_size = 1"_s);
        killed.exec(u"BEGIN"_s);
        for (int i = 0; i < 400; ++i) {
            killed.exec(u"INSERT INTO \"句库\" VALUES ('%1', '', '0', '', 'Lesson 9', '2')"_s.arg(
                QString(1000, QChar(u'a' + i % 26))));
        }
        QFile::remove(path + u".killed"_s);
        QFile::remove(journal + u".killed"_s);
        copied = QFile::exists(journal) && QFile::copy(path, path + u".killed"_s) &&
                 QFile::copy(journal, journal + u".killed"_s);
        killed.exec(u"ROLLBACK"_s);
    }
    return copied && QFile::remove(path) && QFile::rename(path + u".killed"_s, path) &&
           QFile::rename(journal + u".killed"_s, journal);
}

// Files and their contents, as found in a folder.
QMap<QString, QByteArray> contents(const QString& folder)
{
    QMap<QString, QByteArray> found;
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        found.insert(name, readFile(QDir(folder).filePath(name)));
    }
    return found;
}

void age(const QString& folder)
{
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        QFile file(QDir(folder).filePath(name));
        file.open(QIODevice::ReadWrite);
        file.setFileTime(QDateTime::currentDateTime().addSecs(-2 * 3600),
                         QFileDevice::FileModificationTime);
    }
}

} // namespace

class TestLearnerStore : public QObject
{
    Q_OBJECT

private slots:
    void learnerLessonWinsUntilRemoved();
    void interruptedImportKeepsEarlierLesson_data();
    void interruptedImportKeepsEarlierLesson();
    void hostileStoreKeepsEveryRecording_data();
    void hostileStoreKeepsEveryRecording();
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
    // An import asked to keep an earlier one stores a free lesson and leaves a held one, with
    // its recording, as it was.
    for (const QString& lessonText : {u"Lesson 8"_s, u"Lesson 7"_s}) {
        LearnerStore::Lesson keeping = lesson(u"Kept apart."_s, first, lessonText);
        keeping.keepEarlier = true;
        const bool free = lessonText == u"Lesson 8"_s;
        QCOMPARE(store.importLesson(keeping, &error), free);
        QVERIFY2(free || error.contains(u"已有先前导入的课文"_s), qPrintable(error));
    }
    QCOMPARE(QDir(store.recordingFolder()).entryList(QDir::Files).size(), 2);
    QVERIFY(store.removeLesson(u"2"_s, u"Lesson 8"_s, &error));
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

enum class Hostility { Locked, Reading, Damaged, Truncated, Folder, HotJournal, Foreign, Linked };
Q_DECLARE_METATYPE(Hostility)

void TestLearnerStore::hostileStoreKeepsEveryRecording_data()
{
    QTest::addColumn<Hostility>("hostility");
    QTest::addColumn<bool>("imports");
    QTest::addColumn<bool>("readable");
    QTest::newRow("held by another program") << Hostility::Locked << false << false;
    QTest::newRow("read by another program") << Hostility::Reading << false << true;
    QTest::newRow("damaged") << Hostility::Damaged << false << false;
    QTest::newRow("truncated") << Hostility::Truncated << false << false;
    QTest::newRow("a folder") << Hostility::Folder << false << false;
    QTest::newRow("killed mid-commit") << Hostility::HotJournal << true << true;
    QTest::newRow("the learner's files in recordings/") << Hostility::Foreign << true << true;
    QTest::newRow("recordings/ a link") << Hostility::Linked << true << true;
}

// An import into a store in a bad way either fails or goes through, and in neither case is a
// recording deleted that a lesson needs or that the store did not make.
void TestLearnerStore::hostileStoreKeepsEveryRecording()
{
    QFETCH(Hostility, hostility);
    QFETCH(bool, imports);
    QFETCH(bool, readable);
    QTemporaryDir dir;
    const QString audio = writeFile(dir.filePath(u"audio.mp3"_s), "recording");
    LearnerStore store(dir.filePath(u"store"_s));
    QVERIFY(store.importLesson(lesson(u"Seven."_s, audio), nullptr));
    QVERIFY(store.importLesson(lesson(u"Eight."_s, audio, u"Lesson 8"_s), nullptr));
    // Unlike the store's own leftovers, the learner's files carry names of their own.
    writeFile(store.recordingFolder() + u"/Lesson 9.mp3"_s, "mine");
    const QString leftover = u"2-9-0123456789abcdef.mp3"_s;
    writeFile(store.recordingFolder() + u'/' + leftover, "killed import");
    age(store.recordingFolder());
    const QMap<QString, QByteArray> before = contents(store.recordingFolder());

    std::optional<OtherProgram> other;
    switch (hostility) {
    case Hostility::Locked:
        other.emplace(store.databasePath());
        QVERIFY(other->exec(u"BEGIN EXCLUSIVE"_s));
        break;
    case Hostility::Reading:
        // Its read lock lets us read and start writing, but never commit.
        other.emplace(store.databasePath());
        QVERIFY(other->exec(u"BEGIN"_s));
        QVERIFY(other->exec(u"SELECT count(*) FROM \"句库\""_s));
        break;
    case Hostility::Damaged:
    case Hostility::Truncated: {
        QFile file(store.databasePath());
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (hostility == Hostility::Damaged) {
            QVERIFY(file.write(QByteArray(100, 'x')) == 100);
        } else {
            QVERIFY(file.resize(file.size() / 2 + 100));
        }
        break;
    }
    case Hostility::Folder:
        QVERIFY(QFile::remove(store.databasePath()));
        QVERIFY(QDir().mkdir(store.databasePath()));
        break;
    case Hostility::HotJournal:
        QVERIFY(leaveHotJournal(store.databasePath()));
        // A reader that cannot roll the journal back cannot read the store at all.
        QVERIFY(LessonDatabase(store.databasePath()).sentences(u"2"_s, u"Lesson 7"_s).isEmpty());
        break;
    case Hostility::Foreign:
        break;
    case Hostility::Linked: {
        const QString elsewhere = dir.filePath(u"elsewhere"_s);
        QVERIFY(QDir().rename(store.recordingFolder(), elsewhere));
        QVERIFY(QFile::link(elsewhere, store.recordingFolder()));
        break;
    }
    }

    QCOMPARE(store.problem().isEmpty(), readable);
    QString error;
    // A lesson of its own, and again a lesson that has a recording: neither may cost a file.
    QCOMPARE(store.importLesson(lesson(u"Ten."_s, audio, u"Lesson 10"_s), &error), imports);
    QCOMPARE(store.importLesson(lesson(u"Seven again."_s, audio), &error), imports);
    QCOMPARE(error.isEmpty(), imports);
    QCOMPARE(store.removeLesson(u"2"_s, u"Lesson 8"_s, &error), imports);
    other.reset();

    const QMap<QString, QByteArray> found = contents(store.recordingFolder());
    if (!imports) {
        QCOMPARE(found, before);
        return;
    }
    QCOMPARE(found.value(u"Lesson 9.mp3"_s), QByteArray("mine"));
    // A leftover of the store's own goes, but not through a link.
    QCOMPARE(found.contains(leftover), hostility == Hostility::Linked);
    QCOMPARE(store.lessons(), (QSet<QString>{u"2/Lesson 7"_s, u"2/Lesson 10"_s}));
    QCOMPARE(load(LessonDatabase(QString()), store).table.sentences.value(0), u"Seven again."_s);
    for (const QString& lessonText : {u"Lesson 7"_s, u"Lesson 10"_s}) {
        QCOMPARE(readFile(store.recordingPath(u"2"_s, lessonText)), QByteArray("recording"));
    }
    QCOMPARE(found.size(), hostility == Hostility::Linked ? 4 : 3);
}

QTEST_GUILESS_MAIN(TestLearnerStore)
#include "tst_learnerstore.moc"
