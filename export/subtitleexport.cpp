#include "export/subtitleexport.h"

#include "audio/decodedaudio.h"
#include "export/sentenceclip.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace SubtitleExport {

namespace {

enum class Form { Lrc, Srt };

bool oneLesson(const QList<ExportSentence>& sentences)
{
    return std::all_of(sentences.cbegin(), sentences.cend(), [&](const ExportSentence& s) {
        return s.book == sentences.first().book && s.lesson == sentences.first().lesson;
    });
}

DeckExport::Summary write(Form form, const QList<ExportSentence>& sentences, const QString& path,
                          const DeckExport::Progress& progress)
{
    DeckExport::Summary summary;
    if (sentences.isEmpty()) {
        summary.error = u"没有可导出的句子。"_s;
        return summary;
    }
    if (!oneLesson(sentences)) {
        summary.error = u"LRC 和 SRT 的时间只属于一课的录音，请选一课来导出。"_s;
        return summary;
    }
    const QList<TimedText::Line> timed = lines(sentences, &summary, progress);
    if (summary.cancelled) {
        return DeckExport::cancelledSummary();
    }
    if (timed.isEmpty()) {
        summary.error = u"这一课没有一句带可用的时间。"_s;
        return summary;
    }
    summary.notes = int(timed.size());
    const QString text = form == Form::Lrc
                             ? TimedText::toLrc(timed, sentences.first().lessonTitle())
                             : TimedText::toSrt(timed);
    summary.written = DeckExport::saveBytes(path, text.toUtf8(), &summary.error);
    return summary;
}

} // namespace

QList<TimedText::Line> lines(const QList<ExportSentence>& sentences, DeckExport::Summary* summary,
                             const DeckExport::Progress& progress)
{
    QList<TimedText::Line> result;
    QString decodedPath;
    DecodedAudio audio;
    for (const ExportSentence& s : sentences) {
        if (progress && !progress(int(&s - sentences.data()), int(sentences.size()))) {
            summary->cancelled = true;
            return {};
        }
        if (!(s.start >= 0)) {
            summary->skipped.append(DeckExport::sentenceLine(s, u"没有可用的时间"_s));
            continue;
        }
        // The recording is read for its length and rate only, once for all its sentences.
        if (s.recording != decodedPath) {
            decodedPath = s.recording;
            audio = s.recording.isEmpty() ? DecodedAudio() : DecodedAudio::fromFile(s.recording);
        }
        TimedText::Line line{s.english, s.chinese, s.start, s.end >= 0 ? s.end : s.start + 1};
        if (!audio.isEmpty()) {
            const int rate = audio.sampleRate();
            const SentenceClip::Span span =
                SentenceClip::span(s.start, s.end, rate, audio.frameCount());
            if (span.isEmpty()) {
                summary->skipped.append(DeckExport::sentenceLine(s, u"句子的时间不在录音之内"_s));
                continue;
            }
            line.start = double(span.first) / rate;
            line.end = double(span.stop) / rate;
        }
        result.append(line);
    }
    return result;
}

DeckExport::Summary writeLrc(const QList<ExportSentence>& sentences, const QString& path,
                             const DeckExport::Progress& progress)
{
    return write(Form::Lrc, sentences, path, progress);
}

DeckExport::Summary writeSrt(const QList<ExportSentence>& sentences, const QString& path,
                             const DeckExport::Progress& progress)
{
    return write(Form::Srt, sentences, path, progress);
}

} // namespace SubtitleExport
