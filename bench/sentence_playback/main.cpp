// bench_sentence_playback: plays the same 20 sentences of a noise lesson through our
// MediaPlayer and through stock QMediaPlayer (GStreamer) stopped by a timer that polls its position
// every millisecond, records the null sink's monitor meanwhile, and reports for each side how
// exactly every sentence started and stopped, how long after the click its first sample reached the
// monitor, and the CPU time the process spent per second of playback. Our player also plays them at
// 0.7x and 1.3x, where only the first sound and the CPU are measured. Needs the PulseAudio server
// of tools/start-pulse.sh, best a private one (ORLUNE_PULSE_DIR): anything else playing on the sink
// spoils the capture.
//
// Start error: first source frame heard minus the sentence's start frame (positive: the
// beginning was cut, negative: frames before the start were heard). Stop overshoot: one past the
// last frame heard minus the first frame past the end time (positive: played on past the end).

#include "audio/mediaplayer.h"
#include "bench/sentence_playback/baselineplayer.h"
#include "bench/sentence_playback/noiselesson.h"
#include "bench/sentence_playback/playbackside.h"
#include "bench/sentence_playback/sourceframes.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

using Sentence = PlaybackSide::Sentence;
using Outcome = PlaybackSide::Outcome;

constexpr int sentenceCount = 20;
constexpr int rate = NoiseLesson::sampleRate;
constexpr double firstSoundTargetMs = 30;
constexpr double stretchedFirstSoundTargetMs = 40;
constexpr double cpuTargetRatio = 0.25;

double framesToMs(qint64 frames)
{
    return double(frames) * 1000.0 / rate;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// The value farthest from zero, sign kept.
double worst(const std::vector<double>& values)
{
    double result = 0;
    for (double v : values) {
        if (std::abs(v) > std::abs(result))
            result = v;
    }
    return result;
}

struct Summary
{
    int heard = 0;
    int whole = 0; // heard in one piece, nothing foreign
    int stalled = 0;
    double startMedian = 0;
    double startWorst = 0;
    double stopMedian = 0;
    double stopWorst = 0;
    double firstSoundMedian = 0;
    double firstSoundWorst = 0;
    double cpu = 0;
};

Summary summarize(const PlaybackSide& side, const std::vector<Sentence>& sentences)
{
    Summary s;
    std::vector<double> starts, stops, firsts;
    for (const Outcome& o : side.outcomes()) {
        s.stalled += o.endedByItself ? 0 : 1;
        if (!o.heard)
            continue;
        ++s.heard;
        s.whole += o.pieces == 1 && o.foreignFrames == 0 ? 1 : 0;
        starts.push_back(framesToMs(o.startError));
        stops.push_back(framesToMs(o.stopOvershoot));
        firsts.push_back(o.firstSoundMs);
    }
    s.startMedian = median(starts);
    s.startWorst = worst(starts);
    s.stopMedian = median(stops);
    s.stopWorst = worst(stops);
    s.firstSoundMedian = median(firsts);
    s.firstSoundWorst = worst(firsts);
    s.cpu = side.cpuMsPerSecond(sentences);
    return s;
}

void printSide(const PlaybackSide& side, const std::vector<Sentence>& sentences)
{
    std::printf("\n%s\n", qPrintable(side.name()));
    std::printf("   #   start     end  start err  stop over  first sound  pieces  notes\n");
    std::printf("       (s)       (s)   (frames)   (frames)         (ms)\n");
    for (size_t i = 0; i < side.outcomes().size(); ++i) {
        const Outcome& o = side.outcomes()[i];
        QStringList notes;
        if (!o.endedByItself)
            notes << QStringLiteral("stalled: not ended 3 s after its end time");
        if (o.missingFrames > 0)
            notes << QStringLiteral("%1 ms inside not heard")
                         .arg(framesToMs(o.missingFrames), 0, 'f', 1);
        if (o.foreignFrames > 0)
            notes << QStringLiteral("%1 frames not from the file").arg(o.foreignFrames);
        std::printf("  %2zu  %6.2f  %6.2f", i + 1, sentences[i].start, sentences[i].end);
        if (o.heard) {
            std::printf("  %+9lld  %+9lld  %11.1f  %6d", static_cast<long long>(o.startError),
                        static_cast<long long>(o.stopOvershoot), o.firstSoundMs, o.pieces);
        } else {
            std::printf("  %-46s", "nothing heard");
        }
        std::printf("  %s\n", qPrintable(notes.join(QStringLiteral("; "))));
    }
}

QString ratio(double ours, double baseline)
{
    ours = std::abs(ours);
    baseline = std::abs(baseline);
    if (baseline == 0)
        return ours == 0 ? QStringLiteral("-") : QStringLiteral("inf");
    return QString::number(ours / baseline, 'f', 3);
}

void printSummary(const Summary& ours, const Summary& base)
{
    std::printf("\n%-36s %12s %12s %14s\n", "", "ours", "baseline", "ours/baseline");
    const auto count = [](const char* label, int a, int b) {
        std::printf("%-36s %12d %12d\n", label, a, b);
    };
    const auto row = [](const char* label, double a, double b, const char* format) {
        std::printf("%-36s %12s %12s %14s\n", label, qPrintable(QString::asprintf(format, a)),
                    qPrintable(QString::asprintf(format, b)), qPrintable(ratio(a, b)));
    };
    count("sentences heard", ours.heard, base.heard);
    count("  of them in one piece", ours.whole, base.whole);
    count("sentences stalled", ours.stalled, base.stalled);
    row("start error, median (ms)", ours.startMedian, base.startMedian, "%+.3f");
    row("start error, worst (ms)", ours.startWorst, base.startWorst, "%+.3f");
    row("stop overshoot, median (ms)", ours.stopMedian, base.stopMedian, "%+.3f");
    row("stop overshoot, worst (ms)", ours.stopWorst, base.stopWorst, "%+.3f");
    row("click to first sound, median (ms)", ours.firstSoundMedian, base.firstSoundMedian, "%.1f");
    row("click to first sound, worst (ms)", ours.firstSoundWorst, base.firstSoundWorst, "%.1f");
    row("CPU per second of playback (ms)", ours.cpu, base.cpu, "%.2f");
    std::printf("(errors and first sound over the sentences heard; CPU over those not stalled;\n"
                " ratios of magnitudes)\n");
}

void printTargets(int count, const Summary& o, const Summary& b)
{
    const bool exact =
        o.heard == count && o.whole == count && o.startWorst == 0 && o.stopWorst == 0;
    const bool quick = o.heard == count && o.firstSoundMedian <= firstSoundTargetMs;
    const bool light = o.stalled == 0 && b.cpu > 0 && o.cpu <= b.cpu * cpuTargetRatio;
    const auto verdict = [](bool met) { return met ? "met" : "NOT met"; };
    std::printf("\ntargets for ours:\n");
    std::printf("  start and stop error 0 frames, every sentence whole: %s\n", verdict(exact));
    std::printf("  first sound <= %.0f ms after the click (median):      %s\n", firstSoundTargetMs,
                verdict(quick));
    std::printf("  CPU <= 1/4 of the baseline's:                        %s\n", verdict(light));
}

void printStretched(const std::vector<Summary>& stretched, const std::vector<double>& speeds,
                    int count, const Summary& base)
{
    std::printf("\nours at other speeds, the pitch kept (CPU per second as heard; baseline at "
                "1x: %.2f ms)\n",
                base.cpu);
    std::printf("%-8s %8s %22s %22s %22s\n", "speed", "heard", "first sound median (ms)",
                "first sound worst (ms)", "CPU per second (ms)");
    for (size_t i = 0; i < stretched.size(); ++i) {
        const Summary& s = stretched[i];
        std::printf("%-8.1f %5d/%-2d %22.1f %22.1f %15.2f (%s)\n", speeds[i], s.heard, count,
                    s.firstSoundMedian, s.firstSoundWorst, s.cpu,
                    qPrintable(ratio(s.cpu, base.cpu)));
    }
    const auto verdict = [](bool met) { return met ? "met" : "NOT met"; };
    for (size_t i = 0; i < stretched.size(); ++i) {
        const Summary& s = stretched[i];
        std::printf("  %.1fx: first sound <= %.0f ms (median): %s; CPU <= 1/4 of the baseline's: "
                    "%s\n",
                    speeds[i], stretchedFirstSoundTargetMs,
                    verdict(s.heard == count && s.firstSoundMedian <= stretchedFirstSoundTargetMs),
                    verdict(s.stalled == 0 && base.cpu > 0 && s.cpu <= base.cpu * cpuTargetRatio));
    }
}

} // namespace

int main(int argc, char* argv[])
{
    // The baseline is stock Qt on its GStreamer backend, whatever this machine would pick.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
    QCoreApplication app(argc, argv);

    // Both players share Qt's connection to the sound server; making it here keeps its cost
    // out of whichever side would play first.
    if (QMediaDevices::defaultAudioOutput().isNull()) {
        std::fprintf(stderr, "no audio output: start a server with "
                             "eval \"$(tools/start-pulse.sh)\"\n");
        return 1;
    }
    QTemporaryDir dir;
    NoiseLesson lesson;
    const QString path = dir.filePath(QStringLiteral("lesson.wav"));
    if (!dir.isValid() || !lesson.create(path, sentenceCount, 20240611)) {
        std::fprintf(stderr, "cannot write the noise lesson to %s\n", qPrintable(path));
        return 1;
    }
    std::vector<Sentence> sentences;
    for (const NoiseLesson::Sentence& s : lesson.sentences()) {
        // Both players get the times as the database texts read back.
        const double start = s.start.toDouble();
        const double end = s.end.toDouble();
        sentences.push_back(
            {start, end, MediaPlayer::startFrame(start, rate), MediaPlayer::stopFrame(end, rate)});
    }
    const SourceFrames source(lesson.samples());

    MediaPlayer ours;
    ours.setUrl(path);
    if (!ours.hasMedia()) {
        std::fprintf(stderr, "our player cannot open %s\n", qPrintable(path));
        return 1;
    }
    const PlaybackSide::Driver oursDriver{[&](const Sentence& s) {
                                              ours.setEndPosition(s.end);
                                              ours.controls().setCurrentPosition(s.start);
                                              ours.controls().play();
                                          },
                                          [&] { ours.controls().stop(); },
                                          [&](QObject* context, std::function<void()> slot) {
                                              QObject::connect(&ours, &MediaPlayer::endReached,
                                                               context, slot);
                                          }};
    PlaybackSide oursSide(QStringLiteral("ours: MediaPlayer, the engine stops at the end frame"),
                          oursDriver);

    BaselinePlayer baseline;
    const auto openBaseline = [&] { return baseline.load(path, 10000); };
    PlaybackSide baseSide(QStringLiteral("baseline: QMediaPlayer (GStreamer) stopped by a timer "
                                         "that polls its position every millisecond"),
                          {[&](const Sentence& s) { baseline.playSentence(s.start, s.end); },
                           [&] {
                               // A stuck pipeline stays stuck: only a new one plays the next
                               // sentence.
                               baseline.stop();
                               openBaseline();
                           },
                           [&](QObject* context, std::function<void()> slot) {
                               QObject::connect(&baseline, &BaselinePlayer::sentenceStopped,
                                                context, slot);
                           }});

    if (!oursSide.run(sentences, source)) {
        std::fprintf(stderr, "cannot record the monitor: %s\n", qPrintable(oursSide.errorString()));
        return 1;
    }
    const std::vector<double> speeds{0.7, 1.3};
    std::vector<Summary> stretched;
    for (const double speed : speeds) {
        ours.setSpeed(speed);
        PlaybackSide side(QStringLiteral("ours at %1x").arg(speed), oursDriver, speed);
        if (!side.run(sentences, source)) {
            std::fprintf(stderr, "cannot record the monitor: %s\n", qPrintable(side.errorString()));
            return 1;
        }
        stretched.push_back(summarize(side, sentences));
    }
    ours.setSpeed(1.0);
    if (!openBaseline()) {
        std::fprintf(stderr, "QMediaPlayer cannot open %s: %s\n", qPrintable(path),
                     qPrintable(baseline.errorString()));
        return 1;
    }
    if (!baseSide.run(sentences, source)) {
        std::fprintf(stderr, "cannot record the monitor: %s\n", qPrintable(baseSide.errorString()));
        return 1;
    }

    std::printf("%d sentences of a %.1f s noise lesson, 44100 Hz stereo WAV; 1 frame = %.4f ms\n",
                sentenceCount, double(lesson.frameCount()) / rate, framesToMs(1));
    printSide(oursSide, sentences);
    printSide(baseSide, sentences);
    const Summary o = summarize(oursSide, sentences);
    const Summary b = summarize(baseSide, sentences);
    printSummary(o, b);
    printTargets(sentenceCount, o, b);
    printStretched(stretched, speeds, sentenceCount, b);
    return 0;
}
