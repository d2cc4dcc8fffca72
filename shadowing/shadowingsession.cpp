#include "shadowing/shadowingsession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>

ShadowingSession::ShadowingSession(Devices devices, QObject* parent)
    : QObject(parent), m_devices(std::move(devices))
{
    // Polled rather than timed: the take must hold the sentence's length of sound, and the
    // device starts delivering some tens of milliseconds after it was asked to.
    m_poll.setInterval(10);
    connect(&m_poll, &QTimer::timeout, this, &ShadowingSession::pollRecording);
}

ShadowingSession::~ShadowingSession()
{
    m_poll.stop();
}

void ShadowingSession::setTakeFolder(const QString& folder)
{
    m_folder = folder;
}

bool ShadowingSession::start(const QList<int>& sentences)
{
    stop();
    if (sentences.isEmpty()) {
        fail(Failure::CannotStart, QStringLiteral("本课没有可以跟读的句子。"));
        return false;
    }
    const QFileInfo folder(m_folder);
    if (m_folder.isEmpty() || !QDir().mkpath(m_folder) || !folder.isWritable()) {
        fail(Failure::CannotStart,
             QStringLiteral("无法在临时文件夹中保存跟读录音，跟读没有开始。"));
        return false;
    }
    m_queue = sentences;
    m_current = 0;
    m_mode = Mode::Shadowing;
    playOriginal();
    return m_step != Step::Idle;
}

bool ShadowingSession::compare(int sentence)
{
    stop();
    if (!hasTake(sentence)) {
        fail(Failure::CannotStart, QStringLiteral("这一句还没有跟读录音。请先用“跟读”录一遍。"));
        return false;
    }
    m_queue = {sentence};
    m_current = 0;
    m_mode = Mode::Comparing;
    playOriginal();
    return m_step != Step::Idle;
}

void ShadowingSession::stop()
{
    if (m_step == Step::Idle) {
        return;
    }
    // A take cut short is dropped by the recorder; the sentence's last whole take stays.
    end();
}

void ShadowingSession::clearTakes()
{
    stop();
    for (const QString& path : std::as_const(m_takes)) {
        QFile::remove(path);
    }
    m_takes.clear();
    if (!m_folder.isEmpty()) {
        QDir(m_folder).rmdir(m_folder);
    }
}

void ShadowingSession::originalFinished()
{
    if (m_step != Step::PlayingOriginal) {
        return;
    }
    if (m_mode == Mode::Comparing) {
        playTake();
    } else {
        startRecording();
    }
}

void ShadowingSession::takeFinished()
{
    if (m_step != Step::PlayingTake) {
        return;
    }
    if (m_mode == Mode::Comparing) {
        end();
    } else {
        next();
    }
}

void ShadowingSession::playbackFailed()
{
    if (m_step == Step::PlayingOriginal || m_step == Step::PlayingTake) {
        fail(Failure::Output,
             QStringLiteral("无法播放声音：没有可用的音频输出设备，或声音服务已停止。"
                            "跟读已停止。"));
    }
}

bool ShadowingSession::enter(Step step)
{
    m_step = step;
    emit stepChanged(step, sentence());
    return m_step == step;
}

void ShadowingSession::playOriginal()
{
    // Whoever hears of the step may stop the session there and then.
    if (!enter(Step::PlayingOriginal)) {
        return;
    }
    if (!m_devices.playOriginal(sentence())) {
        fail(Failure::CannotStart, QStringLiteral("这一句无法播放，跟读已停止。"));
    }
}

void ShadowingSession::startRecording()
{
    m_recordSeconds = std::max(0.0, m_devices.heardSeconds(sentence())) + extraSeconds;
    if (!enter(Step::Recording)) {
        return;
    }
    if (!m_devices.startRecording(pathFor(sentence()))) {
        fail(Failure::Recording, m_devices.deviceError() + QStringLiteral("跟读已停止。"));
        return;
    }
    m_recordClock.start();
    m_poll.start();
}

void ShadowingSession::pollRecording()
{
    if (m_step != Step::Recording) {
        m_poll.stop();
        return;
    }
    const bool longEnough = m_devices.recordedSeconds() >= m_recordSeconds;
    const bool stalled = m_recordClock.elapsed() > std::lround(m_recordSeconds * 1000) + stallMs;
    if (longEnough || stalled) {
        finishRecording();
    }
}

void ShadowingSession::finishRecording()
{
    m_poll.stop();
    const int i = sentence();
    if (!m_devices.stopRecording(m_recordSeconds)) {
        fail(Failure::Recording, m_devices.deviceError() + QStringLiteral("跟读已停止。"));
        return;
    }
    m_takes.insert(i, pathFor(i));
    emit takeRecorded(i, pathFor(i));
    playTake();
}

void ShadowingSession::playTake()
{
    if (!enter(Step::PlayingTake)) {
        return;
    }
    if (!m_devices.playTake(takeFile(sentence()))) {
        fail(Failure::Recording, QStringLiteral("跟读录音无法播放，跟读已停止。"));
    }
}

void ShadowingSession::next()
{
    if (m_hold && m_mode == Mode::Shadowing) {
        playOriginal();
        return;
    }
    if (++m_current >= m_queue.size()) {
        end();
        return;
    }
    playOriginal();
}

void ShadowingSession::end()
{
    m_poll.stop();
    // Idle first: stopping the devices may report back, and those reports must find nothing
    // left to do.
    const int last = sentence();
    m_step = Step::Idle;
    m_devices.stopAll();
    emit stepChanged(Step::Idle, last);
    emit finished();
}

void ShadowingSession::fail(Failure failure, const QString& message)
{
    if (m_step != Step::Idle) {
        m_poll.stop();
        const int last = sentence();
        m_step = Step::Idle;
        m_devices.stopAll();
        emit stepChanged(Step::Idle, last);
        emit failed(failure, message);
        emit finished();
        return;
    }
    emit failed(failure, message);
}

QString ShadowingSession::pathFor(int sentence) const
{
    return QDir(m_folder).filePath(QStringLiteral("take-%1.wav").arg(sentence));
}
