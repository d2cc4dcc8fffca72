#include "bench/alignment/alignmentreport.h"

#include <QThread>
#include <algorithm>
#include <cstdio>

namespace {

const char* verdict(bool ok)
{
    return ok ? "ok" : "MISSED";
}

void printReasons(const char* label, const BoundaryScore& score)
{
    std::printf("  %-22s %5d %6d %6d %6d %6d\n", label, score.speechCut, score.tooEarly,
                score.tooLate, score.foreignSpeech, score.unaligned);
}

} // namespace

void AlignmentReport::print(const RunTotals& totals, const QList<Contender>& contenders,
                            const PeakMemory::Result& peak)
{
    const double minutes = totals.audioSeconds / 60;
    std::printf("\nsentence alignment: %d lessons, %d sentences, %.1f min of MP3 audio%s\n",
                totals.lessons, totals.sentences, minutes, totals.quick ? " (--quick)" : "");
    std::printf("  spoken by flite voices kal16, awb, rms, slt at 0.9 to 1.35 times their pace;\n"
                "  an announcement in another voice before each text, an exercise after every "
                "other one;\n  %d lessons under white or pink noise at 20 dB SNR; MP3 at 44.1, "
                "22.05 and 16 kHz\n",
                totals.noisyLessons);
    std::printf("  corpus cached in %s (%d lessons made this run)\n", qPrintable(totals.cacheDir),
                totals.madeLessons);
    // Other work on the machine stretches the wall-clock times; processor time stays put.
    if (!totals.loadAverage.isEmpty())
        std::printf("  load average %s on %d processors at the end of the run\n",
                    qPrintable(totals.loadAverage), QThread::idealThreadCount());
    std::printf("\n");
    std::printf("                          clean   boundary error (ms)    per audio minute (ms)  "
                "real-time\n");
    std::printf("                                  median     p95   worst       time  processor  "
                "   factor\n");
    for (const Contender& contender : std::as_const(contenders)) {
        std::printf("  %-22s %5.1f%%  %6.0f  %6.0f  %6.0f  %9.1f  %9.1f  %9.5f\n", contender.label,
                    contender.score.cleanShare() * 100, contender.score.errorMs(0.5),
                    contender.score.errorMs(0.95), contender.score.worstMs(),
                    contender.seconds * 1000 / minutes, contender.cpuSeconds * 1000 / minutes,
                    contender.seconds / totals.audioSeconds);
    }
    const Contender& ours = contenders[2];
    for (int base : {0, 1}) {
        const BoundaryScore& other = contenders[base].score;
        std::printf("  ours / %-15s         %6.2f  %6.2f  %6.2f  %9.2f\n",
                    base == 0 ? "(a)" : "(b)",
                    ours.score.errorMs(0.5) / std::max(other.errorMs(0.5), 1e-9),
                    ours.score.errorMs(0.95) / std::max(other.errorMs(0.95), 1e-9),
                    ours.score.worstMs() / std::max(other.worstMs(), 1e-9),
                    ours.seconds / std::max(contenders[base].seconds, 1e-9));
    }

    std::printf("\nwhy sentences were not clean    cut  early   late  other unaligned\n");
    for (const Contender& contender : std::as_const(contenders))
        printReasons(contender.label, contender.score);
    std::printf("  (cut: speech outside the clip; early/late: over %.0f ms before or after the "
                "speech;\n   other: a neighbour's, the announcement's or the exercise's speech "
                "inside the clip)\n",
                BoundaryScore::slack * 1000);

    std::printf("\nours by recording         clean   median     p95   worst\n");
    for (const auto& [condition, part] : ours.byCondition) {
        std::printf("  %-20s   %5.1f%%  %6.0f  %6.0f  %6.0f   (%d sentences)\n",
                    qPrintable(condition), part.cleanShare() * 100, part.errorMs(0.5),
                    part.errorMs(0.95), part.worstMs(), part.sentences());
    }

    std::printf(
        "\nours, worst lessons' worst sentences     truth (s)          found (s)    error\n");
    for (const Contender::Miss& miss : ours.worst) {
        std::printf("  %-16s sentence %3lld   %8.2f %8.2f   %8.2f %8.2f   %6.0f ms\n",
                    qPrintable(miss.lesson), miss.sentence, miss.truth.start, miss.truth.end,
                    miss.found.start, miss.found.end, miss.errorMs);
    }

    const double speed = totals.audioSeconds / std::max(ours.seconds, 1e-9);
    std::printf("\ntargets for ours\n");
    std::printf("  clean sentences          %6.1f %%   >= 99 %%     %s\n",
                ours.score.cleanShare() * 100, verdict(ours.score.cleanShare() >= 0.99));
    std::printf("  median boundary error    %6.0f ms  <= 30 ms     %s\n", ours.score.errorMs(0.5),
                verdict(ours.score.errorMs(0.5) <= 30));
    std::printf("  p95 boundary error       %6.0f ms  <= 100 ms    %s\n", ours.score.errorMs(0.95),
                verdict(ours.score.errorMs(0.95) <= 100));
    std::printf("  faster than real time    %6.0f x   >= 20 x      %s\n", speed,
                verdict(speed >= 20));
    if (!totals.memory) {
        std::printf("  peak memory, 30 min      not measured (run without --quick/--no-memory)\n");
    } else if (!peak.measured) {
        std::printf("  peak memory, 30 min      not measured: %s   MISSED\n",
                    qPrintable(peak.error));
    } else {
        std::printf("  peak memory, 30 min      %6.0f MB  <= 300 MB    %s\n", peak.peakMb,
                    verdict(peak.aligned && peak.peakMb <= 300));
        std::printf("\npeak memory of a child aligning %.1f min (%d sentences, %s in %.1f s):\n"
                    "  resident before aligning %.1f MB, peak while aligning %.1f MB (aligning "
                    "added %.1f MB),\n  peak over the child's life, decoding included %.1f MB\n",
                    peak.audioSeconds / 60, peak.sentences, peak.aligned ? "aligned" : "FAILED",
                    peak.alignSeconds, peak.beforeMb, peak.aligningPeakMb, peak.addedMb(),
                    peak.peakMb);
    }
    std::printf("\nnot counted above: decoding (decodeForAlignment) %.1f ms per audio minute;\n"
                "  the first alignment of the run, warm-up included, %.0f ms for %.1f s of audio\n",
                totals.decodeSeconds * 1000 / minutes, totals.startSeconds * 1000,
                totals.startAudioSeconds);
}

void AlignmentReport::printCorpus(const QString& name, bool swapped, double audioSeconds,
                                  const QList<Contender>& contenders)
{
    const double minutes = std::max(audioSeconds / 60, 1e-9);
    if (swapped) {
        std::printf("%-8s %5.1f min  %-20s refused %d of %d texts that are not the "
                    "recording's (target >= 95%%)\n",
                    qPrintable(name), minutes, contenders[2].label, contenders[2].refused,
                    contenders[2].recordings);
        return;
    }
    std::printf("%-8s %5.1f min                  clean  median   p95   worst  flagged: clean "
                "unclean  refused  ms/min  x real time\n",
                qPrintable(name), minutes);
    for (const Contender& contender : contenders) {
        const BoundaryScore& score = contender.score;
        std::printf("  %-30s %5.1f%% %6.0f %6.0f %7.0f       %5.1f%% %5.1f%%   %3d/%-3d %6.0f "
                    "%8.1f\n",
                    contender.label, score.cleanShare() * 100, score.errorMs(0.5),
                    score.errorMs(0.95), score.worstMs(),
                    100.0 * score.flaggedClean / std::max(1, score.clean()),
                    100.0 * score.flaggedUnclean / std::max(1, score.unclean()), contender.refused,
                    contender.recordings, contender.seconds * 1000 / minutes,
                    audioSeconds / std::max(contender.seconds, 1e-9));
    }
}
