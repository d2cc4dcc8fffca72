#include "lessons/wordnotebook.h"

#include "lessons/lessonschema.h"
#include "lessons/storeconnection.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QVariant>

using namespace Qt::StringLiterals;
using namespace StoreConnection;

namespace {

// One change in one transaction; `error` in Chinese when it failed.
bool change(const QString& path, const QString& sql, const QVariantList& values, QString* error)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QString failure;
    const bool done = withDatabase(path, Access::Write, [&](QSqlDatabase& db) {
        const bool ok = db.transaction() && exec(db, LessonSchema::notebookTable()) &&
                        exec(db, sql, values) && db.commit();
        if (!ok) {
            failure = failureText(db);
        }
        return ok;
    });
    if (!done && error) {
        *error = u"无法保存生词本（%1）：%2"_s.arg(failure.isEmpty() ? u"无法打开文件"_s : failure,
                                                   QDir::toNativeSeparators(path));
    }
    return done;
}

} // namespace

bool WordNotebook::add(const NotebookWord& word, QString* error)
{
    return change(m_path, u"INSERT OR REPLACE INTO \"生词本\" VALUES (?, ?, ?, ?, ?, ?, ?, ?)"_s,
                  {word.headword.trimmed(), notNullText(word.phonetic), notNullText(word.meaning),
                   notNullText(word.sentence), word.book, word.lesson, word.sentenceIndex,
                   QDateTime::currentMSecsSinceEpoch()},
                  error);
}

bool WordNotebook::remove(const QString& headword, QString* error)
{
    return change(m_path, u"DELETE FROM \"生词本\" WHERE headword = ?"_s, {headword}, error);
}

QList<NotebookWord> WordNotebook::words(QString* problem) const
{
    QList<NotebookWord> words;
    QString why;
    const bool read = readStore(
        m_path,
        [&](QSqlDatabase& db) {
            return select(db,
                          u"SELECT headword, phonetic, meaning, sentence, book, lesson, "
                          "sentence_index FROM \"生词本\" ORDER BY added, rowid"_s,
                          {}, [&](const QSqlQuery& q) {
                              words.append({q.value(0).toString(), q.value(1).toString(),
                                            q.value(2).toString(), q.value(3).toString(),
                                            q.value(4).toInt(), q.value(5).toInt(),
                                            q.value(6).toInt()});
                          });
        },
        &why, u"生词本"_s);
    if (!read && problem) {
        *problem = why;
    }
    return read ? words : QList<NotebookWord>();
}

bool WordNotebook::contains(const QString& headword) const
{
    for (const NotebookWord& word : words()) {
        if (word.headword.compare(headword.trimmed(), Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}
