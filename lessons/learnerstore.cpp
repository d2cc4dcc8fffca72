#include "learnerstore.h"

#include "lessoncatalog.h"
#include "lessonloader.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

// The carried database's two tables, so that LessonDatabase reads the store as it reads the
// course; the third names each lesson's recording, so that rows and file change together.
const char16_t* const schema[] = {
    u"CREATE TABLE IF NOT EXISTS \"句库\" (\"句子\" TEXT NOT NULL, \"中文\" TEXT NOT NULL, "
    u"\"开始时间\" VARCHAR(10) NOT NULL, \"结束时间\" VARCHAR(10) NOT NULL, "
    u"\"课别\" VARCHAR(100) NOT NULL, \"册别\" VARCHAR(2) NOT NULL)",
    u"CREATE TABLE IF NOT EXISTS \"单词\" (\"单词\" VARCHAR(50) NOT NULL, \"中文\" VARCHAR(50) NOT "
    u"NULL, \"课别\" VARCHAR(50) NOT NULL, \"册别\" VARCHAR(2) NOT NULL)",
    u"CREATE TABLE IF NOT EXISTS \"录音\" (\"文件\" TEXT NOT NULL, \"课别\" VARCHAR(100) NOT NULL, "
    u"\"册别\" VARCHAR(2) NOT NULL)",
    u"CREATE INDEX IF NOT EXISTS \"句库_册别_课别\" ON \"句库\" (\"册别\", \"课别\")",
    u"CREATE INDEX IF NOT EXISTS \"单词_册别_课别\" ON \"单词\" (\"册别\", \"课别\")",
};

const char16_t* const lessonTables[] = {u"句库", u"单词", u"录音"};

// A recording nobody refers to is left by an import killed half-way; one this old cannot belong
// to an import still running in another process.
constexpr qint64 strayAgeSeconds = 3600;

// Runs `work` on a connection of its own, closed again afterwards. A connection closed with its
// transaction still open rolls it back, as a killed process's would.
bool withDatabase(const QString& path, bool readOnly,
                  const std::function<bool(QSqlDatabase&)>& work)
{
    if (readOnly && !QFileInfo(path).isFile()) {
        return false;
    }
    static QAtomicInt serial;
    const QString name = u"orlune-learner-%1"_s.arg(serial.fetchAndAddRelaxed(1));
    bool done = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(path);
        db.setConnectOptions(readOnly ? u"QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"_s
                                      : u"QSQLITE_BUSY_TIMEOUT=5000"_s);
        if (db.open()) {
            done = work(db);
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return done;
}

// The error of the statement that failed last on any connection: the connection's own error
// stays empty when a query fails.
thread_local QSqlError lastFailure;

bool exec(QSqlDatabase& db, const QString& sql, const QVariantList& values = {})
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

// Why a write failed, in words the learner can act on.
QString failureText(const QSqlDatabase& db)
{
    const QSqlError error = db.lastError().isValid() ? db.lastError() : lastFailure;
    // SQLITE_CORRUPT and SQLITE_NOTADB: nothing can be written until the file is moved away.
    if (error.nativeErrorCode() == u"11"_s || error.nativeErrorCode() == u"26"_s) {
        return u"文件已损坏，请把它移走或删除后再试"_s;
    }
    if (error.nativeErrorCode() == u"13"_s) {
        return u"磁盘已满"_s;
    }
    return error.text().trimmed().isEmpty() ? u"无法写入"_s : error.text().trimmed();
}

// The columns are NOT NULL, and Qt binds a null QString as NULL.
QVariant text(const QString& value)
{
    return value.isNull() ? u""_s : value;
}

bool makeFolder(const QString& folder)
{
    return QDir().mkpath(folder) && QFileInfo(folder).isDir();
}

bool copyInto(const QString& source, QSaveFile& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly)) {
        return false;
    }
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty()) {
        if (target.write(chunk) != chunk.size()) {
            return false;
        }
    }
    return in.error() == QFileDevice::NoError;
}

} // namespace

LearnerStore::LearnerStore(QString folder) : m_folder(std::move(folder)) {}

QString LearnerStore::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + u"/lessons"_s;
}

QString LearnerStore::databasePath() const
{
    return QDir(m_folder).filePath(u"lessons.sqlite"_s);
}

QString LearnerStore::recordingFolder() const
{
    return QDir(m_folder).filePath(u"recordings"_s);
}

QString LearnerStore::lessonKey(const QString& bookDigit, const QString& lessonText)
{
    return bookDigit + u'/' + lessonText;
}

QSet<QString> LearnerStore::lessonsIn(const QString& databasePath)
{
    QSet<QString> lessons;
    withDatabase(databasePath, true, [&lessons](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.exec(u"SELECT DISTINCT \"册别\", \"课别\" FROM \"句库\""_s)) {
            return false;
        }
        while (query.next()) {
            lessons.insert(lessonKey(query.value(0).toString(), query.value(1).toString()));
        }
        return true;
    });
    return lessons;
}

QSet<QString> LearnerStore::lessons() const
{
    return lessonsIn(databasePath());
}

bool LearnerStore::hasLesson(const QString& bookDigit, const QString& lessonText) const
{
    return withDatabase(databasePath(), true, [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.prepare(u"SELECT 1 FROM \"句库\" WHERE \"册别\" = ? AND \"课别\" = ? LIMIT 1"_s);
        query.addBindValue(bookDigit);
        query.addBindValue(lessonText);
        return query.exec() && query.next();
    });
}

QString LearnerStore::recordingFileName(const QString& bookDigit, const QString& lessonText) const
{
    QString name;
    withDatabase(databasePath(), true, [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.prepare(u"SELECT \"文件\" FROM \"录音\" WHERE \"册别\" = ? AND \"课别\" = ?"_s);
        query.addBindValue(bookDigit);
        query.addBindValue(lessonText);
        if (query.exec() && query.next()) {
            name = query.value(0).toString();
        }
        return true;
    });
    return name;
}

QString LearnerStore::recordingPath(const QString& bookDigit, const QString& lessonText) const
{
    const QString name = recordingFileName(bookDigit, lessonText);
    return name.isEmpty() ? QString() : QDir(recordingFolder()).filePath(name);
}

LessonDatabase LearnerStore::databaseFor(const LessonDatabase& carried, const QString& bookDigit,
                                         const QString& lessonText) const
{
    return hasLesson(bookDigit, lessonText) ? LessonDatabase(databasePath()) : carried;
}

void LearnerStore::removeStrayRecordings() const
{
    QSet<QString> used;
    withDatabase(databasePath(), true, [&used](QSqlDatabase& db) {
        QSqlQuery query(db);
        if (!query.exec(u"SELECT \"文件\" FROM \"录音\""_s)) {
            return false;
        }
        while (query.next()) {
            used.insert(query.value(0).toString());
        }
        return true;
    });
    const QDateTime old = QDateTime::currentDateTimeUtc().addSecs(-strayAgeSeconds);
    const QFileInfoList files =
        QDir(recordingFolder()).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& file : files) {
        if (!used.contains(file.fileName()) && file.lastModified().toUTC() < old) {
            QFile::remove(file.filePath());
        }
    }
}

bool LearnerStore::importLesson(const Lesson& lesson, QString* error)
{
    auto fail = [error](const QString& message) {
        if (error) {
            *error = message;
        }
        return false;
    };
    const int book = lesson.bookDigit.toInt();
    const int number = LessonCatalog::lessonNumber(lesson.lessonText).toInt();
    if (book < 1 || book > LessonCatalog::bookCount || number < 1 ||
        number > LessonCatalog::lessonCounts[size_t(book - 1)] ||
        LessonCatalog::lessonText(number) != lesson.lessonText) {
        return fail(u"没有这一课：第 %1 册 %2。"_s.arg(lesson.bookDigit, lesson.lessonText));
    }
    if (lesson.sentences.isEmpty()) {
        return fail(u"课文中没有句子，没有导入。"_s);
    }
    const QFileInfo source(lesson.recordingFile);
    if (!source.isFile()) {
        return fail(u"找不到录音文件：%1"_s.arg(lesson.recordingFile));
    }
    if (source.size() > maxLessonAudioBytes) {
        return fail(u"录音文件太大（超过 %1 MB），没有导入。"_s.arg(maxLessonAudioBytes >> 20));
    }
    if (!makeFolder(m_folder) || !makeFolder(recordingFolder())) {
        return fail(u"无法创建保存课文的文件夹：%1"_s.arg(QDir::toNativeSeparators(m_folder)));
    }
    removeStrayRecordings();
    const QString older = recordingFileName(lesson.bookDigit, lesson.lessonText);

    // Each import gets a name of its own: the rows of the earlier import keep pointing at the
    // earlier file until the new rows are committed.
    const QString suffix = source.suffix().toLower();
    QString fresh;
    do {
        fresh = u"%1-%2-%3%4"_s.arg(lesson.bookDigit)
                    .arg(number)
                    .arg(QRandomGenerator::global()->generate64(), 16, 16, QChar(u'0'))
                    .arg(suffix.isEmpty() ? QString() : u'.' + suffix);
    } while (QFileInfo::exists(QDir(recordingFolder()).filePath(fresh)));
    const QString freshPath = QDir(recordingFolder()).filePath(fresh);

    QSaveFile copy(freshPath);
    if (!copyInto(lesson.recordingFile, copy)) {
        return fail(u"无法复制录音文件（磁盘可能已满）：%1"_s.arg(lesson.recordingFile));
    }
    if (m_crashPoint == CrashPoint::BeforeRename) {
        copy.cancelWriting();
        return false;
    }
    if (!copy.commit()) {
        return fail(u"无法复制录音文件（磁盘可能已满）：%1"_s.arg(lesson.recordingFile));
    }
    if (m_crashPoint == CrashPoint::AfterRename) {
        return false;
    }

    QString failure;
    const bool stored = withDatabase(databasePath(), false, [&](QSqlDatabase& db) {
        for (const char16_t* statement : schema) {
            if (!exec(db, QString::fromUtf16(statement))) {
                failure = failureText(db);
                return false;
            }
        }
        if (!db.transaction()) {
            failure = failureText(db);
            return false;
        }
        const QVariantList where{lesson.bookDigit, lesson.lessonText};
        bool ok = true;
        for (const char16_t* table : lessonTables) {
            ok = ok && exec(db,
                            u"DELETE FROM \"%1\" WHERE \"册别\" = ? AND \"课别\" = ?"_s.arg(
                                QString::fromUtf16(table)),
                            where);
        }
        for (const SentenceRow& row : lesson.sentences) {
            ok = ok && exec(db, u"INSERT INTO \"句库\" VALUES (?, ?, ?, ?, ?, ?)"_s,
                            {text(row.sentence), text(row.translation), text(row.start),
                             text(row.end), lesson.lessonText, lesson.bookDigit});
        }
        for (const WordRow& row : lesson.words) {
            ok = ok &&
                 exec(db, u"INSERT INTO \"单词\" VALUES (?, ?, ?, ?)"_s,
                      {text(row.word), text(row.meaning), lesson.lessonText, lesson.bookDigit});
        }
        ok = ok && exec(db, u"INSERT INTO \"录音\" VALUES (?, ?, ?)"_s,
                        {fresh, lesson.lessonText, lesson.bookDigit});
        if (m_crashPoint == CrashPoint::InsideTransaction) {
            return false;
        }
        if (!ok || !db.commit()) {
            failure = failureText(db);
            db.rollback();
            return false;
        }
        return true;
    });
    if (m_crashPoint == CrashPoint::InsideTransaction) {
        return false;
    }
    if (!stored) {
        QFile::remove(freshPath);
        return fail(u"无法保存课文（%1）：%2"_s.arg(failure.isEmpty() ? u"无法打开"_s : failure,
                                                    QDir::toNativeSeparators(databasePath())));
    }
    if (m_crashPoint == CrashPoint::AfterCommit) {
        return false;
    }
    if (!older.isEmpty() && older != fresh) {
        QFile::remove(QDir(recordingFolder()).filePath(older));
    }
    return true;
}

bool LearnerStore::removeLesson(const QString& bookDigit, const QString& lessonText, QString* error)
{
    if (!QFileInfo(databasePath()).isFile()) {
        return true;
    }
    const QString older = recordingFileName(bookDigit, lessonText);
    QString failure;
    const bool removed = withDatabase(databasePath(), false, [&](QSqlDatabase& db) {
        if (!db.transaction()) {
            failure = failureText(db);
            return false;
        }
        bool ok = true;
        for (const char16_t* table : lessonTables) {
            ok = ok && exec(db,
                            u"DELETE FROM \"%1\" WHERE \"册别\" = ? AND \"课别\" = ?"_s.arg(
                                QString::fromUtf16(table)),
                            {bookDigit, lessonText});
        }
        if (!ok || !db.commit()) {
            failure = failureText(db);
            db.rollback();
            return false;
        }
        return true;
    });
    if (!removed) {
        if (error) {
            *error =
                u"无法删除导入的课文（%1）：%2"_s.arg(failure.isEmpty() ? u"无法打开"_s : failure,
                                                      QDir::toNativeSeparators(databasePath()));
        }
        return false;
    }
    if (!older.isEmpty()) {
        QFile::remove(QDir(recordingFolder()).filePath(older));
    }
    removeStrayRecordings();
    return true;
}
