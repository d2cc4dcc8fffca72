#pragma once

#include "tools/course-builder/coursedatabasewriter.h"
#include "tools/course-builder/courselesson.h"
#include "tools/course-builder/lessoncache.h"
#include "tools/course-builder/speechsynthesiser.h"

#include <QSet>
#include <QString>
#include <memory>
#include <optional>

// Turns the course sources into the lesson database and one recording per lesson. Lessons
// whose sentences have not changed since the last build keep their recording and times.
class CourseBuilder
{
public:
    struct Options
    {
        QString courseDir;
        QString databasePath;
        QString voiceDir;
        QString stampPath;
    };

    struct Summary
    {
        int lessons = 0;
        int sentences = 0;
        int words = 0;
        int synthesised = 0;
        int fromCache = 0;
        int recordings = 0;
        double audioSeconds = 0.0;
        QSet<long> encoderDelays; // of the recordings written in this run
    };

    explicit CourseBuilder(Options options);
    ~CourseBuilder();

    // Throws CourseError. A broken source is found before any output is touched; a later
    // failure leaves the previous database and stamp in place.
    Summary run();

    // Raise whenever the recording layout or the encoding changes, to rebuild every lesson.
    static constexpr int version = 1;
    // Recordings encoded at the same time as the next lesson is spoken.
    static constexpr size_t encodersInFlight = 2;

private:
    std::optional<LessonCache::Entry> cached(const CourseLesson& lesson,
                                             const LessonCache& cache) const;
    QString cacheKey(const CourseLesson& lesson) const;
    QString audioPath(const CourseLesson& lesson) const;
    void removeStaleRecordings(const QSet<QString>& keep) const;
    void writeStamp(const Summary& summary) const;

    Options m_options;
    QString m_settings;
    std::unique_ptr<SpeechSynthesiser> m_synthesiser; // started on the first lesson it speaks
};
