#include "lessons/lessondatabase.h"
#include "lessons/lessonloader.h"
#include "lessons/lessonschema.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A small lesson database in the shipped schema, rows of two lessons interleaved so that
// stored order cannot be mistaken for any sort order.
bool makeDatabase(const QString& path)
{
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("w"));
        db.setDatabaseName(path);
        ok = db.open();
        QSqlQuery q(db);
        for (const QString& table : LessonSchema::lessonTables()) {
            ok = ok && q.exec(table);
        }
        const QList<QStringList> sentences{
            {"Zebra first.", "斑马在前。", ".5", "1.2", "Lesson 1", "2"},
            {"Other lesson.", "别的课。", ".5", "", "Lesson 1", "1"},
            {"Apple second.", "苹果其次。", "1.5", "2.43", "Lesson 1", "2"},
            {"Zebra first.", "斑马在前。", "3", "4", "Lesson 1", "2"},
            {"Zebra  first.", "斑马在前。", "4.5", "", "Lesson 1", "2"},
        };
        for (const QStringList& row : sentences) {
            q.prepare(QStringLiteral("INSERT INTO 句库 VALUES (?, ?, ?, ?, ?, ?)"));
            for (const QString& value : row) {
                q.addBindValue(value);
            }
            ok = ok && q.exec();
        }
        const QList<QStringList> words{{"zebra", "n.斑马", "Lesson 1", "2"},
                                       {"look after", "照顾", "Lesson 1", "2"},
                                       {"apple", "n.苹果", "Lesson 1", "2"}};
        for (const QStringList& row : words) {
            q.prepare(QStringLiteral("INSERT INTO 单词 VALUES (?, ?, ?, ?)"));
            for (const QString& value : row) {
                q.addBindValue(value);
            }
            ok = ok && q.exec();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("w"));
    return ok;
}

} // namespace

class TestLessonDatabase : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("qvnxcl.wrd"));
        QVERIFY(makeDatabase(m_path));
    }

    void rowsComeInStoredOrderWithRepeatsKept()
    {
        const LessonDatabase db(m_path);
        const QList<SentenceRow> rows =
            db.sentences(QStringLiteral("2"), QStringLiteral("Lesson 1"));
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0].sentence, QStringLiteral("Zebra first."));
        QCOMPARE(rows[1].sentence, QStringLiteral("Apple second."));
        QCOMPARE(rows[2].sentence, QStringLiteral("Zebra first."));
        QCOMPARE(rows[3].sentence, QStringLiteral("Zebra  first."));
        QCOMPARE(rows[1].start, QStringLiteral("1.5"));
        QCOMPARE(rows[1].end, QStringLiteral("2.43"));
        QCOMPARE(rows[3].end, QString());

        const QList<WordRow> words = db.newWords(QStringLiteral("2"), QStringLiteral("Lesson 1"));
        QCOMPARE(words.size(), 3);
        QCOMPARE(words[1].word, QStringLiteral("look after"));
        QCOMPARE(words[2].meaning, QStringLiteral("n.苹果"));
    }

    void lessonTextsAreBoundNotPasted()
    {
        const LessonDatabase db(m_path);
        QVERIFY(db.sentences(QStringLiteral("2"), QStringLiteral("Lesson 1' OR '1'='1")).isEmpty());
        QVERIFY(db.sentences(QStringLiteral("2' --"), QStringLiteral("Lesson 1")).isEmpty());
        QVERIFY(db.sentences(QStringLiteral("3"), QStringLiteral("Lesson 1")).isEmpty());
    }

    void missingOrCorruptFilesGiveEmptyLessons()
    {
        const QString missing = m_dir.filePath(QStringLiteral("absent.wrd"));
        QVERIFY(LessonDatabase(missing).sentences("2", "Lesson 1").isEmpty());
        QVERIFY2(!QFile::exists(missing), "the reader must not create a database");

        const QString corrupt = m_dir.filePath(QStringLiteral("corrupt.wrd"));
        QFile file(corrupt);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, '\x5a'));
        file.close();
        QVERIFY(LessonDatabase(corrupt).sentences("2", "Lesson 1").isEmpty());
        QVERIFY(LessonDatabase(corrupt).newWords("2", "Lesson 1").isEmpty());

        const LoadedLesson lesson =
            loadLesson(LessonDatabase(corrupt), m_dir.path(), QStringLiteral("Quorv(第2册)"),
                       QStringLiteral("Lesson 1"));
        QCOMPARE(lesson.table.sentences.size(), 0);
        QCOMPARE(lesson.table.endTimes.size(), lesson.table.sentences.size());
        QVERIFY(lesson.sentenceText.isEmpty());
    }

    void loadingBuildsTheViewTextsAndLists()
    {
        const LoadedLesson lesson =
            loadLesson(LessonDatabase(m_path), QStringLiteral("/voices"),
                       QStringLiteral("Quorv(第2册)"), QStringLiteral("Lesson 1"));
        QCOMPARE(lesson.bookDigit, QStringLiteral("2"));
        QCOMPARE(lesson.lessonNumber, QStringLiteral("1"));
        QCOMPARE(lesson.sentenceText,
                 QStringLiteral("Zebra first.\r\n\r\nApple second.\r\n\r\nZebra first.\r\n\r\n"
                                "Zebra  first.\r\n\r\n"));
        QCOMPARE(lesson.wordText,
                 QStringLiteral("zebra /n.斑马\r\nlook after /照顾\r\napple /n.苹果\r\n"));
        QCOMPARE(lesson.table.startTimes, QStringList({".5", "1.5", "3", "4.5"}));
        QCOMPARE(lesson.table.endTimes, QStringList({"1.2", "2.43", "4", ""}));
        QCOMPARE(lesson.table.translations.size(), 4);
        QCOMPARE(lesson.lessonAudioFile, QDir(QStringLiteral("/voices")).filePath("QVN201.dat"));
        QCOMPARE(lesson.audioCopyName, QStringLiteral("QVN201.mp3"));
    }

    void audioCopy_data()
    {
        QTest::addColumn<QString>("planted");
        QTest::addColumn<LessonAudioResult>("result");
        QTest::newRow("first copy") << "" << LessonAudioResult::Ready;
        QTest::newRow("older copy replaced") << "older copy" << LessonAudioResult::Ready;
        QTest::newRow("link as the folder") << "link as folder" << LessonAudioResult::Ready;
        QTest::newRow("link as the copy") << "link as copy" << LessonAudioResult::Ready;
        QTest::newRow("file as the folder") << "file as folder" << LessonAudioResult::Ready;
        QTest::newRow("too large") << "too large" << LessonAudioResult::TooLarge;
        QTest::newRow("no recording") << "no recording" << LessonAudioResult::NoRecording;
        QTest::newRow("no folder possible") << "blocked" << LessonAudioResult::CopyFailed;
    }

    void audioCopy()
    {
        QFETCH(QString, planted);
        QFETCH(LessonAudioResult, result);
        QTemporaryDir dir;
        QTemporaryDir victim;
        const QString source = dir.filePath(QStringLiteral("QVN1012.dat"));
        const QString folder = planted == QLatin1String("blocked")
                                   ? dir.filePath(QStringLiteral("file/sounenclff"))
                                   : dir.filePath(QStringLiteral("sounenclff"));
        const QString name = QStringLiteral("QVN1012.mp3");
        const QString copy = QDir(folder).filePath(name);
        writeFile(source, "recording");
        writeFile(victim.filePath(name), "not ours");
        writeFile(victim.filePath(name + QStringLiteral(".part")), "not ours either");

        if (planted == QLatin1String("older copy")) {
            QVERIFY(QDir().mkdir(folder));
            writeFile(copy, "older");
        } else if (planted == QLatin1String("link as folder")) {
            QVERIFY(QFile::link(victim.path(), folder));
        } else if (planted == QLatin1String("link as copy")) {
            QVERIFY(QDir().mkdir(folder));
            QVERIFY(QFile::link(victim.filePath(name), copy));
        } else if (planted == QLatin1String("file as folder")) {
            writeFile(folder, "stray");
        } else if (planted == QLatin1String("too large")) {
            QFile big(source);
            // Sparse: the size is what counts, not the disk it takes.
            QVERIFY(big.resize(maxLessonAudioBytes + 1));
        } else if (planted == QLatin1String("blocked")) {
            writeFile(dir.filePath(QStringLiteral("file")), "not a folder");
        } else if (planted == QLatin1String("no recording")) {
            QVERIFY(QFile::remove(source));
        }

        const LessonAudio audio = prepareLessonAudio(source, folder, name);
        QCOMPARE(audio.result, result);
        QCOMPARE(readFile(victim.filePath(name)), QByteArray("not ours"));
        QCOMPARE(readFile(victim.filePath(name + QStringLiteral(".part"))),
                 QByteArray("not ours either"));
        QCOMPARE(QDir(victim.path()).count(), 4U);
        if (result == LessonAudioResult::Ready) {
            QCOMPARE(audio.path, copy);
            QVERIFY(!QFileInfo(folder).isSymLink() && !QFileInfo(copy).isSymLink());
            QCOMPARE(readFile(copy), QByteArray("recording"));
            QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
                     QStringList{name});
            QVERIFY(lessonAudioNotice(audio).isEmpty());
        } else {
            QCOMPARE(audio.path, QString());
            QVERIFY(!QFileInfo::exists(copy));
            QCOMPARE(lessonAudioNotice(audio).isEmpty(), result == LessonAudioResult::NoRecording);
        }
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

QTEST_GUILESS_MAIN(TestLessonDatabase)
#include "tst_lessondatabase.moc"
