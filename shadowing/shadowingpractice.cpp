#include "shadowing/shadowingpractice.h"

#include "align/pitchtracker.h"
#include "audio/decodedaudio.h"
#include "audio/timestretch.h"
#include "reading/lessonreading.h"
#include "shadowing/shadowingpanel.h"

#include <QWidget>

namespace {

std::vector<float> toMono(std::span<const qint16> stereo)
{
    std::vector<float> mono(stereo.size() / 2);
    for (size_t i = 0; i < mono.size(); ++i) {
        mono[i] = (float(stereo[2 * i]) + float(stereo[2 * i + 1])) / 65536.0F;
    }
    return mono;
}

WaveformComparison::Track trackOf(std::vector<float> mono, int rate)
{
    WaveformComparison::Track track;
    track.pitch = PitchTracker::track(mono, rate);
    track.pitchStep = PitchTracker::stepSeconds;
    track.samples = std::move(mono);
    track.sampleRate = rate;
    return track;
}

} // namespace

ShadowingPractice::ShadowingPractice(MediaPlayer& lessonPlayer, LessonReading& reading,
                                     QWidget* host, const QString& takeFolder,
                                     std::function<void(const QString&)> notify)
    : m_lessonPlayer(lessonPlayer), m_reading(reading), m_host(host), m_notify(std::move(notify)),
      m_devices(lessonPlayer, m_takePlayer, reading), m_session(m_devices.forSession())
{
    m_session.setTakeFolder(takeFolder);
    connect(&m_lessonPlayer, &MediaPlayer::endReached, this, [this] {
        // The learner went to another sentence meanwhile (a click, a sentence button): what
        // ended is not the sentence being shadowed, and the learner has taken over.
        if (m_session.step() == ShadowingSession::Step::PlayingOriginal &&
            m_reading.current() != m_session.sentence()) {
            m_session.stop();
            return;
        }
        m_session.originalFinished();
    });
    connect(&m_lessonPlayer, &MediaPlayer::playStateChanged, this,
            [this](MediaPlayer::PlayState state) {
                // A sentence played while the learner speaks or listens to the take would
                // spoil both.
                const ShadowingSession::Step step = m_session.step();
                if (state == MediaPlayer::Playing &&
                    (step == ShadowingSession::Step::Recording ||
                     step == ShadowingSession::Step::PlayingTake)) {
                    m_session.stop();
                }
            });
    // Queued: the window's own report of the lost output comes first, and is the one shown.
    connect(&m_lessonPlayer, &MediaPlayer::outputFailed, &m_session,
            &ShadowingSession::playbackFailed, Qt::QueuedConnection);
    connect(&m_takePlayer, &MediaPlayer::endReached, &m_session, &ShadowingSession::takeFinished);
    connect(&m_takePlayer, &MediaPlayer::outputFailed, &m_session,
            &ShadowingSession::playbackFailed);
    connect(&m_session, &ShadowingSession::stepChanged, this,
            [this](ShadowingSession::Step, int i) { stepChanged(i); });
    connect(&m_session, &ShadowingSession::takeRecorded, this,
            [this](int i) { showComparison(i); });
    connect(&m_session, &ShadowingSession::finished, this, [this] {
        hidePanel();
        emit ended();
    });
    connect(&m_session, &ShadowingSession::failed, this, &ShadowingPractice::failed);
}

ShadowingPractice::~ShadowingPractice()
{
    // The panel is a window of its own: left to QWidget's destructor, it would be hidden only
    // after the session is gone, and its hiding stops the session.
    delete m_panel;
}

ShadowingPanel* ShadowingPractice::panel() const
{
    return m_panel;
}

void ShadowingPractice::toggle()
{
    if (m_session.isActive() && m_session.mode() == ShadowingSession::Mode::Shadowing) {
        m_session.stop();
        return;
    }
    const SentenceTable& table = m_reading.table();
    if (table.count() == 0) {
        m_notify(QStringLiteral("请先在左边选择一课，再开始跟读。"));
        return;
    }
    if (!m_lessonPlayer.hasMedia()) {
        m_notify(QStringLiteral("本课录音无法打开，不能跟读。"));
        return;
    }
    const double length = m_lessonPlayer.sampleRate() > 0
                              ? double(m_lessonPlayer.frameCount()) / m_lessonPlayer.sampleRate()
                              : 0.0;
    QList<int> queue;
    for (int i = std::max(0, m_reading.current()); i < table.count(); ++i) {
        if (table.isReadable(i, length)) {
            queue.append(i);
        }
    }
    // A reading or repeats would play between the steps.
    if (m_session.isActive()) {
        m_session.stop();
    } else {
        m_reading.stop();
    }
    showPanel();
    if (m_session.start(queue)) {
        emit started();
    } else {
        hidePanel();
    }
}

void ShadowingPractice::compare()
{
    if (m_session.isActive()) {
        m_session.stop();
    }
    // Without a take there is nothing to picture: the session says so, and no panel opens.
    if (m_session.hasTake(m_reading.current())) {
        showPanel();
    }
    if (m_session.compare(m_reading.current())) {
        emit started();
    }
}

void ShadowingPractice::setHoldSentence(bool hold)
{
    if (hold == m_session.holdsSentence()) {
        return;
    }
    m_session.setHoldSentence(hold);
    if (m_panel) {
        m_panel->setHoldSentence(hold);
    }
    emit holdSentenceChanged(hold);
}

void ShadowingPractice::dropTakes()
{
    m_session.clearTakes();
    hidePanel();
    if (m_panel) {
        m_panel->clearComparison();
        m_panel->setCompareEnabled(false);
    }
}

void ShadowingPractice::showPanel()
{
    if (!m_panel) {
        m_panel = new ShadowingPanel(m_host);
        m_panel->setHoldSentence(m_session.holdsSentence());
        connect(m_panel, &ShadowingPanel::compareRequested, this, &ShadowingPractice::compare);
        connect(m_panel, &ShadowingPanel::stopRequested, this, [this] { m_session.stop(); });
        connect(m_panel, &ShadowingPanel::closeRequested, this, [this] {
            m_session.stop();
            hidePanel();
        });
        connect(m_panel, &ShadowingPanel::holdSentenceToggled, this,
                &ShadowingPractice::setHoldSentence);
        connect(m_panel, &ShadowingPanel::studyWindowHidden, this, [this] { m_session.stop(); });
        connect(m_panel, &ShadowingPanel::visibilityChanged, this,
                &ShadowingPractice::panelVisibilityChanged);
    }
    m_panel->show();
    m_panel->raise();
}

void ShadowingPractice::hidePanel()
{
    if (m_panel) {
        m_panel->hide();
    }
}

void ShadowingPractice::stepChanged(int sentence)
{
    using Step = ShadowingSession::Step;
    const Step step = m_session.step();
    if (step == Step::PlayingOriginal && sentence != m_reading.current()) {
        // Marked as a reading marks it, and the current sentence from now on.
        emit sentenceReached(sentence);
    }
    if (!m_panel) {
        return;
    }
    if (step == Step::PlayingOriginal && sentence >= 0) {
        m_panel->setSentence(m_reading.table().sentence(sentence));
        showComparison(sentence);
    }
    const bool comparing = m_session.mode() == ShadowingSession::Mode::Comparing;
    switch (step) {
    case Step::PlayingOriginal:
        m_panel->setStatus(comparing ? QStringLiteral("对比：先听原声……")
                                     : QStringLiteral("听原声……"));
        break;
    case Step::Recording:
        m_panel->setStatus(QStringLiteral("请跟着说！正在录音……"));
        break;
    case Step::PlayingTake:
        m_panel->setStatus(comparing ? QStringLiteral("对比：再听你的跟读……")
                                     : QStringLiteral("听你的跟读……"));
        break;
    case Step::Idle:
        m_panel->setStatus(m_session.hasTake(m_reading.current())
                               ? QStringLiteral("已停止。按“对比”可以再听一遍。")
                               : QStringLiteral("已停止。"));
        break;
    }
}

// The original as the learner heard it, at the chosen speed, so that the two share a time
// scale; the take as it was recorded. The frames are copied here, the rest is worked out
// on a worker thread.
void ShadowingPractice::showComparison(int sentence)
{
    const SentenceTable& table = m_reading.table();
    if (!m_panel || sentence < 0 || sentence >= table.count() || !m_lessonPlayer.hasMedia()) {
        return;
    }
    const int rate = m_lessonPlayer.sampleRate();
    const qint64 first = MediaPlayer::startFrame(table.startTime(sentence), rate);
    const qint64 stop = table.endPosition(sentence) < 0
                            ? m_lessonPlayer.frameCount()
                            : MediaPlayer::stopFrame(table.endPosition(sentence), rate);
    auto original = [frames = m_lessonPlayer.heardFrames(first, stop),
                     speed = m_lessonPlayer.speed(), rate] {
        if (speed == 1.0) {
            return trackOf(toMono(frames), rate);
        }
        std::vector<qint16> heard;
        TimeStretch stretch;
        stretch.begin(speed, rate, 0);
        qint64 cursor = 0;
        std::vector<qint16> block(2 * 4096);
        for (qint64 got = 1; got > 0;) {
            got = stretch.read(frames, cursor, qint64(frames.size() / 2), block.data(), 4096);
            heard.insert(heard.end(), block.begin(), block.begin() + got * 2);
        }
        return trackOf(toMono(heard), rate);
    };
    auto take = [path = m_session.takeFile(sentence)] {
        const DecodedAudio sound = DecodedAudio::fromFile(path);
        return sound.isEmpty() ? WaveformComparison::Track{}
                               : trackOf(toMono(sound.samples()), sound.sampleRate());
    };
    m_panel->showComparison(std::move(original), std::move(take));
    m_panel->setCompareEnabled(m_session.hasTake(sentence));
}

void ShadowingPractice::failed(ShadowingSession::Failure failure, const QString& message)
{
    if (m_panel) {
        m_panel->setStatus(message, true);
    }
    // A lost output is told once per outage by the lesson player's own report.
    const bool toldAlready = failure == ShadowingSession::Failure::Output &&
                             m_reading.hasReportedOutputLoss() &&
                             m_lessonPlayer.playState() != MediaPlayer::Playing;
    if (!toldAlready) {
        m_notify(message);
    }
}
