#include "tools/course-builder/coursedatabasewriter.h"

#include "lessons/lessonschema.h"
#include "tools/course-builder/courseerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <filesystem>

using namespace Qt::StringLiterals;

namespace {

const QString connectionName = u"orlune-course-builder"_s;

// Qt binds a null QString as SQL NULL; the columns are NOT NULL and the last end time is ''.
QString text(const QString& value)
{
    return value.isNull() ? u""_s : value;
}

void run(QSqlQuery& query, const QString& path)
{
    if (!query.exec())
        throw CourseError(path, 0, u"database write failed: "_s + query.lastError().text());
}

void execute(QSqlDatabase& db, const QString& sql, const QString& path)
{
    QSqlQuery query(db);
    query.prepare(sql);
    run(query, path);
}

void fill(QSqlDatabase& db, const QList<CourseLesson>& lessons,
          const QList<CourseDatabaseWriter::LessonTimes>& times, const QString& path)
{
    QSqlQuery sentence(db);
    sentence.prepare(u"INSERT INTO \"句库\" VALUES (?, ?, ?, ?, ?, ?)"_s);
    QSqlQuery word(db);
    word.prepare(u"INSERT INTO \"单词\" VALUES (?, ?, ?, ?)"_s);
    for (qsizetype l = 0; l < lessons.size(); ++l) {
        const CourseLesson& lesson = lessons.at(l);
        for (qsizetype s = 0; s < lesson.sentences.size(); ++s) {
            sentence.bindValue(0, text(lesson.sentences.at(s).english));
            sentence.bindValue(1, text(lesson.sentences.at(s).chinese));
            sentence.bindValue(2, text(times.at(l).starts.at(s)));
            sentence.bindValue(3, text(times.at(l).ends.at(s)));
            sentence.bindValue(4, lesson.lessonText());
            sentence.bindValue(5, lesson.bookText());
            run(sentence, path);
        }
        for (const CourseWord& entry : lesson.words) {
            word.bindValue(0, text(entry.word));
            word.bindValue(1, text(entry.meaning));
            word.bindValue(2, lesson.lessonText());
            word.bindValue(3, lesson.bookText());
            run(word, path);
        }
    }
}

void build(const QString& file, const QList<CourseLesson>& lessons,
           const QList<CourseDatabaseWriter::LessonTimes>& times)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, connectionName);
    db.setDatabaseName(file);
    if (!db.open())
        throw CourseError(file, 0, u"cannot create the database: "_s + db.lastError().text());
    try {
        db.transaction();
        for (const QString& sql : LessonSchema::lessonTables())
            execute(db, sql, file);
        fill(db, lessons, times, file);
        // Built after the rows: one sort instead of a page split per insert.
        for (const QString& sql : LessonSchema::indexes())
            execute(db, sql, file);
        if (!db.commit())
            throw CourseError(file, 0, u"commit failed: "_s + db.lastError().text());
    } catch (...) {
        db.close();
        throw;
    }
    db.close();
}

} // namespace

void CourseDatabaseWriter::write(const QString& path, const QList<CourseLesson>& lessons,
                                 const QList<LessonTimes>& times)
{
    Q_ASSERT(lessons.size() == times.size());
    const QString partial = path + u".part"_s;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(partial);
    QFile::remove(partial + u"-journal"_s);
    try {
        build(partial, lessons, times);
    } catch (...) {
        QSqlDatabase::removeDatabase(connectionName);
        QFile::remove(partial);
        throw;
    }
    QSqlDatabase::removeDatabase(connectionName);

    std::error_code error;
    std::filesystem::rename(std::filesystem::path(partial.toStdU16String()),
                            std::filesystem::path(path.toStdU16String()), error);
    if (error)
        throw CourseError(path, 0, u"cannot replace: "_s + QString::fromStdString(error.message()));
}
