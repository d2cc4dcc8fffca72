#include "lessons/starredsentences.h"
#include "lessons/wordnotebook.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

NotebookWord word(const QString& headword, const QString& sentence = u"A sentence."_s)
{
    return {headword, u"ˈwɜːd"_s, u"n. 词"_s, sentence, 1, 3, 2};
}

// Run in a child process: a notebook change that dies inside its transaction, after its row
// went in and before the commit, as a killed program would.
int dieMidWrite(const QString& path)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s);
    db.setDatabaseName(path);
    if (!db.open() || !db.transaction()) {
        return 2;
    }
    QSqlQuery query(db);
    query.exec(u"INSERT INTO \"生词本\" VALUES ('lost', '', '', '', 1, 1, 0, 0)"_s);
    query.exec(u"DELETE FROM \"难句\""_s);
    std::_Exit(3);
}

} // namespace

class TestCollectedLists : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(m_folder.isValid());
        m_path = m_folder.filePath(u"store/lessons.sqlite"_s);
        QFile::remove(m_path);
    }

    // Each change as the learner makes it, and what a new reader of the same file finds after.
    void notebookKeepsEachWordOnceInOrder()
    {
        QString error;
        QVERIFY(WordNotebook(m_path).words().isEmpty());
        QVERIFY(WordNotebook(m_path).add(word(u"umbrella"_s), &error));
        QVERIFY(WordNotebook(m_path).add(word(u"coat"_s), &error));
        QVERIFY(WordNotebook(m_path).add(word(u"hat"_s), &error));
        QVERIFY(WordNotebook(m_path).add(word(u"Umbrella"_s, u"Later."_s), &error));
        QVERIFY(WordNotebook(m_path).remove(u"COAT"_s, &error));
        QVERIFY(WordNotebook(m_path).remove(u"never kept"_s, &error));

        QString problem;
        const QList<NotebookWord> words = WordNotebook(m_path).words(&problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QStringList heads;
        for (const NotebookWord& w : words) {
            heads << w.headword;
        }
        // Kept again: met last in "Later.", so it moves to the end with that sentence.
        QCOMPARE(heads, (QStringList{u"hat"_s, u"Umbrella"_s}));
        QCOMPARE(words[1].sentence, u"Later."_s);
        QCOMPARE(words[1].phonetic, u"ˈwɜːd"_s);
        QCOMPARE(words[1].book, 1);
        QCOMPARE(words[1].lesson, 3);
        QCOMPARE(words[1].sentenceIndex, 2);
        QVERIFY(WordNotebook(m_path).contains(u"umbrella"_s));
        QVERIFY(!WordNotebook(m_path).contains(u"coat"_s));
    }

    void starsAcrossLessonsInCourseOrder()
    {
        const struct
        {
            StarredSentence sentence;
            bool starred;
        } changes[] = {
            {{2, 1, 4, u"b"_s}, true},  {{1, 12, 0, u"c"_s}, true}, {{1, 2, 7, u"a"_s}, true},
            {{1, 2, 3, u"d"_s}, true},  {{1, 2, 3, u"d"_s}, true},  {{1, 12, 0, u"c"_s}, false},
            {{4, 9, 9, u"x"_s}, false},
        };
        for (const auto& change : changes) {
            QString error;
            QVERIFY2(StarredSentences(m_path).setStarred(change.sentence, change.starred, &error),
                     qPrintable(error));
        }
        QStringList order;
        for (const StarredSentence& s : StarredSentences(m_path).all()) {
            order << u"%1/%2/%3 %4"_s.arg(s.book).arg(s.lesson).arg(s.index).arg(s.sentence);
        }
        QCOMPARE(order, (QStringList{u"1/2/3 d"_s, u"1/2/7 a"_s, u"2/1/4 b"_s}));
        QCOMPARE(StarredSentences(m_path).inLesson(1, 2), (QSet<int>{3, 7}));
        QCOMPARE(StarredSentences(m_path).inLesson(1, 12), QSet<int>());
    }

    void aChangeKilledMidWriteLeavesTheListsAsTheyWere()
    {
        QString error;
        QVERIFY(WordNotebook(m_path).add(word(u"kept"_s), &error));
        QVERIFY(StarredSentences(m_path).setStarred({1, 1, 0, u"s"_s}, true, &error));
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {u"--die-mid-write"_s, m_path});
        QVERIFY(child.waitForFinished(20000));
        QCOMPARE(child.exitCode(), 3);
        QVERIFY(QFile::exists(m_path + u"-journal"_s));

        const QList<NotebookWord> words = WordNotebook(m_path).words();
        QCOMPARE(words.size(), 1);
        QCOMPARE(words[0].headword, u"kept"_s);
        QCOMPARE(StarredSentences(m_path).all().size(), 1);
        QVERIFY(WordNotebook(m_path).add(word(u"after"_s), &error));
        QCOMPARE(WordNotebook(m_path).words().size(), 2);
    }

    void aDamagedStoreIsToldAndRefusesChanges()
    {
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        file.close();

        QString problem, error;
        QVERIFY(WordNotebook(m_path).words(&problem).isEmpty());
        QVERIFY(problem.startsWith(u"无法读取生词本（文件已损坏"_s));
        problem.clear();
        QVERIFY(StarredSentences(m_path).all(&problem).isEmpty());
        QVERIFY(problem.startsWith(u"无法读取星标句（文件已损坏"_s));
        QVERIFY(!WordNotebook(m_path).add(word(u"lost"_s), &error));
        QVERIFY(error.contains(u"无法保存生词本"_s));
        QVERIFY(!StarredSentences(m_path).setStarred({1, 1, 0, {}}, true, &error));
        QVERIFY(error.contains(u"无法保存星标"_s));
        QCOMPARE(QFileInfo(m_path).size(), 4096);
    }

private:
    QTemporaryDir m_folder;
    QString m_path;
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--die-mid-write") {
        return dieMidWrite(QString::fromLocal8Bit(argv[2]));
    }
    TestCollectedLists test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_collectedlists.moc"
