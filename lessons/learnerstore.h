#pragma once

#include "lessons/lessondatabase.h"

#include <QList>
#include <QSet>
#include <QString>

// The learner's own lessons, kept apart from the carried course: a SQLite file with the carried
// database's two tables and columns, and a folder of imported recordings beside it. A lesson the
// store holds is studied instead of the carried one; removing it gives the carried one back.
class LearnerStore
{
public:
    // `folder` holds the database and the recordings folder; it is made when first written.
    explicit LearnerStore(QString folder);

    // The learner's data folder (QStandardPaths::AppDataLocation) + "/lessons".
    static QString defaultFolder();

    const QString& folder() const { return m_folder; }
    QString databasePath() const;
    QString recordingFolder() const;

    // Reads never fail loudly: a store that cannot be read (locked by another program, damaged,
    // not a file) reads as holding nothing, and `problem`, when given, says why in Chinese, so
    // that the caller can tell the learner instead of silently showing the carried course. An
    // absent store is no problem: nothing was imported yet. A journal left by an import that was
    // killed mid-commit is rolled back by the first read.

    // Whether the store holds the lesson (bookDigit "1".."4", lessonText "Lesson 7").
    bool hasLesson(const QString& bookDigit, const QString& lessonText,
                   QString* problem = nullptr) const;
    // The imported recording of a lesson, "" when there is none.
    QString recordingPath(const QString& bookDigit, const QString& lessonText) const;
    // Every lesson the store holds, as lessonKey() gives it.
    QSet<QString> lessons(QString* problem = nullptr) const;
    // Why the store cannot be read, "" when it can (or does not exist).
    QString problem() const;
    // Every lesson with sentences in a lesson database, the carried one or a store's.
    static QSet<QString> lessonsIn(const QString& databasePath, QString* problem = nullptr);
    static QString lessonKey(const QString& bookDigit, const QString& lessonText);

    struct Lesson
    {
        QString bookDigit;
        QString lessonText;
        QList<SentenceRow> sentences;
        QList<WordRow> words;
        QString recordingFile; // copied into the store
        // Refuse, rather than replace, an earlier import of the lesson. Checked under the
        // store's write lock, so another copy of the program storing it meanwhile is seen.
        bool keepEarlier = false;
    };

    // Stores a lesson, replacing an earlier import of it. All or nothing: the recording is
    // copied under a fresh name and renamed into place, the rows go in one transaction, and a
    // failure at any step leaves the earlier lesson and every recording as they were. `error`
    // in Chinese. Once the rows are committed, recordings left by killed imports are removed:
    // only files with the names the store gives, in its own folder (not through a link), older
    // than an hour and not referred to by the references read in the same transaction.
    bool importLesson(const Lesson& lesson, QString* error);
    // Gives the lesson back to the carried course; true also when it was not there.
    bool removeLesson(const QString& bookDigit, const QString& lessonText, QString* error);

    // The database the lesson is read from: the store's when it holds the lesson, else
    // `carried`.
    LessonDatabase databaseFor(const LessonDatabase& carried, const QString& bookDigit,
                               const QString& lessonText) const;

    // Where an import stops as if the program had been killed there, leaving what a crash
    // would leave: for tests of what the next start finds.
    enum class CrashPoint { None, BeforeRename, AfterRename, InsideTransaction, AfterCommit };
    void setCrashPoint(CrashPoint point) { m_crashPoint = point; }

private:
    // The recordings the store refers to, read in the transaction that stores a lesson.
    struct References
    {
        QString older;     // the lesson's earlier recording, "" when none
        QSet<QString> all; // of every lesson, before this one's changed
        bool known = false;
        bool taken = false; // the lesson was held, and the import asked to keep it
    };
    bool copyRecording(const Lesson& lesson, QString* fresh, QString* error) const;
    bool storeRows(const Lesson& lesson, const QString& fresh, References* references,
                   QString* failure) const;
    QString recordingFileName(const QString& bookDigit, const QString& lessonText) const;
    void removeStrayRecordings(const QSet<QString>& referenced) const;

    QString m_folder;
    CrashPoint m_crashPoint = CrashPoint::None;
};
