// The study window's shadowing: each sentence from the current one is played, the learner says
// it after it into the microphone, the take plays back, and the next sentence follows; the
// takes stay while the lesson is open and can be compared with their sentences by ear and by
// picture.
#include "align/pitchtracker.h"
#include "audio/decodedaudio.h"
#include "audio/soundfile.h"
#include "audio/timestretch.h"
#include "audio/voicerecorder.h"
#include "shadowing/shadowingpanel.h"
#include "shadowing/shadowingsession.h"
#include "shadowing/waveformcomparison.h"
#include "study/studywindow.h"
#include "study/toolbarbutton.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSaveFile>
#include <memory>

namespace {

const QKeySequence shadowKeys(Qt::Key_F7);
const QKeySequence compareKeys(Qt::SHIFT | Qt::Key_F7);

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

// The input hands its sound over in blocks, so a take stopped once long enough runs up to a
// block over; cut in place, it lasts exactly as long as the learner was given.
void cutTake(const QString& path, double seconds)
{
    QFile take(path);
    SoundFile reader;
    if (!take.open(QIODevice::ReadOnly) || !reader.openRead(&take)) {
        return;
    }
    const SF_INFO info = reader.info();
    const sf_count_t frames = std::llround(seconds * info.samplerate);
    if (frames >= info.frames) {
        return;
    }
    std::vector<short> samples(size_t(frames) * size_t(info.channels));
    const bool read = sf_readf_short(reader.handle(), samples.data(), frames) == frames;
    reader.close();
    take.close();
    // Written whole beside it first: a failure leaves the longer take, not a broken one.
    QSaveFile cut(path);
    SoundFile writer;
    const bool written =
        read && cut.open(QIODevice::WriteOnly) &&
        writer.openWrite(&cut, SF_FORMAT_WAV | SF_FORMAT_PCM_16, info.samplerate, info.channels) &&
        sf_writef_short(writer.handle(), samples.data(), frames) == frames && writer.close();
    if (written) {
        cut.commit();
    }
}

QString recorderProblem(VoiceRecorder::Error error)
{
    switch (error) {
    case VoiceRecorder::Error::NoInputDevice:
        return QStringLiteral("没有找到麦克风，无法录音。请接上麦克风后再试。");
    case VoiceRecorder::Error::CannotWrite:
        return QStringLiteral("无法写入跟读录音文件。");
    case VoiceRecorder::Error::NothingRecorded:
        return QStringLiteral("没有录到声音：麦克风没有送来任何声音。");
    default:
        return QStringLiteral("录音设备无法使用（可能正被其他程序占用，或声音服务已停止）。");
    }
}

} // namespace

void StudyWindow::buildShadowing(QMenu* practice)
{
    ShadowingSession::Devices devices;
    auto takePath = std::make_shared<QString>();
    devices.playOriginal = [this](int i) {
        if (!m_player.hasMedia() || !m_lists.hasUsableTimes(i)) {
            return false;
        }
        m_watchingSentence = false;
        m_player.setEndPosition(m_lists.endPosition(i));
        m_player.controls().setCurrentPosition(m_lists.startTime(i));
        m_player.controls().play();
        return true;
    };
    devices.heardSeconds = [this](int i) {
        const double end = m_lists.endPosition(i) < 0 ? recordingSeconds() : m_lists.endPosition(i);
        return std::max(0.0, end - m_lists.startTime(i)) / m_player.speed();
    };
    devices.startRecording = [this, takePath](const QString& path) {
        *takePath = path;
        if (!m_shadowingRecorder) {
            m_shadowingRecorder = std::make_unique<VoiceRecorder>();
        }
        return m_shadowingRecorder->start(path);
    };
    devices.recordedSeconds = [this] {
        const int rate = m_shadowingRecorder ? m_shadowingRecorder->format().sampleRate() : 0;
        return rate > 0 ? double(m_shadowingRecorder->recordedFrames()) / rate : 0.0;
    };
    devices.stopRecording = [this, takePath](double seconds) {
        if (!m_shadowingRecorder || !m_shadowingRecorder->stop()) {
            return false;
        }
        // A take that cannot be cut is still whole, only a little long: it is kept.
        cutTake(*takePath, seconds);
        return true;
    };
    devices.deviceError = [this] {
        return recorderProblem(m_shadowingRecorder ? m_shadowingRecorder->error()
                                                   : VoiceRecorder::Error::DeviceFailed);
    };
    devices.playTake = [this](const QString& path) {
        m_takePlayer.setUrl(path);
        if (!m_takePlayer.hasMedia()) {
            return false;
        }
        m_takePlayer.setEndPosition(-1);
        m_takePlayer.controls().setCurrentPosition(0);
        m_takePlayer.controls().play();
        return true;
    };
    devices.stopAll = [this] {
        m_player.controls().stop();
        m_takePlayer.controls().stop();
        // Dropping the recorder abandons a take still being recorded.
        if (m_shadowingRecorder && m_shadowingRecorder->isRecording()) {
            m_shadowingRecorder.reset();
        }
    };
    m_shadowing = std::make_unique<ShadowingSession>(std::move(devices));
    m_shadowing->setTakeFolder(m_paths.tempPath.isEmpty()
                                   ? QString()
                                   : QDir(m_paths.tempPath).filePath(QStringLiteral("shadowing")));
    connect(&m_player, &MediaPlayer::endReached, this, [this] {
        // The learner went to another sentence meanwhile (a click, a sentence button): what
        // ended is not the sentence being shadowed, and the learner has taken over.
        if (m_shadowing->step() == ShadowingSession::Step::PlayingOriginal &&
            m_currentSentence != m_shadowing->sentence()) {
            m_shadowing->stop();
            return;
        }
        m_shadowing->originalFinished();
    });
    connect(&m_player, &MediaPlayer::playStateChanged, this, [this](MediaPlayer::PlayState state) {
        // A sentence played while the learner speaks or listens to the take would spoil both.
        const ShadowingSession::Step step = m_shadowing->step();
        if (state == MediaPlayer::Playing && (step == ShadowingSession::Step::Recording ||
                                              step == ShadowingSession::Step::PlayingTake)) {
            m_shadowing->stop();
        }
    });
    // Queued: the window's own report of the lost output comes first, and is the one shown.
    connect(&m_player, &MediaPlayer::outputFailed, m_shadowing.get(),
            &ShadowingSession::playbackFailed, Qt::QueuedConnection);
    connect(&m_takePlayer, &MediaPlayer::endReached, m_shadowing.get(),
            &ShadowingSession::takeFinished);
    connect(&m_takePlayer, &MediaPlayer::outputFailed, m_shadowing.get(),
            &ShadowingSession::playbackFailed);
    connect(m_shadowing.get(), &ShadowingSession::stepChanged, this,
            [this](ShadowingSession::Step, int i) { shadowingStepChanged(i); });
    connect(m_shadowing.get(), &ShadowingSession::takeRecorded, this,
            [this](int i) { showComparison(i); });
    connect(m_shadowing.get(), &ShadowingSession::finished, this, &StudyWindow::shadowingEnded);
    connect(m_shadowing.get(), &ShadowingSession::failed, this,
            [this](ShadowingSession::Failure failure, const QString& message) {
                if (m_shadowingPanel) {
                    m_shadowingPanel->setStatus(message, true);
                }
                // A lost output is told once per outage by the lesson player's own report.
                const bool toldAlready = failure == ShadowingSession::Failure::Output &&
                                         m_outputFailureReported &&
                                         m_player.playState() != MediaPlayer::Playing;
                if (!toldAlready) {
                    m_prompts.notify(message);
                }
            });

    practice->addSeparator();
    QAction* shadow = practice->addAction(QStringLiteral("跟读"));
    shadow->setObjectName(QStringLiteral("跟读"));
    shadow->setShortcut(shadowKeys);
    shadow->setToolTip(QStringLiteral("从当前句开始逐句跟读：听一句，跟着说，再听自己的录音；"
                                      "再按一次停止（F7）"));
    connect(shadow, &QAction::triggered, this, &StudyWindow::toggleShadowing);
    QAction* compare = practice->addAction(QStringLiteral("对比"));
    compare->setObjectName(QStringLiteral("对比"));
    compare->setShortcut(compareKeys);
    compare->setToolTip(QStringLiteral("先听当前句的原声，再听自己的跟读（Shift+F7）"));
    connect(compare, &QAction::triggered, this, &StudyWindow::compareTake);
    practice->setToolTipsVisible(true);
}

void StudyWindow::toggleShadowing()
{
    if (m_shadowing->isActive() && m_shadowing->mode() == ShadowingSession::Mode::Shadowing) {
        m_shadowing->stop();
        return;
    }
    if (m_lessonBook <= 0 || m_lists.count() == 0) {
        m_prompts.notify(QStringLiteral("请先在左边选择一课，再开始跟读。"));
        return;
    }
    if (!m_player.hasMedia()) {
        m_prompts.notify(QStringLiteral("本课录音无法打开，不能跟读。"));
        return;
    }
    QList<int> queue;
    for (int i = std::max(0, m_currentSentence); i < m_lists.count(); ++i) {
        if (m_lists.isReadable(i, recordingSeconds())) {
            queue.append(i);
        }
    }
    // A reading or repeats would play between the steps.
    stopPlaying();
    if (!m_shadowingPanel) {
        m_shadowingPanel = new ShadowingPanel(this);
        connect(m_shadowingPanel, &ShadowingPanel::compareRequested, this,
                &StudyWindow::compareTake);
        connect(m_shadowingPanel, &ShadowingPanel::stopRequested, this,
                [this] { m_shadowing->stop(); });
        connect(m_shadowingPanel, &ShadowingPanel::studyWindowHidden, this,
                [this] { m_shadowing->stop(); });
        m_shadowingPanel->move(geometry().right() - m_shadowingPanel->width() - 40,
                               geometry().top() + 120);
    }
    m_shadowingPanel->show();
    m_shadowingPanel->raise();
    if (m_shadowing->start(queue)) {
        m_toolbar[StopReading]->setActionEnabled(true);
    }
}

void StudyWindow::compareTake()
{
    if (m_shadowing->isActive()) {
        m_shadowing->stop();
    }
    if (m_shadowingPanel) {
        m_shadowingPanel->show();
    }
    if (m_shadowing->compare(m_currentSentence)) {
        m_toolbar[StopReading]->setActionEnabled(true);
    }
}

void StudyWindow::shadowingStepChanged(int sentence)
{
    using Step = ShadowingSession::Step;
    const Step step = m_shadowing->step();
    if (step == Step::PlayingOriginal && sentence != m_currentSentence) {
        // Marked as a reading marks it, and the current sentence from now on.
        m_currentSentence = sentence;
        refreshSentenceDisplay();
    }
    if (!m_shadowingPanel) {
        return;
    }
    if (step == Step::PlayingOriginal && sentence >= 0) {
        m_shadowingPanel->setSentence(m_lists.sentence(sentence));
        showComparison(sentence);
    }
    const bool comparing = m_shadowing->mode() == ShadowingSession::Mode::Comparing;
    switch (step) {
    case Step::PlayingOriginal:
        m_shadowingPanel->setStatus(comparing ? QStringLiteral("对比：先听原声……")
                                              : QStringLiteral("听原声……"));
        break;
    case Step::Recording:
        m_shadowingPanel->setStatus(QStringLiteral("请跟着说！正在录音……"));
        break;
    case Step::PlayingTake:
        m_shadowingPanel->setStatus(comparing ? QStringLiteral("对比：再听你的跟读……")
                                              : QStringLiteral("听你的跟读……"));
        break;
    case Step::Idle:
        m_shadowingPanel->setStatus(m_shadowing->hasTake(m_currentSentence)
                                        ? QStringLiteral("已停止。按“对比”可以再听一遍。")
                                        : QStringLiteral("已停止。"));
        break;
    }
}

void StudyWindow::shadowingEnded()
{
    if (!m_readingLesson && !m_repeatingClicked) {
        m_toolbar[StopReading]->setActionEnabled(false);
    }
    if (m_shadowingPanel) {
        m_shadowingPanel->setCompareEnabled(m_shadowing->hasTake(m_currentSentence));
    }
}

// The original as the learner heard it, at the chosen speed, so that the two share a time
// scale; the take as it was recorded. The frames are copied here, the rest is worked out
// on a worker thread.
void StudyWindow::showComparison(int sentence)
{
    if (!m_shadowingPanel || sentence < 0 || sentence >= m_lists.count() || !m_player.hasMedia()) {
        return;
    }
    const int rate = m_player.sampleRate();
    const qint64 first = MediaPlayer::startFrame(m_lists.startTime(sentence), rate);
    const qint64 stop = m_lists.endPosition(sentence) < 0
                            ? m_player.frameCount()
                            : MediaPlayer::stopFrame(m_lists.endPosition(sentence), rate);
    auto original = [frames = m_player.heardFrames(first, stop), speed = m_player.speed(), rate] {
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
    auto take = [path = m_shadowing->takeFile(sentence)] {
        const DecodedAudio sound = DecodedAudio::fromFile(path);
        return sound.isEmpty() ? WaveformComparison::Track{}
                               : trackOf(toMono(sound.samples()), sound.sampleRate());
    };
    m_shadowingPanel->showComparison(std::move(original), std::move(take));
    m_shadowingPanel->setCompareEnabled(m_shadowing->hasTake(sentence));
}

void StudyWindow::dropShadowingTakes()
{
    m_shadowing->clearTakes();
    if (m_shadowingPanel) {
        m_shadowingPanel->hide();
        m_shadowingPanel->clearComparison();
        m_shadowingPanel->setCompareEnabled(false);
    }
}
