#include "lessons/lessondatabase.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>
#include <functional>

namespace {

// Runs one query with the lesson's two texts bound, handing each row to perRow. The
// connection lives only for this call; its unique name keeps concurrent readers apart.
void runLessonQuery(const QString& path, const QString& sql, const QString& bookDigit,
                    const QString& lessonText, const std::function<void(const QSqlQuery&)>& perRow)
{
    // The SQLite driver would silently create a missing file; a lesson database we did not
    // write is simply absent.
    if (!QFileInfo(path).isFile()) {
        return;
    }
    static QAtomicInt serial;
    const QString name = QStringLiteral("orlune-lessons-%1").arg(serial.fetchAndAddRelaxed(1));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=200"));
        if (db.open()) {
            QSqlQuery query(db);
            query.setForwardOnly(true);
            if (query.prepare(sql)) {
                query.addBindValue(bookDigit);
                query.addBindValue(lessonText);
                if (query.exec()) {
                    while (query.next()) {
                        perRow(query);
                    }
                }
            }
            query.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

QList<SentenceRow> LessonDatabase::sentences(const QString& bookDigit,
                                             const QString& lessonText) const
{
    QList<SentenceRow> rows;
    runLessonQuery(m_path,
                   QStringLiteral("SELECT 句子, 中文, 开始时间, 结束时间 FROM 句库 "
                                  "WHERE 册别 = ? AND 课别 = ? ORDER BY rowid"),
                   bookDigit, lessonText, [&rows](const QSqlQuery& q) {
                       rows.append({q.value(0).toString(), q.value(1).toString(),
                                    q.value(2).toString(), q.value(3).toString()});
                   });
    return rows;
}

QList<WordRow> LessonDatabase::newWords(const QString& bookDigit, const QString& lessonText) const
{
    QList<WordRow> rows;
    runLessonQuery(m_path,
                   QStringLiteral("SELECT 单词, 中文 FROM 单词 "
                                  "WHERE 册别 = ? AND 课别 = ? ORDER BY rowid"),
                   bookDigit, lessonText, [&rows](const QSqlQuery& q) {
                       rows.append({q.value(0).toString(), q.value(1).toString()});
                   });
    return rows;
}
