#include "corpusbuilder.h"

#include "energyspan.h"
#include "flitevoice.h"
#include "lessonparser.h"
#include "mp3writer.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <random>

using namespace Qt::StringLiterals;

namespace {

constexpr int rate = FliteVoice::sampleRate;
const QStringList voices = {u"kal16"_s, u"awb"_s, u"rms"_s, u"slt"_s};
const QStringList noises = {u"none"_s, u"white"_s, u"none"_s, u"pink"_s};
constexpr double speechPeak = 0.6;
constexpr double snrDecibels = 20;
constexpr long delaySearch = 4096;

// The recording being assembled; every spoken piece is placed by its speech onset, so the
// pauses are silences between speech, whatever padding the synthesiser adds around it.
class Tape
{
public:
    bool speak(const QString& voice, const QString& text, double onsetAt,
               SentenceAligner::Span* placed, QString* error)
    {
        std::vector<float> render;
        if (!FliteVoice::speak(voice, text, &render, error))
            return false;
        const EnergySpan speech = EnergySpan::measure(render, rate);
        const double renderSeconds = double(render.size()) / rate;
        if (!speech.found() || speech.start < 0 || speech.end > renderSeconds) {
            *error = u"flite ("_s + voice + u") spoke nothing measurable for \""_s + text + u'"';
            return false;
        }
        const float peak =
            std::abs(*std::max_element(render.begin(), render.end(),
                                       [](float a, float b) { return std::abs(a) < std::abs(b); }));
        const long offset = std::max(0L, std::lround((onsetAt - speech.start) * rate));
        if (samples.size() < size_t(offset) + render.size())
            samples.resize(size_t(offset) + render.size());
        for (size_t i = 0; i < render.size(); ++i)
            samples[size_t(offset) + i] += render[i] * float(speechPeak / peak);
        placed->start = double(offset) / rate + speech.start;
        placed->end = double(offset) / rate + speech.end;
        return true;
    }

    void extendTo(double seconds)
    {
        samples.resize(std::max(samples.size(), size_t(seconds * rate)));
    }

    std::vector<float> samples;
};

// Unit-RMS noise: white, or pink from a sum of three leaky integrators of it (a filter
// flat to within about a decibel over the speech band).
std::vector<float> unitNoise(const QString& colour, size_t frames, std::mt19937& random)
{
    std::normal_distribution<double> gauss;
    std::vector<float> noise(frames);
    double b0 = 0, b1 = 0, b2 = 0;
    double energy = 0;
    for (float& sample : noise) {
        const double white = gauss(random);
        double value = white;
        if (colour == u"pink") {
            b0 = 0.99765 * b0 + white * 0.0990460;
            b1 = 0.96300 * b1 + white * 0.2965164;
            b2 = 0.57000 * b2 + white * 1.0526913;
            value = b0 + b1 + b2 + white * 0.1848;
        }
        sample = float(value);
        energy += value * value;
    }
    const auto scale = float(1.0 / std::sqrt(std::max(energy / double(frames), 1e-12)));
    for (float& sample : noise)
        sample *= scale;
    return noise;
}

double speechPower(const std::vector<float>& samples, const QList<SentenceAligner::Span>& spans)
{
    double energy = 0;
    double count = 0;
    for (const auto& span : spans) {
        const auto from = size_t(span.start * rate);
        const auto to = std::min(samples.size(), size_t(span.end * rate));
        for (size_t i = from; i < to; ++i)
            energy += double(samples[i]) * samples[i];
        count += double(to - from);
    }
    return count > 0 ? energy / count : 0;
}

// Lag of `decoded` behind `written` over a second of the first sentence, by normalised
// correlation; `match` is that correlation (1 for a perfect copy).
long encoderDelay(const std::vector<float>& written, const std::vector<float>& decoded, double from,
                  double* match)
{
    const auto begin = long(from * rate);
    const long length = std::min<long>(rate, long(written.size()) - begin);
    long best = 0;
    *match = -1;
    for (long lag = -delaySearch; lag <= delaySearch; ++lag) {
        double product = 0;
        double writtenEnergy = 0;
        double decodedEnergy = 0;
        for (long n = begin; n < begin + length; ++n) {
            const long m = n + lag;
            if (m < 0 || m >= long(decoded.size()))
                continue;
            product += double(written[size_t(n)]) * decoded[size_t(m)];
            writtenEnergy += double(written[size_t(n)]) * written[size_t(n)];
            decodedEnergy += double(decoded[size_t(m)]) * decoded[size_t(m)];
        }
        const double value = product / std::sqrt(std::max(writtenEnergy * decodedEnergy, 1e-20));
        if (value > *match) {
            *match = value;
            best = lag;
        }
    }
    return best;
}

QString spokenNumber(const QString& name)
{
    static const QRegularExpression digits(u"lesson0*(\\d+)"_s);
    return digits.match(name).captured(1);
}

} // namespace

CorpusBuilder::CorpusBuilder(const QString& courseDir, const QString& cacheDir)
    : m_courseDir(courseDir), m_cacheDir(cacheDir)
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
        for (const CourseSentence& sentence : lesson.sentences)
            sentences->append(sentence.english);
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
    if (CorpusLesson::load(truthPath, lesson) && lesson->sentences == sentences &&
        QFile::exists(audioPath)) {
        lesson->audioPath = audioPath;
        return true;
    }
    if (!QDir().mkpath(m_cacheDir)) {
        *error = u"cannot create "_s + m_cacheDir;
        return false;
    }

    std::vector<float> written;
    *lesson = CorpusLesson{};
    lesson->name = name;
    lesson->sentences = sentences;
    lesson->audioPath = audioPath;
    if (!make(ordinal, &written, lesson, error))
        return false;
    std::vector<float> decoded;
    try {
        Mp3Writer::write(audioPath, written, rate);
    } catch (const std::exception& fault) {
        *error = QString::fromStdString(fault.what());
        return false;
    }
    if (!SentenceAligner::decodeForAlignment(audioPath, &decoded, error))
        return false;

    // The truth must be on the timeline the aligner sees, which the encoder shifted.
    double match = 0;
    lesson->encoderDelay =
        encoderDelay(written, decoded, lesson->truth.first().start - 0.1, &match);
    lesson->decodedFrames = qint64(decoded.size());
    if (match < 0.9 || std::abs(lesson->encoderDelay) >= delaySearch) {
        *error = name + u": the decoded recording does not match what was encoded (correlation "_s +
                 QString::number(match, 'f', 3) + u" at a lag of "_s +
                 QString::number(lesson->encoderDelay) + u" frames)"_s;
        return false;
    }
    const double shift = double(lesson->encoderDelay) / rate;
    for (auto* spans : {&lesson->truth, &lesson->otherSpeech}) {
        for (auto& span : *spans) {
            span.start += shift;
            span.end += shift;
            if (span.start < 0 || span.end > lesson->seconds()) {
                *error = name + u": a truth span lies outside the decoded recording"_s;
                return false;
            }
        }
    }
    ++m_made;
    if (!lesson->save(truthPath)) {
        *error = u"cannot write "_s + truthPath;
        return false;
    }
    return true;
}

bool CorpusBuilder::make(int ordinal, std::vector<float>* written, CorpusLesson* lesson,
                         QString* error)
{
    std::mt19937 random(unsigned(20261208 + ordinal));
    std::uniform_real_distribution<double> lead(0.3, 0.8);
    std::uniform_real_distribution<double> pause(0.3, 1.5);
    std::uniform_real_distribution<double> afterAnnouncement(0.8, 1.8);
    std::uniform_real_distribution<double> tail(0.4, 1.0);
    lesson->voice = voices[ordinal % voices.size()];
    lesson->announcer = voices[(ordinal + 2) % voices.size()];
    lesson->noise = noises[(ordinal + ordinal / 4) % noises.size()];

    Tape tape;
    SentenceAligner::Span placed;
    const QString announcement = u"Lesson "_s + spokenNumber(lesson->name) +
                                 u". Listen to the tape, then answer this question."_s;
    if (!tape.speak(lesson->announcer, announcement, lead(random), &placed, error))
        return false;
    lesson->otherSpeech.append(placed);
    double cursor = placed.end + afterAnnouncement(random);
    for (const QString& sentence : std::as_const(lesson->sentences)) {
        if (!tape.speak(lesson->voice, sentence, cursor, &placed, error))
            return false;
        lesson->truth.append(placed);
        cursor = placed.end + pause(random);
    }
    // Every other lesson ends with an exercise the text does not hold either.
    if (ordinal % 2 == 1) {
        if (!tape.speak(lesson->announcer, u"Now answer these questions in your own words."_s,
                        cursor + 0.5, &placed, error))
            return false;
        lesson->otherSpeech.append(placed);
    }
    tape.extendTo(placed.end + tail(random));

    if (lesson->noisy()) {
        const double noiseRms =
            std::sqrt(speechPower(tape.samples, lesson->truth)) / std::pow(10.0, snrDecibels / 20);
        const std::vector<float> noise = unitNoise(lesson->noise, tape.samples.size(), random);
        for (size_t i = 0; i < noise.size(); ++i)
            tape.samples[i] += noise[i] * float(noiseRms);
    }
    const float peak =
        std::abs(*std::max_element(tape.samples.begin(), tape.samples.end(),
                                   [](float a, float b) { return std::abs(a) < std::abs(b); }));
    if (peak > 0.95f) {
        for (float& sample : tape.samples)
            sample *= 0.95f / peak;
    }
    *written = std::move(tape.samples);
    return true;
}
