#pragma once

#include "bench/alignment/corpuslesson.h"

#include <QString>
#include <QStringList>
#include <random>

class LessonTape;

// Makes the benchmark's recordings from the sample course: each sentence spoken alone by a
// flite voice (so its true onset and offset are known), joined with uneven pauses behind an
// announcement in another voice, some under noise, written as MP3 and read back the way the
// player reads it, so the truth is where the aligner's times will be played. Recordings are
// cached; a lesson whose text changed is made again.
class CorpusBuilder
{
public:
    // What is read in each lesson: its text, or its new words one by one, as short phrases
    // are read in a word list.
    enum class Reading { Text, Words };

    // Variant 0 is the corpus the aligner is tuned on; another variant reads the same texts
    // with other voices, pauses, noise and file rates, to check that tuning holds elsewhere.
    CorpusBuilder(const QString& courseDir, const QString& cacheDir, int variant = 0,
                  Reading reading = Reading::Text);

    // "book1/lesson001" for every course file with English sentences, in course order.
    QStringList lessonNames(QString* error) const;

    // `ordinal` (the lesson's place in the whole course) picks the voices, the noise and the
    // pauses, so a lesson sounds the same in a quick run and a full one.
    bool lesson(const QString& name, int ordinal, CorpusLesson* lesson, QString* error);

    int madeCount() const { return m_made; }

private:
    bool courseSentences(const QString& name, QStringList* sentences, QString* error) const;
    bool make(int ordinal, std::mt19937& random, LessonTape* tape, CorpusLesson* lesson,
              QString* error);

    QString m_courseDir;
    QString m_cacheDir;
    int m_variant = 0;
    Reading m_reading = Reading::Text;
    int m_made = 0;
};
