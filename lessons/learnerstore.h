#pragma once

#include "lessondatabase.h"

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

    // Whether the store holds the lesson (bookDigit "1".."4", lessonText "Lesson 7").
    bool hasLesson(const QString& bookDigit, const QString& lessonText) const;
    // The imported recording of a lesson, "" when there is none.
    QString recordingPath(const QString& bookDigit, const QString& lessonText) const;
    // Every lesson the store holds, as lessonKey() gives it.
    QSet<QString> lessons() const;
    // Every lesson with sentences in a lesson database, the carried one or a store's.
    static QSet<QString> lessonsIn(const QString& databasePath);
    static QString lessonKey(const QString& bookDigit, const QString& lessonText);

    struct Lesson
    {
        QString bookDigit;
        QString lessonText;
        QList<SentenceRow> sentences;
        QList<WordRow> words;
        QString recordingFile; // copied into the store
    };

    // Stores a lesson, replacing an earlier import of it. All or nothing: the recording is
    // copied under a fresh name and renamed into place, the rows go in one transaction, and a
    // failure at any step leaves the earlier lesson as it was. `error` in Chinese.
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
    QString recordingFileName(const QString& bookDigit, const QString& lessonText) const;
    void removeStrayRecordings() const;

    QString m_folder;
    CrashPoint m_crashPoint = CrashPoint::None;
};
