#include "bench/sentence_playback/playbackside.h"

#include "bench/sentence_playback/heardstretch.h"
#include "bench/sentence_playback/processcpu.h"
#include "bench/sentence_playback/sourceframes.h"
#include "bench/sentence_playback/timedcapture.h"

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

using Clock = TimedCapture::Clock;

// The CPU of a sentence is counted from the click until this long after it ended, so work a
// player does after stopping is charged to it too.
constexpr int tailMs = 150;
// From one sentence's end to the next click: longer than any output latency, so nothing of one
// sentence reaches the monitor after the next click.
constexpr int gapMs = 500;
// A sentence that has not ended this long after its own length has stalled.
constexpr int graceMs = 3000;

void waitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

bool PlaybackSide::run(const std::vector<Sentence>& sentences, const SourceFrames& source)
{
    m_outcomes.clear();
    TimedCapture capture;
    if (!capture.start()) {
        m_error = capture.errorString();
        return false;
    }
    std::fprintf(stderr, "%s: playing %zu sentences\n", qPrintable(m_name), sentences.size());
    waitMs(500);

    std::vector<Clock::time_point> clicks;
    for (const Sentence& s : sentences) {
        QEventLoop loop;
        bool ended = false;
        QObject context;
        m_driver.onEnded(&context, [&] {
            ended = true;
            loop.quit();
        });
        QTimer::singleShot(int((s.end - s.start) / m_speed * 1000) + graceMs, &loop,
                           &QEventLoop::quit);

        Outcome outcome;
        const qint64 cpuBefore = ProcessCpu::processNs();
        const qint64 captureBefore = capture.capturingCpuNs();
        clicks.push_back(Clock::now());
        m_driver.play(s);
        if (!ended)
            loop.exec();
        outcome.endedByItself = ended;
        if (!ended) {
            std::fprintf(stderr, "%s: sentence %zu did not end within %d ms of its end time\n",
                         qPrintable(m_name), m_outcomes.size() + 1, graceMs);
            m_driver.recover();
        }
        waitMs(tailMs);
        outcome.cpuNs =
            ProcessCpu::processNs() - cpuBefore - (capture.capturingCpuNs() - captureBefore);
        m_outcomes.push_back(outcome);
        waitMs(gapMs - tailMs);
    }

    const std::vector<quint32> recording = SourceFrames::pack(capture.stop());
    const auto total = qint64(recording.size());
    for (size_t i = 0; i < sentences.size(); ++i) {
        const double click = capture.frameAt(clicks[i]);
        const qint64 from = std::clamp<qint64>(qint64(std::ceil(click)), 0, total);
        const qint64 to =
            i + 1 < clicks.size()
                ? std::clamp<qint64>(qint64(std::ceil(capture.frameAt(clicks[i + 1]))), from, total)
                : total;
        const auto stretch = std::span(recording).subspan(size_t(from), size_t(to - from));
        Outcome& o = m_outcomes[i];
        if (m_speed != 1.0) {
            // The noise lesson has no silent frame, so the first that sounds is the first heard.
            const auto sound = std::find_if(stretch.begin(), stretch.end(),
                                            [](quint32 frame) { return frame != 0; });
            o.heard = sound != stretch.end();
            o.pieces = o.heard ? 1 : 0;
            if (o.heard)
                o.firstSoundMs = (double(from + (sound - stretch.begin())) - click) * 1000.0 /
                                 TimedCapture::sampleRate;
            continue;
        }
        const HeardStretch heard = HeardStretch::analyse(stretch, source);

        o.heard = heard.heardAnything();
        o.pieces = int(heard.runs().size());
        o.foreignFrames = heard.unmatchedFrames();
        if (!o.heard)
            continue;
        o.startError = heard.firstSourceFrame() - sentences[i].startFrame;
        o.stopOvershoot = heard.sourceEnd() - sentences[i].stopFrame;
        o.firstSoundMs = (double(from + heard.firstRecordingFrame()) - click) * 1000.0 /
                         TimedCapture::sampleRate;
        qint64 heardFrames = 0;
        for (const HeardStretch::Run& r : heard.runs())
            heardFrames += r.frames;
        o.missingFrames =
            std::max<qint64>(0, heard.sourceEnd() - heard.firstSourceFrame() - heardFrames);
    }
    return true;
}

double PlaybackSide::cpuMsPerSecond(const std::vector<Sentence>& sentences) const
{
    qint64 cpuNs = 0;
    double seconds = 0;
    for (size_t i = 0; i < m_outcomes.size(); ++i) {
        if (!m_outcomes[i].endedByItself)
            continue;
        cpuNs += m_outcomes[i].cpuNs;
        seconds += double(sentences[i].stopFrame - sentences[i].startFrame) /
                   TimedCapture::sampleRate / m_speed;
    }
    return seconds > 0 ? double(cpuNs) / 1e6 / seconds : 0;
}
