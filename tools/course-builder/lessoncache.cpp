#include "tools/course-builder/lessoncache.h"

#include "tools/course-builder/courseerror.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

using namespace Qt::StringLiterals;

LessonCache::LessonCache(QString folder) : m_folder(std::move(folder)) {}

QString LessonCache::name(int book, int lesson)
{
    return QString::number(book) + u'-' + QString::number(lesson) + u".json"_s;
}

QString LessonCache::path(int book, int lesson) const
{
    return QDir(m_folder).filePath(name(book, lesson));
}

std::optional<LessonCache::Entry> LessonCache::load(int book, int lesson) const
{
    QFile file(path(book, lesson));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // A damaged entry is no worse than a missing one: the lesson is simply built again.
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    Entry entry;
    entry.key = object.value(u"key").toString();
    entry.audioBytes = object.value(u"audioBytes").toInteger(-1);
    entry.seconds = object.value(u"seconds").toDouble();
    entry.encoderDelay = long(object.value(u"encoderDelay").toInteger());
    for (const auto& value : object.value(u"starts").toArray())
        entry.starts.append(value.toString());
    for (const auto& value : object.value(u"ends").toArray())
        entry.ends.append(value.toString());
    if (entry.key.isEmpty() || entry.starts.size() != entry.ends.size())
        return std::nullopt;
    return entry;
}

void LessonCache::store(int book, int lesson, const Entry& entry) const
{
    if (!QDir().mkpath(m_folder))
        throw CourseError(m_folder, 0, u"cannot create the cache folder"_s);
    QJsonObject object;
    object.insert(u"key", entry.key);
    object.insert(u"audioBytes", entry.audioBytes);
    object.insert(u"seconds", entry.seconds);
    object.insert(u"encoderDelay", qint64(entry.encoderDelay));
    object.insert(u"starts", QJsonArray::fromStringList(entry.starts));
    object.insert(u"ends", QJsonArray::fromStringList(entry.ends));

    QSaveFile file(path(book, lesson));
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(object).toJson()) < 0 ||
        !file.commit())
        throw CourseError(file.fileName(), 0, u"cannot write: "_s + file.errorString());
}

void LessonCache::keepOnly(const QSet<QString>& names) const
{
    const QDir folder(m_folder);
    const auto entries = folder.entryList({u"*.json"_s}, QDir::Files);
    for (const QString& entry : entries) {
        if (!names.contains(entry))
            QFile::remove(folder.filePath(entry));
    }
}
