#include "bench/alignment/joinedcorpus.h"

#include "align/sentencealigner.h"
#include "bench/alignment/tapefile.h"

using namespace Qt::StringLiterals;

namespace JoinedCorpus {

bool join(const QList<CorpusLesson>& parts, const QString& name, const QString& path,
          CorpusLesson* joined, QString* error)
{
    *joined = CorpusLesson{};
    joined->name = name;
    joined->voice = joined->announcer = joined->noise = u"mixed"_s;
    std::vector<float> samples;
    const int rate = SentenceAligner::sampleRate;
    for (const CorpusLesson& part : parts) {
        std::vector<float> decoded;
        if (!SentenceAligner::decodeForAlignment(part.audioPath, &decoded, error))
            return false;
        // The truth is on the player's timeline; decodeForAlignment keeps to it (the bench
        // checks that on every lesson), so each part's truth only moves by where it begins.
        const double offset = double(samples.size()) / rate;
        samples.insert(samples.end(), decoded.begin(), decoded.end());
        joined->sentences += part.sentences;
        for (const auto& span : part.truth)
            joined->truth.append({span.start + offset, span.end + offset});
        for (const auto& span : part.otherSpeech)
            joined->otherSpeech.append({span.start + offset, span.end + offset});
        if (part.noisy())
            joined->noise = u"some"_s;
    }
    if (joined->noise == u"mixed"_s)
        joined->noise = u"none"_s;
    joined->fileRate = rate;
    joined->seconds = double(samples.size()) / rate;
    joined->audioPath = joined->tapePath = path;
    if (!TapeFile::write(path, samples, rate)) {
        *error = u"cannot write "_s + path;
        return false;
    }
    return true;
}

QList<CorpusLesson> eachPartAlone(const QList<CorpusLesson>& parts, const CorpusLesson& joined)
{
    QList<CorpusLesson> alone;
    qsizetype first = 0;
    for (const CorpusLesson& part : parts) {
        CorpusLesson lesson = joined;
        lesson.name = joined.name + u':' + part.name;
        const qsizetype count = part.sentences.size();
        lesson.sentences = joined.sentences.mid(first, count);
        lesson.truth = joined.truth.mid(first, count);
        lesson.otherSpeech =
            joined.otherSpeech + joined.truth.mid(0, first) + joined.truth.mid(first + count);
        first += count;
        alone.append(lesson);
    }
    return alone;
}

QList<CorpusLesson> swapped(const QList<CorpusLesson>& lessons, int shift)
{
    QList<CorpusLesson> out;
    for (qsizetype i = 0; lessons.size() > 1 && i < lessons.size(); ++i) {
        CorpusLesson lesson = lessons[i];
        const CorpusLesson& other = lessons[(i + shift) % lessons.size()];
        if (other.name == lesson.name)
            continue;
        lesson.name += u" with "_s + other.name;
        lesson.sentences = other.sentences;
        lesson.truth.clear();
        out.append(lesson);
    }
    return out;
}

} // namespace JoinedCorpus
