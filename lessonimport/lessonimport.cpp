#include "lessonimport/lessonimport.h"

#include "align/coursetext.h"
#include "lessons/learnerstore.h"
#include "lessons/lessoncatalog.h"
#include "lessons/timetext.h"

using namespace Qt::StringLiterals;

namespace LessonImport {

namespace {

// Decoding counts as the first tenth of the work: it is fast next to the alignment.
constexpr double decodedShare = 0.1;

} // namespace

Text readText(const QString& text, bool linePerSentence)
{
    Text lesson;
    lesson.timed = TimedText::parse(text);
    if (lesson.timed.format == TimedText::Format::Plain) {
        lesson.sentences = linePerSentence ? CourseText::nonEmptyLines(text)
                                           : CourseText::splitIntoSentences(text);
    }
    return lesson;
}

bool align(const QString& audioPath, Text* text, bool keepTimes, SentenceAligner::Result* result,
           QStringList* reasons, const SentenceAligner::Progress& progress)
{
    std::vector<float> samples;
    QString error;
    const auto keepGoing = [&progress] { return !progress || progress(0); };
    if (!SentenceAligner::decodeForAlignment(audioPath, &samples, &error, keepGoing)) {
        if (error.isEmpty()) {
            result->outcome = SentenceAligner::Outcome::Cancelled;
        } else {
            *reasons << error;
        }
        return false;
    }
    if (progress && !progress(decodedShare)) {
        result->outcome = SentenceAligner::Outcome::Cancelled;
        return false;
    }
    TimedText::Parsed& timed = text->timed;
    if (timed.format == TimedText::Format::Plain) {
        *result = SentenceAligner::align(samples, text->sentences, [&progress](double done) {
            return !progress || progress(decodedShare + done * (1 - decodedShare));
        });
    } else {
        const bool hadLines = !timed.lines.isEmpty();
        TimedText::fitTo(double(samples.size()) / SentenceAligner::sampleRate, &timed);
        *reasons << timed.notes;
        if (timed.lines.isEmpty()) {
            *reasons << (hadLines ? u"文件中所有的时间都超出了录音的长度，两者似乎不是同一课。"_s
                                  : u"这个%1文件中没有带时间的英文句子。"_s.arg(
                                        TimedText::formatName(timed.format)));
            result->outcome = SentenceAligner::Outcome::EmptyText;
            return false;
        }
        QList<SentenceAligner::Span> given;
        text->sentences.clear();
        for (const TimedText::Line& line : std::as_const(timed.lines)) {
            text->sentences << line.english;
            given.append({line.start, line.end});
        }
        SentenceAligner::Options options;
        options.moveBoundariesIntoPauses = !keepTimes;
        *result = SentenceAligner::placeTimed(samples, given, options);
    }
    if (result->outcome != SentenceAligner::Outcome::Aligned) {
        if (result->outcome != SentenceAligner::Outcome::Cancelled) {
            *reasons << SentenceAligner::outcomeMessage(result->outcome);
        }
        return false;
    }
    return true;
}

QList<SentenceRow> rowsOf(const QStringList& sentences, const QStringList& translations,
                          const SentenceAligner::Result& result, qsizetype from, bool openEnd)
{
    QList<SentenceRow> rows;
    for (qsizetype i = 0; i < sentences.size(); ++i) {
        const SentenceAligner::Span& span = result.spans[from + i];
        const bool last = i == sentences.size() - 1 && openEnd;
        rows.append({sentences[i], translations.value(i), TimeText::fromSeconds(span.start),
                     last ? QString() : TimeText::fromSeconds(span.end)});
    }
    return rows;
}

QList<int> unsureSentences(const SentenceAligner::Result& result, qsizetype from, qsizetype count)
{
    QList<int> unsure;
    // Times a timed text gave are the learner's own: there is no match to judge, no confidence.
    for (qsizetype i = 0; i < count && from + i < result.confidence.size(); ++i) {
        if (result.confidence[from + i] < SentenceAligner::unsureBelow) {
            unsure << int(i + 1);
        }
    }
    return unsure;
}

Held heldBy(const QString& storeFolder, const QString& carriedDatabase, int book, int lesson)
{
    const QString bookDigit = QString::number(book);
    const QString lessonName = LessonCatalog::lessonText(lesson);
    if (LearnerStore(storeFolder).hasLesson(bookDigit, lessonName)) {
        return {Holding::Imported, 0};
    }
    const qsizetype carried =
        carriedDatabase.isEmpty()
            ? 0
            : LessonDatabase(carriedDatabase).sentences(bookDigit, lessonName).size();
    return {carried > 0 ? Holding::Carried : Holding::Empty, carried};
}

QString holdingText(const Held& held)
{
    switch (held.holding) {
    case Holding::Imported:
        return u"先前导入的课文"_s;
    case Holding::Carried:
        return u"随附的课文（%1 句）"_s.arg(held.carriedSentences);
    case Holding::Empty:
        break;
    }
    return u"空"_s;
}

} // namespace LessonImport
