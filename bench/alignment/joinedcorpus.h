#pragma once

#include "bench/alignment/corpuslesson.h"

#include <QList>
#include <QString>

// Recordings made of the corpus's own: lessons joined end to end in one file, as learners'
// files often hold a book's lessons or two lessons in one, and recordings paired with a text
// they do not hold.
namespace JoinedCorpus {

// The parts' recordings one after another, written to `path`, with one text of all their
// sentences; each part keeps its announcement and its exercise.
bool join(const QList<CorpusLesson>& parts, const QString& name, const QString& path,
          CorpusLesson* joined, QString* error);

// The joined recording once for each part's own text: the other parts' speech is then speech
// the text does not hold.
QList<CorpusLesson> eachPartAlone(const QList<CorpusLesson>& parts, const CorpusLesson& joined);

// Each lesson's recording with the text of the lesson `shift` places on: every one must be
// refused.
QList<CorpusLesson> swapped(const QList<CorpusLesson>& lessons, int shift);

} // namespace JoinedCorpus
