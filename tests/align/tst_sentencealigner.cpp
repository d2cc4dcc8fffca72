#include "align/alignmentconfidence.h"
#include "align/mfcc.h"
#include "align/pausefinder.h"
#include "align/realfft.h"
#include "align/referencespeech.h"
#include "align/sentencealigner.h"
#include "align/speechedges.h"
#include "testmain.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <future>
#include <limits>
#include <numbers>
#include <random>
#include <sndfile.h>

using namespace Qt::StringLiterals;
using SentenceAligner::Outcome;
using SentenceAligner::Span;

namespace {

constexpr int rate = SentenceAligner::sampleRate;

// Where a render's speech lies: 5 ms frames louder than 1% of its loudest frame.
Span speechIn(const std::vector<float>& samples)
{
    constexpr int frame = rate / 200;
    std::vector<double> rms(samples.size() / frame);
    for (size_t f = 0; f < rms.size(); ++f) {
        double sum = 0;
        for (int i = 0; i < frame; ++i)
            sum += double(samples[f * frame + size_t(i)]) * samples[f * frame + size_t(i)];
        rms[f] = std::sqrt(sum / frame);
    }
    const double threshold = 0.01 * *std::max_element(rms.begin(), rms.end());
    const auto loud = [&](double r) { return r > threshold; };
    const auto first = std::find_if(rms.begin(), rms.end(), loud);
    const auto last = std::find_if(rms.rbegin(), rms.rend(), loud);
    return Span{double((first - rms.begin()) * frame) / rate,
                double((rms.rend() - last) * frame) / rate};
}

// A recording assembled from pieces spoken alone, so the truth of each is known.
struct Tape
{
    std::vector<float> samples;
    QList<Span> placed;

    bool speak(const QString& voice, const QString& text, double pauseBefore, QTemporaryDir& dir)
    {
        const QString path = dir.filePath(u"piece.wav"_s);
        if (QProcess::execute(u"flite"_s, {u"-voice"_s, voice, u"-t"_s, text, u"-o"_s, path}) != 0)
            return false;
        std::vector<float> piece;
        QString error;
        if (!SentenceAligner::decodeForAlignment(path, &piece, &error))
            return false;
        const Span speech = speechIn(piece);
        const float peak =
            std::abs(*std::max_element(piece.begin(), piece.end(),
                                       [](float a, float b) { return std::abs(a) < std::abs(b); }));
        const auto first = size_t(speech.start * rate), last = size_t(speech.end * rate);
        const double at = double(samples.size()) / rate + pauseBefore;
        samples.resize(samples.size() + size_t(pauseBefore * rate), 0.0f);
        for (size_t i = first; i < last; ++i)
            samples.push_back(piece[i] * 0.6f / peak);
        placed.append(Span{at, at + double(last - first) / rate});
        return true;
    }
};

} // namespace

class TestSentenceAligner : public QObject
{
    Q_OBJECT

private slots:
    void alignsSentencesSpokenByAnotherVoice_data();
    void alignsSentencesSpokenByAnotherVoice();
    void findsTheSpeechsOwnEdges_data();
    void findsTheSpeechsOwnEdges();
    void refusesWhatCannotBeAligned_data();
    void refusesWhatCannotBeAligned();
    void speaksOnlyWhatAReaderSays_data();
    void speaksOnlyWhatAReaderSays();
    void judgesWhatItFound_data();
    void judgesWhatItFound();
    void judgesEachSentenceAgainstItsNeighbours_data();
    void judgesEachSentenceAgainstItsNeighbours();
    void judgesTheWholeText_data();
    void judgesTheWholeText();
    void decodesToMonoAtTheAlignersRate();
    void measuresTheNoiseUnderSpeech_data();
    void measuresTheNoiseUnderSpeech();
    void hearsPausesUnderEachLessonsOwnNoise_data();
    void hearsPausesUnderEachLessonsOwnNoise();
    void transformsOnAnyThread_data();
    void transformsOnAnyThread();
};

void TestSentenceAligner::alignsSentencesSpokenByAnotherVoice_data()
{
    QTest::addColumn<QString>("voice");
    // Of the speech over white noise; none when infinite.
    QTest::addColumn<double>("snrDb");
    QTest::addColumn<QList<double>>("pauses");
    QTest::addColumn<bool>("exercise");
    // How far any boundary may lie from the speech's true onset or offset.
    QTest::addColumn<double>("maxError");
    constexpr double quiet = std::numeric_limits<double>::infinity();
    QTest::newRow("slt, quiet, no exercise")
        << u"slt"_s << quiet << QList<double>{0.3, 1.2, 0.35, 0.8, 0.4} << false << 0.02;
    QTest::newRow("slt, hiss") << u"slt"_s << 32.0 << QList<double>{0.9, 0.3, 1.4, 0.5, 0.3} << true
                               << 0.02;
    QTest::newRow("rms, hiss") << u"rms"_s << 32.0 << QList<double>{0.5, 0.6, 0.3, 1.5, 0.45}
                               << true << 0.02;
    QTest::newRow("kal16, noise") << u"kal16"_s << 20.0 << QList<double>{0.6, 0.4, 1.1, 0.5, 0.8}
                                  << true << 0.15;
}

void TestSentenceAligner::alignsSentencesSpokenByAnotherVoice()
{
    QFETCH(QString, voice);
    QFETCH(double, snrDb);
    QFETCH(QList<double>, pauses);
    QFETCH(bool, exercise);
    QFETCH(double, maxError);
    if (QStandardPaths::findExecutable(u"flite"_s).isEmpty())
        QSKIP("flite is not installed");
    const QStringList sentences = {
        u"Good morning, Mrs. Hill."_s,
        u"Is this your umbrella?"_s,
        u"No, it isn't. Mine is blue, and it has a long wooden handle."_s,
        u"Thank you very much."_s,
        u"Yes, it's mine!"_s,
        u"What a beautiful day it is."_s};
    QTemporaryDir dir;
    Tape tape;
    // The announcement and the exercise are not in the text.
    QVERIFY(tape.speak(u"kal16"_s, u"Lesson nine. Listen to the recording."_s, 0.6, dir));
    for (int i = 0; i < sentences.size(); ++i)
        QVERIFY(tape.speak(voice, sentences[i], i == 0 ? 1.0 : pauses[i - 1], dir));
    if (exercise)
        QVERIFY(tape.speak(u"kal16"_s, u"Now answer the questions."_s, 0.7, dir));
    tape.samples.resize(tape.samples.size() + rate / 2, 0.0f);
    if (std::isfinite(snrDb)) {
        double power = 0, spoken = 0;
        for (const Span& span : tape.placed) {
            for (auto i = size_t(span.start * rate); i < size_t(span.end * rate); ++i)
                power += double(tape.samples[i]) * tape.samples[i];
            spoken += (span.end - span.start) * rate;
        }
        std::mt19937 random(7);
        std::normal_distribution<double> noise(0.0, std::sqrt(power / spoken) /
                                                        std::pow(10, snrDb / 20));
        for (float& s : tape.samples)
            s += float(noise(random));
    }

    const SentenceAligner::Result result = SentenceAligner::align(tape.samples, sentences);
    QCOMPARE(result.outcome, Outcome::Aligned);
    QCOMPARE(result.spans.size(), sentences.size());
    // Only an exercise after the text keeps the last sentence from playing to the end.
    QCOMPARE(result.speechAfterLast, exercise);
    constexpr double slack = 0.3, tolerance = 0.005;
    for (int i = 0; i < sentences.size(); ++i) {
        const Span& got = result.spans[i];
        const Span& truth = tape.placed[i + 1];
        const QByteArray where = QStringLiteral("sentence %1: %2-%3 s, spoken %4-%5 s")
                                     .arg(i)
                                     .arg(got.start)
                                     .arg(got.end)
                                     .arg(truth.start)
                                     .arg(truth.end)
                                     .toUtf8();
        QVERIFY2(got.start <= truth.start + tolerance && got.end >= truth.end - tolerance,
                 where.constData());
        QVERIFY2(got.start >= truth.start - slack && got.end <= truth.end + slack,
                 where.constData());
        QVERIFY2(std::max(truth.start - got.start, got.end - truth.end) <= maxError,
                 where.constData());
        // Nothing of the neighbours, the announcement or the exercise.
        QVERIFY2(got.start >= tape.placed[i].end - tolerance, where.constData());
        if (i + 2 < tape.placed.size())
            QVERIFY2(got.end <= tape.placed[i + 2].start + tolerance, where.constData());
        if (i + 1 < sentences.size())
            QVERIFY2(got.end <= result.spans[i + 1].start, where.constData());
    }
}

void TestSentenceAligner::findsTheSpeechsOwnEdges_data()
{
    QTest::addColumn<double>("snrDb"); // of white noise; none when infinite
    QTest::addColumn<double>("rampSeconds");
    QTest::addColumn<double>("maxError");
    QTest::addColumn<bool>("cancel");
    constexpr double quiet = std::numeric_limits<double>::infinity();
    QTest::newRow("quiet, sharp") << quiet << 0.03 << 0.015 << false;
    QTest::newRow("quiet, slow fade") << quiet << 0.3 << 0.03 << false;
    QTest::newRow("noise, sharp") << 20.0 << 0.03 << 0.15 << false;
    QTest::newRow("noise, slow fade") << 20.0 << 0.3 << 0.15 << false;
    QTest::newRow("noise, cancelled") << 20.0 << 0.03 << 0.0 << true;
}

// Two voiced stretches whose loudness rises and falls linearly in dB from 60 dB under their
// peak over `rampSeconds`: the speech's truth, 40 dB under the peak, is a third of the ramp in.
void TestSentenceAligner::findsTheSpeechsOwnEdges()
{
    QFETCH(double, snrDb);
    QFETCH(double, rampSeconds);
    QFETCH(double, maxError);
    QFETCH(bool, cancel);
    const QList<Span> spoken = {{1.0, 2.2}, {3.0, 4.5}};
    std::vector<float> samples(size_t(5.5 * rate), 0.0f);
    for (const Span& span : spoken) {
        for (auto i = size_t(span.start * rate); i < size_t(span.end * rate); ++i) {
            const double t = double(i) / rate;
            const double edge = std::min(t - span.start, span.end - t);
            const double gain = std::pow(10, -60 * std::max(0.0, 1 - edge / rampSeconds) / 20);
            double voice = 0;
            for (int h = 1; h <= 20; ++h)
                voice += std::sin(2 * std::numbers::pi * 150 * h * t) / h;
            samples[i] = float(0.2 * gain * voice);
        }
    }
    if (std::isfinite(snrDb)) {
        std::mt19937 random(11);
        std::normal_distribution<double> noise(0.0, 0.2 * std::pow(10, -snrDb / 20));
        for (float& s : samples)
            s += float(noise(random));
    }
    const PauseFinder pauses(samples, rate);
    int calls = 0;
    const SpeechEdges edges(samples, pauses.noiseMaskingDb(), [&](double) {
        ++calls;
        return !cancel;
    });
    QCOMPARE(edges.cancelled(), cancel);
    QCOMPARE(calls > 0, std::isfinite(snrDb)); // only the noisy analysis takes long enough
    // As the pause search might leave them: its edges well inside the speech, its limits in
    // the middle of the pauses.
    const QList<Span> found = {{spoken[0].start + rampSeconds * 0.6, spoken[0].end - 0.05},
                               {spoken[1].start + 0.05, spoken[1].end - rampSeconds * 0.6}};
    const QList<Span> limits = {{0.5, 2.6}, {2.6, 5.0}};
    const QList<Span> got = edges.refine(found, limits);
    QCOMPARE(got.size(), spoken.size());
    if (cancel) {
        QCOMPARE(got.first().start, limits.first().start); // nothing refined
        return;
    }
    for (qsizetype k = 0; k < spoken.size(); ++k) {
        const Span truth{spoken[k].start + rampSeconds / 3, spoken[k].end - rampSeconds / 3};
        const QByteArray where = QStringLiteral("%1: %2-%3 s, spoken %4-%5 s")
                                     .arg(k)
                                     .arg(got[k].start)
                                     .arg(got[k].end)
                                     .arg(truth.start)
                                     .arg(truth.end)
                                     .toUtf8();
        QVERIFY2(got[k].start <= truth.start + 0.005 && got[k].end >= truth.end - 0.005,
                 where.constData());
        QVERIFY2(truth.start - got[k].start <= maxError && got[k].end - truth.end <= maxError,
                 where.constData());
    }
}

void TestSentenceAligner::refusesWhatCannotBeAligned_data()
{
    QTest::addColumn<QString>("recording");
    QTest::addColumn<QStringList>("sentences");
    QTest::addColumn<int>("cancelAfter"); // progress calls answered true; -1: never cancel
    QTest::addColumn<Outcome>("outcome");
    // How far the work may get: 0 refuses before any speech is synthesised, under 0.25 gives up
    // during synthesis.
    QTest::addColumn<double>("reach");
    const QStringList text = {u"I am a student."_s, u"This is my book."_s};
    QStringList tooLong;
    for (int i = 0; i < 30; ++i)
        tooLong << u"This sentence belongs to a much longer lesson than the one recorded."_s;
    const QStringList tooLongForItsLetters(8, u"Three weeks ago we drove to London."_s);
    QTest::newRow("silence") << u"silence"_s << text << -1 << Outcome::NoSpeech << 0.0;
    QTest::newRow("steady noise") << u"noise"_s << text << -1 << Outcome::NoSpeech << 0.0;
    QTest::newRow("no sentences") << u"tones"_s << QStringList{} << -1 << Outcome::EmptyText << 0.0;
    QTest::newRow("no English letters")
        << u"tones"_s << QStringList{u"..."_s, u" 12 "_s, u"早上好，爸爸。"_s} << -1
        << Outcome::EmptyText << 0.0;
    QTest::newRow("text far too long")
        << u"tones"_s << tooLong << -1 << Outcome::TextTooLong << 0.0;
    QTest::newRow("text too long once spoken")
        << u"tones"_s << tooLongForItsLetters << -1 << Outcome::TextTooLong << 0.2;
    QTest::newRow("a line without sentence ends")
        << u"tones"_s << QStringList{text[0], u"and then we walked on "_s.repeated(50)} << -1
        << Outcome::SentenceTooLong << 0.0;
    QTest::newRow("cancelled at once") << u"tones"_s << text << 0 << Outcome::Cancelled << 0.0;
    QTest::newRow("cancelled warping") << u"tones"_s << text << 4 << Outcome::Cancelled << 1.0;
    QTest::newRow("too long") << u"long"_s << text << -1 << Outcome::RecordingTooLong << 0.0;
    QTest::newRow("cancelled reading a long recording")
        << u"minute of tones"_s << text << 1 << Outcome::Cancelled << 0.05;
}

void TestSentenceAligner::refusesWhatCannotBeAligned()
{
    QFETCH(QString, recording);
    QFETCH(QStringList, sentences);
    QFETCH(int, cancelAfter);
    QFETCH(Outcome, outcome);
    QFETCH(double, reach);
    std::vector<float> samples(size_t(4 * rate), 0.0f);
    std::mt19937 random(3);
    std::normal_distribution<float> noise(0.0f, 0.05f);
    if (recording == u"noise"_s)
        std::generate(samples.begin(), samples.end(), [&] { return noise(random); });
    if (recording == u"long"_s)
        samples.resize(size_t((SentenceAligner::maxRecordingSeconds + 1) * rate), 0.0f);
    if (recording == u"minute of tones"_s)
        samples.resize(size_t(60 * rate));
    if (recording.contains(u"tones"_s)) {
        // Two bursts of a voice-like buzz with a pause between, every four seconds: speech as
        // far as loudness goes.
        for (size_t i = 0; i < samples.size(); ++i) {
            const double t = std::fmod(double(i) / rate, 4.0);
            const bool on = (t > 0.5 && t < 1.6) || (t > 2.2 && t < 3.4);
            samples[i] = on ? float(0.3 * std::sin(2 * std::numbers::pi * 140 * t) *
                                    (1 + std::sin(2 * std::numbers::pi * 900 * t)))
                            : 0.0f;
        }
    }
    int calls = 0;
    double reached = 0;
    const SentenceAligner::Progress progress = [&](double done) {
        [&] { QVERIFY(done >= 0 && done <= 1); }();
        reached = std::max(reached, done);
        return cancelAfter < 0 || calls++ < cancelAfter;
    };
    const SentenceAligner::Result result = SentenceAligner::align(samples, sentences, progress);
    QCOMPARE(result.outcome, outcome);
    QVERIFY2(reached <= reach, QByteArray::number(reached).constData());
    QVERIFY(result.spans.isEmpty());
    QVERIFY(!SentenceAligner::outcomeMessage(outcome).isEmpty());
}

void TestSentenceAligner::speaksOnlyWhatAReaderSays_data()
{
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<QString>("spoken");
    QTest::newRow("plain") << u"It costs $3.50, Mr. Lee."_s << u"It costs $3.50, Mr. Lee."_s;
    QTest::newRow("emoji") << u"Good morning. 😀👍🏽"_s << u"Good morning."_s;
    QTest::newRow("symbols") << u"★ I ♥ tea ✓"_s << u"I tea"_s;
    QTest::newRow("another script") << u"Excuse me! 对不起！"_s << u"Excuse me!"_s;
    QTest::newRow("accents stay") << u"A café, naïve."_s << u"A café, naïve."_s;
}

void TestSentenceAligner::speaksOnlyWhatAReaderSays()
{
    QFETCH(QString, sentence);
    QFETCH(QString, spoken);
    QCOMPARE(ReferenceSpeech::speakable(sentence), spoken);
}

void TestSentenceAligner::judgesWhatItFound_data()
{
    // What the recording holds, in order: "a" speaks a line of the lesson (`spoken`), "x" a
    // line of something else in another voice, "p" pauses a second.
    QTest::addColumn<QString>("recording");
    // Lines of the text: a number picks a line of `spoken`, "-" stands for `unread`.
    QTest::addColumn<QString>("text");
    QTest::addColumn<Outcome>("outcome");
    QTest::newRow("its own text") << u"xaaaaa"_s << u"01234"_s << Outcome::Aligned;
    QTest::newRow("another lesson's text")
        << u"xaaaaa"_s << u"-----"_s << Outcome::TextNotInRecording;
    // Half a minute of other speech between two paragraphs, as exercises sit in a lesson.
    QTest::newRow("other speech between paragraphs")
        << u"xaaxxxxxxxxxxpaaa"_s << u"01234"_s << Outcome::Aligned;
    QTest::newRow("a long exercise after the text")
        << u"xaaaaaxxxxx"_s << u"01234"_s << Outcome::Aligned;
    // Far more speech than the text, as when one lesson's text is found in a whole book's file.
    QTest::newRow("a lesson amid others")
        << u"xxxxxxxaaaaaxxxxxxxx"_s << u"01234"_s << Outcome::Aligned;
}

// Sentences found where they were said are sure, and clean; a text that was not read at all
// is refused.
void TestSentenceAligner::judgesWhatItFound()
{
    QFETCH(QString, recording);
    QFETCH(QString, text);
    QFETCH(Outcome, outcome);
    if (QStandardPaths::findExecutable(u"flite"_s).isEmpty())
        QSKIP("flite is not installed");
    const QStringList spoken = {
        u"My brother has a small red car."_s, u"He drives it to work every morning."_s,
        u"Yesterday it would not start."_s, u"So he walked to the station in the rain."_s,
        u"Now he wants a new car."_s};
    const QStringList unread = {u"The children are playing football in the park."_s,
                                u"Please close the window before you go to bed."_s,
                                u"Our teacher gave us a difficult test today."_s,
                                u"The shop on the corner sells fresh bread."_s,
                                u"We will visit our grandparents next summer."_s};
    const QStringList other = {u"Lesson twelve. Listen carefully."_s,
                               u"Answer these questions in your own words."_s,
                               u"Where does he keep his car?"_s,
                               u"What happened yesterday morning?"_s,
                               u"Why did he walk to the station?"_s,
                               u"What does he want now?"_s,
                               u"Now read the passage again and write a summary."_s,
                               u"Use no more than fifty words."_s,
                               u"Then listen to the next lesson."_s,
                               u"Lesson thirteen. A new car."_s};
    QTemporaryDir dir;
    Tape tape;
    QList<int> spokenAt; // where in tape.placed each line of `spoken` is
    int nextSpoken = 0, nextOther = 0, nextUnread = 0;
    double pause = 0.6;
    for (QChar kind : recording) {
        if (kind == u'p') {
            pause += 1.0;
            continue;
        }
        const bool ours = kind == u'a';
        if (ours)
            spokenAt.append(int(tape.placed.size()));
        QVERIFY(tape.speak(ours ? u"slt"_s : u"kal16"_s,
                           ours ? spoken[nextSpoken++] : other[nextOther++ % other.size()], pause,
                           dir));
        pause = 0.6;
    }
    tape.samples.resize(tape.samples.size() + rate / 2, 0.0f);
    QStringList sentences;
    for (QChar line : text)
        sentences.append(line == u'-' ? unread[nextUnread++] : spoken[line.digitValue()]);

    // However the work is split (a text far shorter than its recording is looked for in more
    // places), the progress a learner watches never runs back.
    double reached = 0;
    bool ranBack = false;
    const SentenceAligner::Progress progress = [&](double done) {
        ranBack = ranBack || done < reached;
        reached = std::max(reached, done);
        return true;
    };
    const SentenceAligner::Result result =
        SentenceAligner::align(tape.samples, sentences, progress);
    QVERIFY(!ranBack);
    QCOMPARE(result.outcome, outcome);
    if (outcome != Outcome::Aligned) {
        QVERIFY(result.spans.isEmpty());
        QVERIFY(result.textConfidence < 0.5);
        QVERIFY(SentenceAligner::outcomeMessage(outcome).contains(u"不是同一课"_s));
        return;
    }
    QCOMPARE(result.confidence.size(), sentences.size());
    for (int k = 0; k < sentences.size(); ++k) {
        const double confidence = result.confidence[k];
        QVERIFY(confidence >= 0 && confidence <= 1);
        const QByteArray where = QStringLiteral("line %1 (%2): %3-%4 s, confidence %5")
                                     .arg(k)
                                     .arg(text[k])
                                     .arg(result.spans[k].start)
                                     .arg(result.spans[k].end)
                                     .arg(confidence)
                                     .toUtf8();
        QVERIFY2(confidence >= SentenceAligner::unsureBelow, where.constData());
        // Held whole, and nothing else that was said.
        const int at = spokenAt[text[k].digitValue()];
        const Span& truth = tape.placed[at];
        constexpr double tolerance = 0.005;
        // The questions about the passage in another voice match the reference as well as the
        // passage does, and the first paragraph is laid on them: not solved yet.
        if (QByteArray(QTest::currentDataTag()) == "other speech between paragraphs")
            QEXPECT_FAIL("", "content matching cannot yet tell the passage from questions on it",
                         Abort);
        QVERIFY2(result.spans[k].start <= truth.start + tolerance &&
                     result.spans[k].end >= truth.end - tolerance,
                 where.constData());
        QVERIFY2((at == 0 || result.spans[k].start >= tape.placed[at - 1].end - tolerance) &&
                     (at + 1 == tape.placed.size() ||
                      result.spans[k].end <= tape.placed[at + 1].start + tolerance),
                 where.constData());
    }
}

void TestSentenceAligner::judgesEachSentenceAgainstItsNeighbours_data()
{
    // The match ratio of every sentence of a text, whether sentence `at` has a pause at both
    // ends, and whether it is to be trusted.
    QTest::addColumn<QList<double>>("ratios");
    QTest::addColumn<int>("at");
    QTest::addColumn<bool>("paused");
    // Its span's length over its reference's, over the same for the whole text.
    QTest::addColumn<double>("stretch");
    // Each span's length over its reference's, every reference lasting `referenceSeconds`;
    // empty for spans all as long as their references.
    QTest::addColumn<QList<double>>("stretches");
    QTest::addColumn<double>("referenceSeconds");
    QTest::addColumn<bool>("sure");
    const QList<double> clean(12, 0.8), noisy(12, 0.97), even;
    QList<double> cleanOneAstray = clean, noisyOneAstray = noisy;
    cleanOneAstray[6] = 1.0;
    noisyOneAstray[6] = 1.1;
    QTest::newRow("clean") << clean << 6 << true << 1.0 << even << 1.0 << true;
    QTest::newRow("clean, one astray")
        << cleanOneAstray << 6 << true << 1.0 << even << 1.0 << false;
    QTest::newRow("under noise") << noisy << 6 << true << 1.0 << even << 1.0 << true;
    QTest::newRow("under noise, one astray")
        << noisyOneAstray << 6 << true << 1.0 << even << 1.0 << false;
    QTest::newRow("noisy after clean: the clean")
        << clean + noisy << 2 << true << 1.0 << even << 1.0 << true;
    QTest::newRow("noisy after clean: the noisy")
        << clean + noisy << 21 << true << 1.0 << even << 1.0 << true;
    // Run into both neighbours, however well it matches.
    QTest::newRow("clean, no pauses") << clean << 6 << false << 1.0 << even << 1.0 << false;
    // Neighbours that all went astray do not make a sentence matched as poorly sure.
    QTest::newRow("all astray") << QList<double>(12, 1.1) << 6 << true << 1.0 << even << 1.0
                                << false;
    // Sentences of five seconds, one span stretched by a fifth: a slow reading of it...
    QList<double> oneStretched(12, 1.0);
    oneStretched[6] = 1.08;
    QTest::newRow("a long sentence read slowly")
        << clean << 6 << true << 1.0 << oneStretched << 5.0 << true;
    // ...or a second and a half of speech the text does not hold.
    oneStretched[6] = 1.3;
    QTest::newRow("a long sentence and speech after it")
        << clean << 6 << true << 1.0 << oneStretched << 5.0 << false;
    // A slow reader's lesson after a fast reader's, in one recording: overlong only against the
    // fast pace, which is not the one around it. (Its stretch against the whole text's pace is
    // left out here.)
    const QList<double> fastThenSlow = QList<double>(16, 0.8) + QList<double>(8, 1.3);
    QTest::newRow("a slow reader after a fast one")
        << clean + clean << 20 << true << 1.0 << fastThenSlow << 5.0 << true;
    // A span far shorter than the pace says: a fast reader's long sentence, matched all along
    // by its reference, or a part of a sentence, matched no better than the pace asks.
    QTest::newRow("read fast, matched closely") << clean << 6 << true << 0.6 << even << 1.0 << true;
    QTest::newRow("read fast, matched as usual")
        << QList<double>(12, 0.85) << 6 << true << 0.6 << even << 1.0 << false;
}

void TestSentenceAligner::judgesEachSentenceAgainstItsNeighbours()
{
    QFETCH(QList<double>, ratios);
    QFETCH(int, at);
    QFETCH(bool, paused);
    QFETCH(double, stretch);
    QFETCH(QList<double>, stretches);
    QFETCH(double, referenceSeconds);
    QFETCH(bool, sure);
    const std::vector<double> eased =
        AlignmentConfidence::againstNeighbours({ratios.begin(), ratios.end()});
    QCOMPARE(int(eased.size()), int(ratios.size()));
    AlignmentConfidence::Evidence evidence;
    evidence.matchRatio = eased[std::size_t(at)];
    evidence.pauseBefore = evidence.pauseAfter = paused;
    evidence.stretch = stretch;
    if (!stretches.isEmpty()) {
        const std::vector<double> overlong = AlignmentConfidence::overlong(
            {stretches.begin(), stretches.end()},
            std::vector<double>(std::size_t(stretches.size()), referenceSeconds));
        QCOMPARE(int(overlong.size()), int(stretches.size()));
        evidence.overlong = overlong[std::size_t(at)];
    }
    const double confidence = AlignmentConfidence::sentence(evidence);
    QVERIFY2((confidence >= SentenceAligner::unsureBelow) == sure,
             qPrintable(QStringLiteral("confidence %1").arg(confidence)));
}

void TestSentenceAligner::judgesTheWholeText_data()
{
    // Six sentences alike: each one's match ratio, its span's length over its reference's
    // (every other one's when `uneven`), its neighbour ratio (none when negative) and its
    // reference's length; how many times the text's speech the recording holds; whether the
    // text is taken to have been read in the recording.
    QTest::addColumn<double>("ratio");
    QTest::addColumn<bool>("uneven");
    QTest::addColumn<double>("neighbourRatio");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<double>("room");
    QTest::addColumn<bool>("read");
    QTest::newRow("its own text") << 0.85 << false << 0.85 << 3.0 << 1.0 << true;
    QTest::newRow("its own text of one sentence") << 0.85 << false << -1.0 << 3.0 << 10.0 << true;
    QTest::newRow("another text, its lengths not followed")
        << 0.95 << true << 0.95 << 3.0 << 1.0 << false;
    // Long sentences that found, somewhere in half an hour, speech matching them better
    // forwards than backwards, at their own pace, but no better than the next sentence's.
    QTest::newRow("another text in a long recording")
        << 0.93 << false << 1.01 << 12.0 << 10.0 << false;
    // Single words match their neighbours' words about as well as their own.
    QTest::newRow("its own word list in a long recording")
        << 0.93 << false << 1.0 << 0.5 << 10.0 << true;
    // So do whole sentences under strong noise.
    QTest::newRow("its own text under noise") << 0.93 << false << 1.03 << 8.0 << 1.0 << true;
}

void TestSentenceAligner::judgesTheWholeText()
{
    QFETCH(double, ratio);
    QFETCH(bool, uneven);
    QFETCH(double, neighbourRatio);
    QFETCH(double, seconds);
    QFETCH(double, room);
    QFETCH(bool, read);
    constexpr int count = 6;
    AlignmentConfidence::TextEvidence evidence;
    evidence.recordingToText = room;
    for (int k = 0; k < count; ++k) {
        evidence.matchRatios.push_back(ratio);
        evidence.stretches.push_back(uneven && k % 2 == 1 ? 1.8 : 1.0);
        if (neighbourRatio >= 0)
            evidence.neighbourRatios.push_back(neighbourRatio);
        evidence.referenceSeconds.push_back(seconds);
    }
    const double confidence = AlignmentConfidence::text(evidence);
    QVERIFY2((confidence >= AlignmentConfidence::refuseBelow) == read,
             qPrintable(QStringLiteral("confidence %1").arg(confidence)));
}

void TestSentenceAligner::decodesToMonoAtTheAlignersRate()
{
    QTemporaryDir dir;
    const QString wav = dir.filePath(u"stereo.wav"_s);
    // Three seconds at 44.1 kHz: 440 Hz on the left, silence on the right.
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(wav.toLocal8Bit().constData(), SFM_WRITE, &info);
    QVERIFY(file);
    std::vector<float> frames(size_t(3 * 44100 * 2), 0.0f);
    for (size_t i = 0; i < frames.size() / 2; ++i)
        frames[2 * i] = float(0.5 * std::sin(2 * std::numbers::pi * 440 * double(i) / 44100));
    sf_writef_float(file, frames.data(), sf_count_t(frames.size() / 2));
    sf_close(file);

    std::vector<float> samples;
    QString error;
    QVERIFY2(SentenceAligner::decodeForAlignment(wav, &samples, &error), qPrintable(error));
    QCOMPARE(qsizetype(samples.size()), qsizetype(3 * rate));
    // Mixed to mono: half the left channel's amplitude, the tone's frequency kept.
    double power = 0, crossings = 0;
    for (size_t i = rate / 2; i + 1 < samples.size() - rate / 2; ++i) {
        power += double(samples[i]) * samples[i];
        crossings += (samples[i] < 0) != (samples[i + 1] < 0);
    }
    QVERIFY(std::abs(std::sqrt(power / (2 * rate)) - 0.25 / std::sqrt(2.0)) < 0.005);
    QVERIFY(std::abs(crossings / 2 / 2.0 - 440) < 2);

    const QString corrupt = dir.filePath(u"corrupt.mp3"_s);
    QFile junk(corrupt);
    QVERIFY(junk.open(QIODevice::WriteOnly));
    std::mt19937 random(5);
    QByteArray bytes = "ID3\x03";
    for (int i = 0; i < 200000; ++i)
        bytes.append(char(random() & 0xff));
    junk.write(bytes);
    junk.close();
    for (const QString& path : {corrupt, dir.filePath(u"missing.wav"_s)}) {
        error.clear();
        samples.assign(10, 1.0f);
        const bool decoded = SentenceAligner::decodeForAlignment(path, &samples, &error);
        // A junk MP3 may pass for a few frames of noise; it must never crash or pass silently.
        QVERIFY(!decoded ? !error.isEmpty() : samples.size() < size_t(60 * rate));
    }
}

void TestSentenceAligner::measuresTheNoiseUnderSpeech_data()
{
    QTest::addColumn<double>("noiseLevel");  // standard deviation of the white noise
    QTest::addColumn<double>("speechShare"); // of the frames, each far louder than the noise
    QTest::newRow("digital silence") << 0.0 << 0.5;
    QTest::newRow("noise alone") << 0.01 << 0.0;
    QTest::newRow("mostly pauses") << 0.01 << 0.1;
    QTest::newRow("few pauses") << 0.001 << 0.85;
}

// 5 ms frames of white noise, some with a loud tone over it: the noise's power and wander
// must come from the noise alone, however few the pauses.
void TestSentenceAligner::measuresTheNoiseUnderSpeech()
{
    QFETCH(double, noiseLevel);
    QFETCH(double, speechShare);
    constexpr int frame = rate / 200, frames = 4000;
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::bernoulli_distribution speaking(speechShare);
    std::vector<double> power(frames);
    for (double& p : power) {
        const bool speech = speaking(random);
        double sum = 0;
        for (int i = 0; i < frame; ++i) {
            const double v = noiseLevel * noise(random) + (speech ? 0.3 * std::sin(0.2 * i) : 0);
            sum += v * v;
        }
        p = sum / frame;
    }
    const PauseFinder::Noise found = PauseFinder::noiseIn(power);
    const double truePower = noiseLevel * noiseLevel;
    // A frame's power over `frame` samples strays by sqrt(2 / frame) of its mean.
    const double trueWander = truePower * std::sqrt(2.0 / frame);
    QVERIFY2(std::abs(found.power - truePower) <= 0.05 * truePower,
             qPrintable(u"power %1, true %2"_s.arg(found.power).arg(truePower)));
    QVERIFY2(found.wander >= 0.5 * trueWander && found.wander <= 1.5 * trueWander,
             qPrintable(u"wander %1, true %2"_s.arg(found.wander).arg(trueWander)));
    const PauseFinder::Noise none = PauseFinder::noiseIn({});
    QCOMPARE(none.power + none.wander, 0.0);
}

void TestSentenceAligner::transformsOnAnyThread_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("bin"); // where a sinusoid of amplitude 1 lies exactly
    QTest::newRow("steady level") << 512 << 0;
    QTest::newRow("tone") << 512 << 37;
    QTest::newRow("size not a power of two") << 400 << 7;
}

// Plans made on several threads at once, as alignments in the dialog and a test may do, each
// transforming a sinusoid: its power lies in its own bin and nowhere else.
void TestSentenceAligner::transformsOnAnyThread()
{
    QFETCH(int, size);
    QFETCH(int, bin);
    // Off its peak, so that the power takes the imaginary part too.
    constexpr double phase = 0.7;
    auto transform = [size, bin] {
        std::vector<float> power;
        for (int round = 0; round < 20; ++round) {
            RealFft fft(size);
            for (int i = 0; i < size; ++i)
                fft.input()[i] = float(std::cos(2 * std::numbers::pi * bin * i / size + phase));
            fft.run();
            power.assign(size_t(size / 2 + 1), 0.0f);
            for (int k = 0; k <= size / 2; ++k)
                power[size_t(k)] = fft.power(k);
        }
        return power;
    };
    std::vector<std::future<std::vector<float>>> runs;
    for (int t = 0; t < 4; ++t)
        runs.push_back(std::async(std::launch::async, transform));
    // A sinusoid's amplitude splits between its bin and the mirrored one, except at 0.
    const double expected = std::pow(bin == 0 ? size * std::cos(phase) : size / 2.0, 2);
    for (auto& run : runs) {
        const std::vector<float> power = run.get();
        QCOMPARE_LE(std::abs(power[size_t(bin)] - expected), 1e-3 * expected);
        for (int k = 0; k <= size / 2; ++k) {
            if (k != bin)
                QVERIFY2(power[size_t(k)] < 1e-6 * expected, qPrintable(QString::number(k)));
        }
    }
}

ORLUNE_GUILESS_TEST_MAIN(TestSentenceAligner)
void TestSentenceAligner::hearsPausesUnderEachLessonsOwnNoise_data()
{
    // Which half of a long recording lies under white noise 20 dB under its speech.
    QTest::addColumn<bool>("noisyFirst");
    QTest::addColumn<bool>("noisySecond");
    QTest::newRow("a quiet lesson, then a noisy one") << false << true;
    QTest::newRow("a noisy lesson, then a quiet one") << true << false;
    QTest::newRow("both noisy") << true << true;
}

// The features mark speech and pause in each lesson of a long recording alike, whatever the
// noise of the others: a pause the aligner hears as speech matches nothing in its reference.
void TestSentenceAligner::hearsPausesUnderEachLessonsOwnNoise()
{
    QFETCH(bool, noisyFirst);
    QFETCH(bool, noisySecond);
    constexpr double seconds = 240, burst = 1.2, every = 2.0;
    std::vector<float> samples(std::size_t(seconds * rate));
    std::mt19937 random(5);
    // A buzz as rich in harmonics as a vowel, each 0.02 strong: its power is 25 × 0.0002.
    constexpr int harmonics = 25;
    std::normal_distribution<double> noise(0.0, std::sqrt(harmonics * 0.0002) * 0.1);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = double(i) / rate;
        const bool on = std::fmod(t, every) < burst;
        double value = 0;
        for (int h = 1; on && h <= harmonics; ++h)
            value += 0.02 * std::sin(2 * std::numbers::pi * 150 * h * t);
        const bool noisy = t < seconds / 2 ? noisyFirst : noisySecond;
        samples[i] = float(value + (noisy ? noise(random) : 0.0));
    }
    const Mfcc::Features features = Mfcc::compute(samples);
    int heardPauses = 0, pauses = 0, heardSpeech = 0, speech = 0;
    for (int i = 0; i < features.frames; ++i) {
        const double t = std::fmod(Mfcc::frameTime(i), every);
        const bool voiced = features.frame(i)[Mfcc::dims - 1] > 5;
        // Away from the edges of each burst.
        if (t > 0.1 && t < burst - 0.1) {
            ++speech;
            heardSpeech += voiced;
        } else if (t > burst + 0.1 && t < every - 0.1) {
            ++pauses;
            heardPauses += !voiced;
        }
    }
    QVERIFY2(heardSpeech > speech * 99 / 100,
             qPrintable(QStringLiteral("%1 of %2 speech frames").arg(heardSpeech).arg(speech)));
    QVERIFY2(heardPauses > pauses * 95 / 100,
             qPrintable(QStringLiteral("%1 of %2 pause frames").arg(heardPauses).arg(pauses)));
}

#include "tst_sentencealigner.moc"
