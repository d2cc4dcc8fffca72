#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

// What the last build made of one lesson, kept in <folder>/<book>-<lesson>.json so that an
// unchanged lesson is not synthesised again.
class LessonCache
{
public:
    struct Entry
    {
        QString key;            // hash of everything the recording depends on
        qint64 audioBytes = -1; // size of the .dat file written, -1 for a lesson without one
        QStringList starts;
        QStringList ends;
        double seconds = 0.0;
        long encoderDelay = 0;
    };

    explicit LessonCache(QString folder);

    std::optional<Entry> load(int book, int lesson) const;
    void store(int book, int lesson, const Entry& entry) const;
    // Drops the entries of lessons that are no longer in the course.
    void keepOnly(const QSet<QString>& names) const;

    static QString name(int book, int lesson);

private:
    QString path(int book, int lesson) const;

    QString m_folder;
};
