#include "lessons/starredsentences.h"

#include "lessons/lessonschema.h"
#include "lessons/storeconnection.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QVariant>

using namespace Qt::StringLiterals;
using namespace StoreConnection;

namespace {

bool read(const QString& path, const QString& sql, const QVariantList& values,
          QList<StarredSentence>* sentences, QString* problem)
{
    QString why;
    const bool done = readStore(
        path,
        [&](QSqlDatabase& db) {
            return select(db, sql, values, [&](const QSqlQuery& q) {
                sentences->append({q.value(0).toInt(), q.value(1).toInt(), q.value(2).toInt(),
                                   q.value(3).toString()});
            });
        },
        &why, u"星标句"_s);
    if (!done) {
        sentences->clear();
        if (problem) {
            *problem = why;
        }
    }
    return done;
}

} // namespace

bool StarredSentences::setStarred(const StarredSentence& sentence, bool starred, QString* error)
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    const QString sql =
        starred ? u"INSERT OR IGNORE INTO \"难句\" VALUES (?, ?, ?, ?, ?)"_s
                : u"DELETE FROM \"难句\" WHERE book = ? AND lesson = ? AND sentence_index = ?"_s;
    QVariantList values{sentence.book, sentence.lesson, sentence.index};
    if (starred) {
        values << (sentence.sentence.isNull() ? u""_s : sentence.sentence)
               << QDateTime::currentMSecsSinceEpoch();
    }
    QString failure;
    const bool done = withDatabase(m_path, Access::Write, [&](QSqlDatabase& db) {
        const bool ok = db.transaction() && exec(db, LessonSchema::starredTable()) &&
                        exec(db, sql, values) && db.commit();
        if (!ok) {
            failure = failureText(db);
        }
        return ok;
    });
    if (!done && error) {
        *error = u"无法保存星标（%1）：%2"_s.arg(failure.isEmpty() ? u"无法打开文件"_s : failure,
                                                 QDir::toNativeSeparators(m_path));
    }
    return done;
}

QList<StarredSentence> StarredSentences::all(QString* problem) const
{
    QList<StarredSentence> sentences;
    read(m_path,
         u"SELECT book, lesson, sentence_index, sentence FROM \"难句\" "
         "ORDER BY book, lesson, sentence_index"_s,
         {}, &sentences, problem);
    return sentences;
}

QSet<int> StarredSentences::inLesson(int book, int lesson, QString* problem) const
{
    QList<StarredSentence> sentences;
    read(m_path,
         u"SELECT book, lesson, sentence_index, sentence FROM \"难句\" "
         "WHERE book = ? AND lesson = ?"_s,
         {book, lesson}, &sentences, problem);
    QSet<int> places;
    for (const StarredSentence& s : sentences) {
        places.insert(s.index);
    }
    return places;
}
