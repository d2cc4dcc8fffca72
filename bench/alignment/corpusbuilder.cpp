#include "bench/alignment/corpusbuilder.h"

#include "bench/alignment/backgroundnoise.h"
#include "bench/alignment/energyspan.h"
#include "bench/alignment/flitevoice.h"
#include "bench/alignment/lessontape.h"
#include "bench/alignment/rateconverter.h"
#include "bench/alignment/tapefile.h"
#include "bench/alignment/timelinelag.h"
#include "tools/course-builder/lessonparser.h"
#include "tools/course-builder/mp3writer.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <random>

using namespace Qt::StringLiterals;

namespace {

using SentenceAligner::Span;

constexpr int speechRate = FliteVoice::sampleRate;
const QStringList voices = {u"kal16"_s, u"awb"_s, u"rms"_s, u"slt"_s};
const QStringList noises = {u"none"_s, u"white"_s, u"none"_s, u"pink"_s};
// Teachers on tape speak slowly, the reference voice does not: the aligner must stretch.
const QList<double> paces = {1.0, 1.2, 0.9, 1.35};
// The rates lesson recordings come in; the aligner must resample all but the last.
const QList<int> fileRates = {44100, 22050, 16000};
constexpr double snrDecibels = 20;
// Under half the shortest pause, so a sentence's window never reaches its neighbour's speech.
constexpr double recheckMargin = 0.15;
constexpr double minimumMatch = 0.9;

QString spokenNumber(const QString& name)
{
    static const QRegularExpression digits(u"lesson0*(\\d+)"_s);
    return digits.match(name).captured(1);
}

// Written and read back through libsndfile at the file's own rate, as the player reads it.
bool encodeAndDecode(const QString& path, const std::vector<float>& samples, int rate,
                     std::vector<float>* decoded, QString* error)
{
    try {
        Mp3Writer::write(path, samples, rate);
        *decoded = Mp3Writer::decode(path);
    } catch (const std::exception& fault) {
        *error = QString::fromStdString(fault.what());
        return false;
    }
    return true;
}

// The speech of a sentence as it sounds after MP3 coding, which drops the faintest ends a
// render has alone; looked for only near where the sentence was placed.
Span heardSpan(const std::vector<float>& decoded, int rate, const Span& placed)
{
    const auto from = size_t(std::max(0.0, placed.start - recheckMargin) * rate);
    const auto to = std::min(decoded.size(), size_t((placed.end + recheckMargin) * rate));
    if (to <= from)
        return {};
    const std::vector<float> window(decoded.begin() + std::ptrdiff_t(from),
                                    decoded.begin() + std::ptrdiff_t(to));
    const EnergySpan heard = EnergySpan::measure(window, rate);
    if (!heard.found())
        return {};
    return {double(from) / rate + heard.start, double(from) / rate + heard.end};
}

// Moves the lesson's truth (and its other speech) onto the player's timeline, which the
// encoder's padding shifted: `written` is what went into the MP3 and `decoded` what came out;
// under noise the speech alone (`clean`) is coded alike to take the truth from.
bool truthOnPlayerTimeline(const std::vector<float>& written, const std::vector<float>& decoded,
                           const std::vector<float>& clean, const QString& stem,
                           CorpusLesson* lesson, QString* error)
{
    const int rate = lesson->fileRate;
    const QString& name = lesson->name;
    const double firstOnset = lesson->truth.first().start;
    double match = 0;
    const long delay =
        TimelineLag::measure(written, decoded, long((firstOnset - 0.1) * rate), rate, &match);
    if (match < minimumMatch) {
        *error = name + u": the MP3 does not decode to what was encoded"_s;
        return false;
    }
    std::vector<float> decodedClean;
    if (!lesson->noisy()) {
        decodedClean = decoded;
    } else {
        const QString cleanPath = stem + u".clean.mp3"_s;
        const std::vector<float> cleanWritten =
            rate == speechRate ? clean : RateConverter(speechRate, rate).convert(clean);
        const bool coded = encodeAndDecode(cleanPath, cleanWritten, rate, &decodedClean, error);
        QFile::remove(cleanPath);
        if (!coded)
            return false;
        double cleanMatch = 0;
        const long cleanDelay = TimelineLag::measure(
            cleanWritten, decodedClean, long((firstOnset - 0.1) * rate), rate, &cleanMatch);
        if (cleanMatch < minimumMatch || std::abs(cleanDelay - delay) > 1) {
            *error = name + u": the recording without noise came out of the encoder "_s +
                     QString::number(cleanDelay - delay) + u" frames apart"_s;
            return false;
        }
    }
    const double shift = double(delay) / rate;
    for (auto* spans : {&lesson->truth, &lesson->otherSpeech}) {
        for (Span& span : *spans) {
            const Span heard =
                heardSpan(decodedClean, rate, {span.start + shift, span.end + shift});
            if (!(heard.end > heard.start)) {
                *error = name + u": a sentence cannot be heard in its MP3"_s;
                return false;
            }
            span = heard;
        }
    }
    return true;
}

// The windows heardSpan() looks in and the clean-sentence rule both rely on silence between
// speeches, and every sentence must lie inside its recording.
bool speechesApart(const CorpusLesson& lesson, QString* error)
{
    QList<Span> speech = lesson.truth + lesson.otherSpeech;
    std::sort(speech.begin(), speech.end(),
              [](const Span& a, const Span& b) { return a.start < b.start; });
    for (qsizetype i = 1; i < speech.size(); ++i) {
        if (speech[i].start - speech[i - 1].end < 2 * recheckMargin - 0.05) {
            *error = lesson.name + u": two speeches run into each other at "_s +
                     QString::number(speech[i].start, 'f', 2) + u" s"_s;
            return false;
        }
    }
    for (const Span& span : lesson.truth) {
        if (span.start < 0 || span.end > lesson.seconds) {
            *error = lesson.name + u": a sentence lies outside its recording"_s;
            return false;
        }
    }
    return true;
}

} // namespace

CorpusBuilder::CorpusBuilder(const QString& courseDir, const QString& cacheDir, int variant,
                             Reading reading)
    : m_courseDir(courseDir), m_cacheDir(cacheDir), m_variant(variant), m_reading(reading)
{}

QStringList CorpusBuilder::lessonNames(QString* error) const
{
    QStringList names;
    for (int book = 1; book <= 4; ++book) {
        const QDir folder(m_courseDir + u"/book"_s + QString::number(book));
        const QStringList files =
            folder.entryList({u"lesson[0-9][0-9][0-9].txt"_s}, QDir::Files, QDir::Name);
        for (const QString& file : files) {
            const QString name = u"book"_s + QString::number(book) + u'/' + file.chopped(4);
            QStringList sentences;
            if (!courseSentences(name, &sentences, error))
                return {};
            if (!sentences.isEmpty())
                names.append(name);
        }
    }
    return names;
}

bool CorpusBuilder::courseSentences(const QString& name, QStringList* sentences,
                                    QString* error) const
{
    const QString path = m_courseDir + u'/' + name + u".txt"_s;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = path + u": "_s + file.errorString();
        return false;
    }
    try {
        const int book = name.mid(4, 1).toInt();
        const CourseLesson lesson =
            LessonParser::parse(file.readAll(), path, book, spokenNumber(name).toInt());
        sentences->clear();
        if (m_reading == Reading::Text) {
            for (const CourseSentence& sentence : lesson.sentences)
                sentences->append(sentence.english);
        } else {
            // Read as a phrase of its own: "Umbrella." A word list is read this way.
            for (const CourseWord& word : lesson.words) {
                const QString phrase = word.word.trimmed();
                if (!phrase.isEmpty())
                    sentences->append(phrase.left(1).toUpper() + phrase.mid(1) + u'.');
            }
        }
    } catch (const std::exception& fault) {
        *error = QString::fromStdString(fault.what());
        return false;
    }
    return true;
}

bool CorpusBuilder::lesson(const QString& name, int ordinal, CorpusLesson* lesson, QString* error)
{
    QStringList sentences;
    if (!courseSentences(name, &sentences, error))
        return false;
    const QString stem = m_cacheDir + u'/' + QString(name).replace(u'/', u'-');
    const QString truthPath = stem + u".truth"_s;
    const QString audioPath = stem + u".mp3"_s;
    const QString tapePath = stem + u".16k.flac"_s;
    if (CorpusLesson::load(truthPath, lesson) && lesson->sentences == sentences &&
        QFile::exists(audioPath) && QFile::exists(tapePath)) {
        lesson->audioPath = audioPath;
        lesson->tapePath = tapePath;
        return true;
    }
    if (!QDir().mkpath(m_cacheDir)) {
        *error = u"cannot create "_s + m_cacheDir;
        return false;
    }

    *lesson = CorpusLesson{};
    lesson->name = name;
    lesson->sentences = sentences;
    lesson->audioPath = audioPath;
    lesson->tapePath = tapePath;
    std::mt19937 random(unsigned(20261208 + 7919 * m_variant + ordinal));
    LessonTape tape;
    if (!make(ordinal + m_variant, random, &tape, lesson, error))
        return false;
    const int rate = lesson->fileRate;
    const std::vector<float>& clean = tape.samples;
    std::vector<float> noisy = clean;
    if (lesson->noisy())
        BackgroundNoise::add(&noisy, speechRate, lesson->truth, lesson->noise, snrDecibels, random);
    const RateConverter toFileRate(speechRate, rate);
    std::vector<float> written = rate == speechRate ? noisy : toFileRate.convert(noisy);
    std::vector<float> decoded;
    if (!encodeAndDecode(audioPath, written, rate, &decoded, error))
        return false;
    lesson->seconds = double(decoded.size()) / rate;
    if (!TapeFile::write(tapePath, noisy, speechRate)) {
        *error = u"cannot write "_s + tapePath;
        return false;
    }

    if (!truthOnPlayerTimeline(written, decoded, clean, stem, lesson, error) ||
        !speechesApart(*lesson, error))
        return false;
    ++m_made;
    if (!lesson->save(truthPath)) {
        *error = u"cannot write "_s + truthPath;
        return false;
    }
    return true;
}

bool CorpusBuilder::make(int ordinal, std::mt19937& random, LessonTape* tape, CorpusLesson* lesson,
                         QString* error)
{
    // Drawn, not cycled like the rest: a cycle of four would always give one pace the same
    // voices.
    lesson->pace = paces[std::uniform_int_distribution<qsizetype>(0, paces.size() - 1)(random)];
    std::uniform_real_distribution<double> lead(0.3, 0.8);
    std::uniform_real_distribution<double> pause(0.3, 1.5);
    std::uniform_real_distribution<double> afterAnnouncement(0.8, 1.8);
    std::uniform_real_distribution<double> tail(0.4, 1.0);
    lesson->voice = voices[ordinal % voices.size()];
    lesson->announcer = voices[(ordinal + 2) % voices.size()];
    lesson->noise = noises[(ordinal + ordinal / 4) % noises.size()];
    lesson->fileRate = fileRates[(ordinal + ordinal / 3) % fileRates.size()];

    Span placed;
    const QString announcement =
        u"Lesson "_s + spokenNumber(lesson->name) +
        (m_reading == Reading::Text ? u". Listen to the tape, then answer this question."_s
                                    : u". New words and expressions."_s);
    if (!tape->speak(lesson->announcer, 1.0, announcement, lead(random), &placed, error))
        return false;
    lesson->otherSpeech.append(placed);
    double cursor = placed.end + afterAnnouncement(random);
    for (const QString& sentence : std::as_const(lesson->sentences)) {
        if (!tape->speak(lesson->voice, lesson->pace, sentence, cursor, &placed, error))
            return false;
        lesson->truth.append(placed);
        cursor = placed.end + pause(random);
    }
    // Every other lesson ends with an exercise the text does not hold either.
    if (ordinal % 2 == 1) {
        if (!tape->speak(lesson->announcer, 1.0, u"Now answer these questions in your own words."_s,
                         cursor + 0.5, &placed, error))
            return false;
        lesson->otherSpeech.append(placed);
    }
    tape->extendTo(placed.end + tail(random));
    return true;
}
