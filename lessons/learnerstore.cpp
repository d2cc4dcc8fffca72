#include "lessons/learnerstore.h"

#include "lessons/lessoncatalog.h"
#include "lessons/lessonloader.h"
#include "lessons/lessonschema.h"
#include "lessons/storeconnection.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>
#include <functional>

using namespace Qt::StringLiterals;
using namespace StoreConnection;

namespace {

// The carried database's two tables, so that LessonDatabase reads the store as it reads the
// course; the third names each lesson's recording, so that rows and file change together.
QStringList schema()
{
    return LessonSchema::lessonTables() + QStringList{LessonSchema::recordingsTable()} +
           LessonSchema::indexes();
}

const char16_t* const lessonTables[] = {u"句库", u"单词", u"录音"};

// A recording nobody refers to is left by an import killed half-way; one this old cannot belong
// to an import still running in another process.
constexpr qint64 strayAgeSeconds = 3600;

// The names importLesson() gives recordings ("2-7-<16 hex digits>.mp3"), and the names QSaveFile
// gives them while they are written: nothing else in the folder is ours to delete.
bool isOurRecordingName(const QString& name)
{
    static const QRegularExpression ours(QRegularExpression::anchoredPattern(
        uR"([1-4]-\d{1,2}-[0-9a-f]{16}(\.[a-z0-9]{1,8})?(\.[A-Za-z0-9]{6})?)"_s));
    return ours.match(name).hasMatch();
}

// The recording keeps its type in its name when the type fits the names we give.
QString recordingSuffix(const QFileInfo& source)
{
    static const QRegularExpression plain(u"^[a-z0-9]{1,8}$"_s);
    const QString suffix = source.suffix().toLower();
    return plain.match(suffix).hasMatch() ? u'.' + suffix : QString();
}

bool makeFolder(const QString& folder)
{
    return QDir().mkpath(folder) && QFileInfo(folder).isDir();
}

// Copies `source` into `target`; on failure, why, in Chinese.
bool copyInto(const QString& source, QSaveFile& target, QString* why)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *why = u"无法读取录音文件"_s;
        return false;
    }
    if (!target.open(QIODevice::WriteOnly)) {
        *why = target.error() == QFileDevice::PermissionsError
                   ? u"保存课文的文件夹不可写"_s
                   : u"无法在保存课文的文件夹里创建文件"_s;
        return false;
    }
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty()) {
        if (target.write(chunk) != chunk.size()) {
            *why = u"无法写入录音的副本，磁盘可能已满"_s;
            return false;
        }
    }
    if (in.error() != QFileDevice::NoError) {
        *why = u"读取录音文件时出错"_s;
        return false;
    }
    return true;
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

QSet<QString> LearnerStore::lessonsIn(const QString& databasePath, QString* problem)
{
    QSet<QString> lessons;
    readStore(
        databasePath,
        [&lessons](QSqlDatabase& db) {
            return select(db, u"SELECT DISTINCT \"册别\", \"课别\" FROM \"句库\""_s, {},
                          [&lessons](const QSqlQuery& row) {
                              lessons.insert(
                                  lessonKey(row.value(0).toString(), row.value(1).toString()));
                          });
        },
        problem);
    return lessons;
}

QSet<QString> LearnerStore::lessons(QString* problem) const
{
    return lessonsIn(databasePath(), problem);
}

QString LearnerStore::problem() const
{
    QString found;
    lessons(&found);
    return found;
}

bool LearnerStore::hasLesson(const QString& bookDigit, const QString& lessonText,
                             QString* problem) const
{
    bool found = false;
    readStore(
        databasePath(),
        [&](QSqlDatabase& db) {
            return select(db,
                          u"SELECT 1 FROM \"句库\" WHERE \"册别\" = ? AND \"课别\" = ? LIMIT 1"_s,
                          {bookDigit, lessonText}, [&found](const QSqlQuery&) { found = true; });
        },
        problem);
    return found;
}

QString LearnerStore::recordingFileName(const QString& bookDigit, const QString& lessonText) const
{
    QString name;
    readStore(
        databasePath(),
        [&](QSqlDatabase& db) {
            return select(db,
                          u"SELECT \"文件\" FROM \"录音\" WHERE \"册别\" = ? AND \"课别\" = ?"_s,
                          {bookDigit, lessonText},
                          [&name](const QSqlQuery& row) { name = row.value(0).toString(); });
        },
        nullptr);
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

void LearnerStore::removeStrayRecordings(const QSet<QString>& referenced) const
{
    // Through a link the folder is someone else's: nothing there is ours to judge.
    const QFileInfo folder(recordingFolder());
    if (folder.isSymLink() || !folder.isDir()) {
        return;
    }
    const QDateTime old = QDateTime::currentDateTimeUtc().addSecs(-strayAgeSeconds);
    const QFileInfoList files =
        QDir(recordingFolder()).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& file : files) {
        if (file.isFile() && !file.isSymLink() && isOurRecordingName(file.fileName()) &&
            !referenced.contains(file.fileName()) && file.lastModified().toUTC() < old) {
            QFile::remove(file.filePath());
        }
    }
}

namespace {

// Why the lesson cannot be stored at all, "" when it can.
QString unstorable(const LearnerStore::Lesson& lesson)
{
    const int book = lesson.bookDigit.toInt();
    const int number = LessonCatalog::lessonNumber(lesson.lessonText).toInt();
    if (book < 1 || book > LessonCatalog::bookCount || number < 1 ||
        number > LessonCatalog::lessonCounts[size_t(book - 1)] ||
        LessonCatalog::lessonText(number) != lesson.lessonText) {
        return u"没有这一课：第 %1 册 %2。"_s.arg(lesson.bookDigit, lesson.lessonText);
    }
    if (lesson.sentences.isEmpty()) {
        return u"课文中没有句子，没有导入。"_s;
    }
    const QFileInfo source(lesson.recordingFile);
    if (!source.isFile()) {
        return u"找不到录音文件：%1"_s.arg(lesson.recordingFile);
    }
    if (source.size() > maxLessonAudioBytes) {
        return u"录音文件太大（超过 %1 MB），没有导入。"_s.arg(maxLessonAudioBytes >> 20);
    }
    return {};
}

} // namespace

bool LearnerStore::copyRecording(const Lesson& lesson, QString* fresh, QString* error) const
{
    // Each import gets a name of its own: the rows of the earlier import keep pointing at the
    // earlier file until the new rows are committed.
    const QFileInfo source(lesson.recordingFile);
    const int number = LessonCatalog::lessonNumber(lesson.lessonText).toInt();
    do {
        *fresh = u"%1-%2-%3%4"_s.arg(lesson.bookDigit)
                     .arg(number)
                     .arg(QRandomGenerator::global()->generate64(), 16, 16, QChar(u'0'))
                     .arg(recordingSuffix(source));
    } while (QFileInfo::exists(QDir(recordingFolder()).filePath(*fresh)));

    QSaveFile copy(QDir(recordingFolder()).filePath(*fresh));
    QString why;
    if (!copyInto(lesson.recordingFile, copy, &why)) {
        *error = u"无法复制录音文件（%1）：%2"_s.arg(why, lesson.recordingFile);
        return false;
    }
    if (m_crashPoint == CrashPoint::BeforeRename) {
        copy.cancelWriting();
        return false;
    }
    if (!copy.commit()) {
        *error =
            u"无法复制录音文件（无法写入录音的副本，磁盘可能已满）：%1"_s.arg(lesson.recordingFile);
        return false;
    }
    return m_crashPoint != CrashPoint::AfterRename;
}

bool LearnerStore::storeRows(const Lesson& lesson, const QString& fresh, References* references,
                             QString* failure) const
{
    return withDatabase(databasePath(), Access::Write, [&](QSqlDatabase& db) {
        // A store whose recordings table is gone has lost its references, not its recordings.
        const bool hadRecordings = tableExists(db, u"录音"_s);
        for (const QString& statement : schema()) {
            if (!exec(db, statement)) {
                *failure = failureText(db);
                return false;
            }
        }
        // IMMEDIATE takes the write lock before the reads below, so what they find still holds
        // when the rows are written.
        if (!exec(db, u"BEGIN IMMEDIATE"_s)) {
            *failure = failureText(db);
            return false;
        }
        const QVariantList where{lesson.bookDigit, lesson.lessonText};
        if (lesson.keepEarlier) {
            for (const char16_t* table : lessonTables) {
                select(db,
                       u"SELECT 1 FROM \"%1\" WHERE \"册别\" = ? AND \"课别\" = ? LIMIT 1"_s.arg(
                           QString::fromUtf16(table)),
                       where, [references](const QSqlQuery&) { references->taken = true; });
            }
            if (references->taken) {
                db.rollback();
                return false;
            }
        }
        bool ok = select(
            db, u"SELECT \"文件\" FROM \"录音\" WHERE \"册别\" = ? AND \"课别\" = ?"_s, where,
            [references](const QSqlQuery& row) { references->older = row.value(0).toString(); });
        ok = ok && readReferences(db, &references->all);
        for (const char16_t* table : lessonTables) {
            ok = ok && exec(db,
                            u"DELETE FROM \"%1\" WHERE \"册别\" = ? AND \"课别\" = ?"_s.arg(
                                QString::fromUtf16(table)),
                            where);
        }
        for (const SentenceRow& row : lesson.sentences) {
            ok = ok && exec(db, u"INSERT INTO \"句库\" VALUES (?, ?, ?, ?, ?, ?)"_s,
                            {notNullText(row.sentence), notNullText(row.translation),
                             notNullText(row.start), notNullText(row.end), lesson.lessonText,
                             lesson.bookDigit});
        }
        for (const WordRow& row : lesson.words) {
            ok = ok && exec(db, u"INSERT INTO \"单词\" VALUES (?, ?, ?, ?)"_s,
                            {notNullText(row.word), notNullText(row.meaning), lesson.lessonText,
                             lesson.bookDigit});
        }
        ok = ok && exec(db, u"INSERT INTO \"录音\" VALUES (?, ?, ?)"_s,
                        {fresh, lesson.lessonText, lesson.bookDigit});
        if (m_crashPoint == CrashPoint::InsideTransaction) {
            return false;
        }
        if (!ok || !db.commit()) {
            *failure = failureText(db);
            db.rollback();
            return false;
        }
        references->known = hadRecordings;
        return true;
    });
}

bool LearnerStore::importLesson(const Lesson& lesson, QString* error)
{
    auto fail = [error](const QString& message) {
        if (error) {
            *error = message;
        }
        return false;
    };
    if (const QString why = unstorable(lesson); !why.isEmpty()) {
        return fail(why);
    }
    if (!makeFolder(m_folder) || !makeFolder(recordingFolder())) {
        return fail(u"无法创建保存课文的文件夹：%1"_s.arg(QDir::toNativeSeparators(m_folder)));
    }
    QString fresh;
    QString copyFailure;
    if (!copyRecording(lesson, &fresh, &copyFailure)) {
        return copyFailure.isEmpty() ? false : fail(copyFailure);
    }
    QString failure;
    References references;
    const bool stored = storeRows(lesson, fresh, &references, &failure);
    if (m_crashPoint == CrashPoint::InsideTransaction) {
        return false;
    }
    if (!stored) {
        // Nothing else is touched: the earlier lesson and every recording stay as they were.
        QFile::remove(QDir(recordingFolder()).filePath(fresh));
        if (references.taken) {
            return fail(u"本课已有先前导入的课文，没有替换"_s);
        }
        return fail(u"无法保存课文（%1）：%2"_s.arg(failure.isEmpty() ? u"无法打开"_s : failure,
                                                    QDir::toNativeSeparators(databasePath())));
    }
    if (m_crashPoint == CrashPoint::AfterCommit) {
        return false;
    }
    if (!references.older.isEmpty() && references.older != fresh) {
        QFile::remove(QDir(recordingFolder()).filePath(references.older));
    }
    if (references.known) {
        references.all.remove(references.older);
        references.all.insert(fresh);
        removeStrayRecordings(references.all);
    }
    return true;
}

bool LearnerStore::removeLesson(const QString& bookDigit, const QString& lessonText, QString* error)
{
    if (!QFileInfo::exists(databasePath())) {
        return true;
    }
    QString older;
    QSet<QString> referenced;
    bool referencesKnown = false;
    QString failure;
    const bool removed = withDatabase(databasePath(), Access::Write, [&](QSqlDatabase& db) {
        referencesKnown = tableExists(db, u"录音"_s);
        if (!db.transaction()) {
            failure = failureText(db);
            return false;
        }
        const QVariantList where{bookDigit, lessonText};
        bool ok =
            select(db, u"SELECT \"文件\" FROM \"录音\" WHERE \"册别\" = ? AND \"课别\" = ?"_s,
                   where, [&older](const QSqlQuery& row) { older = row.value(0).toString(); });
        ok = ok && (!referencesKnown || readReferences(db, &referenced));
        for (const char16_t* table : lessonTables) {
            ok = ok && exec(db,
                            u"DELETE FROM \"%1\" WHERE \"册别\" = ? AND \"课别\" = ?"_s.arg(
                                QString::fromUtf16(table)),
                            where);
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
    if (referencesKnown) {
        referenced.remove(older);
        removeStrayRecordings(referenced);
    }
    return true;
}
