#include "shadowing/shadowingdevices.h"

#include "audio/mediaplayer.h"
#include "audio/soundfile.h"
#include "audio/voicerecorder.h"
#include "reading/lessonreading.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <cmath>

namespace {

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

} // namespace

ShadowingDevices::ShadowingDevices(MediaPlayer& lessonPlayer, MediaPlayer& takePlayer,
                                   LessonReading& reading)
    : m_lessonPlayer(lessonPlayer), m_takePlayer(takePlayer), m_reading(reading)
{}

ShadowingDevices::~ShadowingDevices() = default;

bool ShadowingDevices::playOriginal(int sentence)
{
    const SentenceTable& table = m_reading.table();
    if (!m_lessonPlayer.hasMedia() || !table.hasUsableTimes(sentence)) {
        return false;
    }
    m_reading.stopWatching();
    m_lessonPlayer.setEndPosition(table.endPosition(sentence));
    m_lessonPlayer.controls().setCurrentPosition(table.startTime(sentence));
    m_lessonPlayer.controls().play();
    return true;
}

double ShadowingDevices::heardSeconds(int sentence) const
{
    const SentenceTable& table = m_reading.table();
    const double length = m_lessonPlayer.sampleRate() > 0
                              ? double(m_lessonPlayer.frameCount()) / m_lessonPlayer.sampleRate()
                              : 0.0;
    const double end = table.endPosition(sentence) < 0 ? length : table.endPosition(sentence);
    return std::max(0.0, end - table.startTime(sentence)) / m_lessonPlayer.speed();
}

bool ShadowingDevices::startRecording(const QString& path)
{
    m_takePath = path;
    if (!m_recorder) {
        m_recorder = std::make_unique<VoiceRecorder>();
    }
    return m_recorder->start(path);
}

double ShadowingDevices::recordedSeconds() const
{
    const int rate = m_recorder ? m_recorder->format().sampleRate() : 0;
    return rate > 0 ? double(m_recorder->recordedFrames()) / rate : 0.0;
}

bool ShadowingDevices::stopRecording(double seconds)
{
    if (!m_recorder || !m_recorder->stop()) {
        return false;
    }
    // A take that cannot be cut is still whole, only a little long: it is kept.
    cutTake(m_takePath, seconds);
    return true;
}

bool ShadowingDevices::playTake(const QString& path)
{
    m_takePlayer.setUrl(path);
    if (!m_takePlayer.hasMedia()) {
        return false;
    }
    m_takePlayer.setEndPosition(-1);
    m_takePlayer.controls().setCurrentPosition(0);
    m_takePlayer.controls().play();
    return true;
}

void ShadowingDevices::stopAll()
{
    m_lessonPlayer.controls().stop();
    m_takePlayer.controls().stop();
    // Dropping the recorder abandons a take still being recorded.
    if (m_recorder && m_recorder->isRecording()) {
        m_recorder.reset();
    }
}

QString ShadowingDevices::deviceError() const
{
    switch (m_recorder ? m_recorder->error() : VoiceRecorder::Error::DeviceFailed) {
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

ShadowingSession::Devices ShadowingDevices::forSession()
{
    ShadowingSession::Devices devices;
    devices.playOriginal = [this](int i) { return playOriginal(i); };
    devices.heardSeconds = [this](int i) { return heardSeconds(i); };
    devices.startRecording = [this](const QString& path) { return startRecording(path); };
    devices.recordedSeconds = [this] { return recordedSeconds(); };
    devices.stopRecording = [this](double seconds) { return stopRecording(seconds); };
    devices.playTake = [this](const QString& path) { return playTake(path); };
    devices.stopAll = [this] { stopAll(); };
    devices.deviceError = [this] { return deviceError(); };
    return devices;
}
