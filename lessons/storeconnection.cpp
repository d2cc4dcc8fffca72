#include "lessons/storeconnection.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <utility>

using namespace Qt::StringLiterals;

namespace StoreConnection {

namespace {

// The error of the statement that failed last on any connection: the connection's own error
// stays empty when a query fails.
thread_local QSqlError lastFailure;

// SQLite's primary result code of the failure, -1 when unknown. The extended codes (776 for a
// journal that a read-only connection cannot roll back) keep it in the low byte. Qt reports a
// failed COMMIT (a disk that fills up as the journal is written) without any code, only with
// SQLite's message for it, so the code is read back from that message.
int primaryCode(const QSqlError& error)
{
    bool numeric = false;
    const int code = error.nativeErrorCode().toInt(&numeric);
    if (numeric)
        return code & 0xff;
    static constexpr std::pair<const char*, int> messages[] = {
        {"database is locked", 5},
        {"database table is locked", 6},
        {"attempt to write a readonly database", 8},
        {"disk I/O error", 10},
        {"database disk image is malformed", 11},
        {"database or disk is full", 13},
        {"unable to open database file", 14},
        {"file is not a database", 26},
    };
    const QString text = error.databaseText();
    for (const auto& [message, primary] : messages) {
        if (text.contains(QLatin1String(message)))
            return primary;
    }
    return -1;
}

} // namespace

QString reasonText(const QSqlError& error)
{
    switch (primaryCode(error)) {
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return u"文件正被另一个程序占用，请稍后再试"_s;
    case 8: // SQLITE_READONLY
        return u"文件是只读的，不能写入"_s;
    case 10: // SQLITE_IOERR
        return u"读写出错，磁盘可能已满或已被拔出"_s;
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB: nothing can be written until the file is moved away
        return u"文件已损坏，请把它移走或删除后再试"_s;
    case 13: // SQLITE_FULL
        return u"磁盘已满"_s;
    case 14: // SQLITE_CANTOPEN
        return u"无法打开文件"_s;
    default:
        break;
    }
    const QString detail = error.text().trimmed();
    return detail.isEmpty() ? u"无法读写"_s : u"无法读写：%1"_s.arg(detail);
}

// Runs `work` on a connection of its own, closed again afterwards. A connection closed with its
// transaction still open rolls it back, as a killed process's would.
bool withDatabase(const QString& path, Access access,
                  const std::function<bool(QSqlDatabase&)>& work, QSqlError* openError)
{
    const QFileInfo file(path);
    if (access == Access::Read && !file.exists()) {
        return false;
    }
    const bool readOnly = access == Access::Read && !file.isWritable();
    static QAtomicInt serial;
    const QString name = u"orlune-learner-%1"_s.arg(serial.fetchAndAddRelaxed(1));
    bool done = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(path);
        // A commit holds the store for milliseconds; a read that waits longer than this is
        // blocked by another program, and the window must not freeze for it.
        db.setConnectOptions(access == Access::Write ? u"QSQLITE_BUSY_TIMEOUT=5000"_s
                             : readOnly ? u"QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=500"_s
                                        : u"QSQLITE_BUSY_TIMEOUT=500"_s);
        if (db.open()) {
            done = work(db);
            db.close();
        } else if (openError) {
            *openError = db.lastError();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return done;
}

bool exec(QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    QSqlQuery query(db);
    if (!query.prepare(sql)) {
        lastFailure = query.lastError();
        return false;
    }
    for (const QVariant& value : values) {
        query.addBindValue(value);
    }
    if (!query.exec()) {
        lastFailure = query.lastError();
        return false;
    }
    return true;
}

QString failureText(const QSqlDatabase& db)
{
    return reasonText(db.lastError().isValid() ? db.lastError() : lastFailure);
}

// Runs a SELECT, handing each row to `perRow`. A store gets its tables with its first import, so
// a table that is not there yet reads as no rows.
bool select(QSqlDatabase& db, const QString& sql, const QVariantList& values,
            const std::function<void(const QSqlQuery&)>& perRow)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    bool ok = query.prepare(sql);
    for (const QVariant& value : values) {
        query.addBindValue(value);
    }
    ok = ok && query.exec();
    if (!ok) {
        lastFailure = query.lastError();
        return lastFailure.text().contains(u"no such table"_s);
    }
    while (query.next()) {
        perRow(query);
    }
    lastFailure = query.lastError();
    return !lastFailure.isValid();
}

// Runs a read of the store. An absent store reads as empty. A store that cannot be read reads as
// empty too, and `problem` says why in Chinese: the caller tells the learner rather than show
// the carried lesson as if nothing had been imported.
bool readStore(const QString& path, const std::function<bool(QSqlDatabase&)>& work,
               QString* problem, const QString& subject)
{
    if (!QFileInfo::exists(path)) {
        return true;
    }
    lastFailure = QSqlError();
    QSqlError openError;
    if (withDatabase(path, Access::Read, work, &openError)) {
        return true;
    }
    if (problem) {
        *problem =
            u"无法读取%1（%2）：%3"_s.arg(subject.isEmpty() ? u"你导入的课文"_s : subject,
                                          reasonText(openError.isValid() ? openError : lastFailure),
                                          QDir::toNativeSeparators(path));
    }
    return false;
}

// The recordings every lesson of the store refers to, read inside the caller's transaction so
// that no other import can change them before the caller has finished with them.
bool readReferences(QSqlDatabase& db, QSet<QString>* referenced)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(u"SELECT \"文件\" FROM \"录音\""_s)) {
        lastFailure = query.lastError();
        return false;
    }
    while (query.next()) {
        referenced->insert(query.value(0).toString());
    }
    return !query.lastError().isValid();
}

bool tableExists(QSqlDatabase& db, const QString& table)
{
    bool found = false;
    select(db, u"SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?"_s, {table},
           [&found](const QSqlQuery&) { found = true; });
    return found;
}

QVariant notNullText(const QString& value)
{
    return value.isNull() ? u""_s : value;
}

} // namespace StoreConnection
