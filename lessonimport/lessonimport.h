#pragma once

#include "align/sentencealigner.h"
#include "align/timedtext.h"
#include "lessons/lessondatabase.h"

#include <QList>
#include <QString>
#include <QStringList>

// The steps of importing one lesson that the command line and the windows share: reading the
// learner's text, finding it in the recording, and saying what the lesson holds now.
namespace LessonImport {

// A lesson's text as the learner gave it: running text split into sentences, or a timed text
// (LRC, SRT, WebVTT) with its times and Chinese lines.
struct Text
{
    QStringList sentences;
    TimedText::Parsed timed; // format Plain for running text
};

// `linePerSentence`: each non-empty line is one sentence, as it is split already.
Text readText(const QString& text, bool linePerSentence = false);

// Decodes the recording and finds the sentences in it, or places a timed text's lines where
// its times say (then `text->sentences` becomes their English). `progress` is asked now and
// then with the share done (0..1); false from it stops the work and sets `result->outcome` to
// Cancelled. False when not aligned, with what went wrong in `reasons` (Chinese, one a line; empty
// when cancelled). A timed text's notes (lines dropped or mended) are added to `reasons` either
// way.
bool align(const QString& audioPath, Text* text, bool keepTimes, SentenceAligner::Result* result,
           QStringList* reasons, const SentenceAligner::Progress& progress = {});

// The stored rows of sentences [from, from + sentences.size()) of an alignment. The last one
// plays to the recording's end, as the carried lessons' does, when `openEnd`: nothing the
// text does not hold follows it.
QList<SentenceRow> rowsOf(const QStringList& sentences, const QStringList& translations,
                          const SentenceAligner::Result& result, qsizetype from, bool openEnd);

// The sentences of the span [from, from + count) the aligner was unsure of, counted from 1
// within the span.
QList<int> unsureSentences(const SentenceAligner::Result& result, qsizetype from, qsizetype count);

// What a lesson holds before an import takes its place.
enum class Holding { Empty, Carried, Imported };
struct Held
{
    Holding holding = Holding::Empty;
    qsizetype carriedSentences = 0;
};
// `carriedDatabase` may be empty (no carried course known).
Held heldBy(const QString& storeFolder, const QString& carriedDatabase, int book, int lesson);
// "随附的课文（16 句）", "先前导入的课文", "空" for the learner.
QString holdingText(const Held& held);

} // namespace LessonImport
