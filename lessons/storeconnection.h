#pragma once

#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <functional>

// The learner's store as SQLite sees it: connections of their own for each read or write, the
// statements the store runs, and why one failed, in words the learner can act on.
namespace StoreConnection {

enum class Access {
    // Opens read-write when the file is ours to write, without creating it: SQLite can then
    // roll back the journal a killed import left, which a read-only connection cannot, and
    // fails instead of reading.
    Read,
    Write,
};

// Runs `work` on a connection of its own, closed again afterwards. A connection closed with its
// transaction still open rolls it back, as a killed process's would.
bool withDatabase(const QString& path, Access access,
                  const std::function<bool(QSqlDatabase&)>& work, QSqlError* openError = nullptr);
bool exec(QSqlDatabase& db, const QString& sql, const QVariantList& values = {});
// Runs a SELECT, handing each row to `perRow`. A store gets its tables with its first import, so
// a table that is not there yet reads as no rows.
bool select(QSqlDatabase& db, const QString& sql, const QVariantList& values,
            const std::function<void(const QSqlQuery&)>& perRow);
// Runs a read of the store. An absent store reads as empty. A store that cannot be read reads as
// empty too, and `problem` says why in Chinese: the caller tells the learner rather than show
// the carried lesson as if nothing had been imported.
// `subject` names what could not be read, for the learner: their imported lessons when empty.
bool readStore(const QString& path, const std::function<bool(QSqlDatabase&)>& work,
               QString* problem, const QString& subject = {});
// The recordings every lesson of the store refers to, read inside the caller's transaction so
// that no other import can change them before the caller has finished with them.
bool readReferences(QSqlDatabase& db, QSet<QString>* referenced);
bool tableExists(QSqlDatabase& db, const QString& table);
// The text columns are NOT NULL, and Qt binds a null QString as NULL.
QVariant notNullText(const QString& value);
// Why a read or a write failed, in words the learner can act on (Chinese).
QString reasonText(const QSqlError& error);
// Why the last statement on `db` failed, in Chinese.
QString failureText(const QSqlDatabase& db);

} // namespace StoreConnection
