#include "align/mfcc.h"
#include "align/pausefinder.h"
#include "align/placementsearch.h"
#include "align/referencespeech.h"
#include "align/sentencealigner.h"
#include "align/speechedges.h"
#include "testmain.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>

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
    void speaksATextAlikeWhateverCameBefore_data();
    void speaksATextAlikeWhateverCameBefore();
    void judgesWhatItFound_data();
    void judgesWhatItFound();
    void looksAgainAtAWordListAmidLessons_data();
    void looksAgainAtAWordListAmidLessons();
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

void TestSentenceAligner::speaksATextAlikeWhateverCameBefore_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::newRow("a word") << QStringList{u"Hello."_s};
    QTest::newRow("a sentence") << QStringList{u"I did not enjoy it."_s};
    QTest::newRow("pauses") << QStringList{u"Where are you going, Tom? Home, I think."_s};
    QTest::newRow("a lesson") << QStringList{u"Last week I went to the theatre."_s,
                                             u"I had a very good seat."_s,
                                             u"The play was very interesting."_s};
}

// An alignment must not depend on what the program aligned before it.
void TestSentenceAligner::speaksATextAlikeWhateverCameBefore()
{
    QFETCH(QStringList, before);
    const QStringList text{u"Yes, I did, and then, after the play, he said hello."_s,
                           u"A young man and a young woman were sitting behind me."_s,
                           u"Two wild boars."_s};
    auto speak = [](const QStringList& sentences) {
        ReferenceSpeech speech;
        if (!speech.synthesise(sentences, ReferenceSpeech::usualWordsPerMinute, {}, {}))
            qFatal("eSpeak NG cannot speak");
        return speech;
    };
    const ReferenceSpeech first = speak(text);
    speak(before);
    const ReferenceSpeech again = speak(text);
    QCOMPARE(again.features().frames, first.features().frames);
    QVERIFY(again.features().values == first.features().values);
}

void TestSentenceAligner::judgesWhatItFound_data()
{
    // What the recording holds, in order: "a" speaks a line of the lesson (`spoken`), "b" a
    // line of another lesson in the same voice (`unread`), "x" a line of something else in
    // another voice, "p" pauses a second.
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
    // Two lessons in one file, each text aligned alone.
    QTest::newRow("the second of two lessons") << u"bbbbbaaaaa"_s << u"01234"_s << Outcome::Aligned;
    QTest::newRow("the first of two lessons") << u"aaaaabbbbb"_s << u"01234"_s << Outcome::Aligned;
    // A lone sentence may be laid on another lesson's sentence, as sure of it as of its own.
    QTest::newRow("a text of one sentence") << u"bbbbba"_s << u"0"_s << Outcome::Aligned;
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
    int nextSpoken = 0, nextOther = 0, nextUnread = 0, nextRead = 0;
    double pause = 0.6;
    for (QChar kind : recording) {
        if (kind == u'p') {
            pause += 1.0;
            continue;
        }
        const bool ours = kind == u'a';
        if (ours)
            spokenAt.append(int(tape.placed.size()));
        if (kind == u'b')
            QVERIFY(tape.speak(u"slt"_s, unread[nextRead++], pause, dir));
        else
            QVERIFY(tape.speak(ours ? u"slt"_s : u"kal16"_s,
                               ours ? spoken[nextSpoken++] : other[nextOther++ % other.size()],
                               pause, dir));
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
    if (sentences.size() == 1) {
        // Wherever it was laid, the learner is asked to check it.
        QVERIFY2(result.confidence.front() < SentenceAligner::unsureBelow,
                 qPrintable(QStringLiteral("confidence %1").arg(result.confidence.front())));
        return;
    }
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

void TestSentenceAligner::looksAgainAtAWordListAmidLessons_data()
{
    // How far the word list's hiss lies under its words; none when infinite.
    QTest::addColumn<double>("underDb");
    QTest::newRow("a quiet list") << std::numeric_limits<double>::infinity();
    QTest::newRow("a list under a hiss") << 20.0;
}

// The first warp over a long recording can lay a word list late, over the talk after it. The
// second look warps it again between the sure sentences around it: its first word is not given
// up with the announcement before it, and the stretch is heard under its own noise, not under
// the quiet lesson's half a minute before.
void TestSentenceAligner::looksAgainAtAWordListAmidLessons()
{
    QFETCH(double, underDb);
    if (QStandardPaths::findExecutable(u"flite"_s).isEmpty())
        QSKIP("flite is not installed");
    const QStringList story = {u"Every Saturday my aunt goes to the market."_s,
                               u"She buys vegetables, fish and a large loaf of bread."_s,
                               u"The market is crowded and very noisy."_s,
                               u"Last week she lost her purse there."_s,
                               u"A young man found it under a table."_s,
                               u"He ran after her and gave it back."_s,
                               u"She wanted to give him some money."_s,
                               u"But he only smiled and shook his head."_s,
                               u"Then he disappeared into the crowd."_s,
                               u"My aunt still tells this story to everyone."_s,
                               u"She says there are many kind people in our town."_s,
                               u"I think she is right."_s,
                               u"Now she always keeps her purse in her coat."_s,
                               u"And she never goes to the market alone."_s};
    const QStringList words = {u"Market."_s,       u"Purse."_s, u"Crowded."_s, u"Vegetables."_s,
                               u"A large loaf."_s, u"Smile."_s, u"Kind."_s,    u"Coat."_s};
    const QStringList next = {u"Our school has a new library."_s,
                              u"There are thousands of books on its shelves."_s,
                              u"Students can borrow three books at a time."_s};
    QTemporaryDir dir;
    Tape tape;
    QStringList sentences;
    QList<Span> truth;
    const auto read = [&](const QString& voice, const QStringList& lines, double pause) {
        for (const QString& line : lines) {
            if (!tape.speak(voice, line, pause, dir))
                return false;
            sentences.append(line);
            truth.append(tape.placed.back());
        }
        return true;
    };
    // Time to repeat each sentence: long enough that its noise is measured half a minute at a
    // time.
    QVERIFY(read(u"slt"_s, story, 7.0));
    const std::size_t listFrom = tape.samples.size();
    QVERIFY(tape.speak(u"kal16"_s, u"New words. Listen and repeat."_s, 1.5, dir));
    QVERIFY(read(u"rms"_s, words, 1.3));
    QVERIFY(tape.speak(u"kal16"_s, u"That is the end of lesson five."_s, 1.5, dir));
    tape.samples.resize(tape.samples.size() + rate, 0.0f);
    const std::size_t listTo = tape.samples.size();
    QVERIFY(read(u"slt"_s, next, 1.0));
    tape.samples.resize(tape.samples.size() + rate, 0.0f);
    if (std::isfinite(underDb)) {
        double power = 0;
        for (std::size_t i = listFrom; i < listTo; ++i)
            power += double(tape.samples[i]) * tape.samples[i];
        std::mt19937 random(3);
        std::normal_distribution<double> noise(0.0, std::sqrt(power / double(listTo - listFrom)) *
                                                        std::pow(10, -underDb / 20));
        for (std::size_t i = listFrom; i < listTo; ++i)
            tape.samples[i] += float(noise(random));
    }
    const Mfcc::Features recording = Mfcc::compute(tape.samples);
    ReferenceSpeech reference;
    QVERIFY(reference.synthesise(sentences, ReferenceSpeech::usualWordsPerMinute,
                                 recording.bandRange, {}));
    const PlacementSearch::Material material{tape.samples, recording, reference,
                                             PauseFinder(tape.samples, rate).speechSeconds()};
    // Every sentence where it was said but the list's, laid evenly over the closing after it.
    const int firstWord = int(story.size()), lastWord = firstWord + int(words.size());
    PlacementSearch::Placement placement;
    placement.mapped = truth;
    const double from = truth[lastWord - 1].end + 0.2, to = truth[lastWord].start - 0.2;
    for (int k = firstWord; k < lastWord; ++k) {
        const double step = (to - from) / double(words.size());
        placement.mapped[k] = {from + step * (k - firstWord), from + step * (k - firstWord + 1)};
    }
    QVERIFY(PlacementSearch::place(material, {}, &placement));
    QVERIFY(PlacementSearch::lookAgain(
        material, [](double) { return true; }, &placement));
    for (int k = firstWord; k < lastWord; ++k) {
        const Span& got = placement.spans[k];
        QVERIFY2(std::max(std::abs(got.start - truth[k].start), std::abs(got.end - truth[k].end)) <=
                     0.15,
                 qPrintable(QStringLiteral("%1 at %2-%3 s, said at %4-%5 s")
                                .arg(sentences[k])
                                .arg(got.start)
                                .arg(got.end)
                                .arg(truth[k].start)
                                .arg(truth[k].end)));
    }
}

ORLUNE_GUILESS_TEST_MAIN(TestSentenceAligner)
#include "tst_sentencealigner.moc"
