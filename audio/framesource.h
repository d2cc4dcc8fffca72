#pragma once

#include "audio/timestretch.h"

#include <QIODevice>
#include <span>
#include <vector>

// What the audio sink pulls from: the frames [start, stop) of the decoded media, then silence.
// The silence keeps the output stream running until the last real frame has been heard, so
// stopping the sink then cuts nothing. Every piece handed out is remembered, which maps a
// count of frames the device has played back to a position in the media. At a speed other than
// 1 the media frames pass through a time stretch; the silence is never stretched.
class FrameSource : public QIODevice
{
    Q_OBJECT
public:
    explicit FrameSource(QObject* parent = nullptr);

    // Interleaved 16-bit stereo; must stay valid while the source is used.
    void setSamples(std::span<const qint16> samples);
    // Starts a new stream at startFrame that turns to silence at stopFrame.
    void begin(qint64 startFrame, qint64 stopFrame);
    // A stop moved past the point where the silence began resumes the media there.
    void setStopFrame(qint64 stopFrame);
    // After the stop, serve exactly silenceFrames of silence, then the frames [start, stop)
    // as part of the same stream: a pause that is exact to the frame whatever the output's
    // latency. Cleared by begin() and once the continuation starts.
    void setContinuation(qint64 silenceFrames, qint64 startFrame, qint64 stopFrame);
    void clearContinuation() { m_continuationSilence = -1; }
    bool hasContinuation() const { return m_continuationSilence >= 0; }

    // 0 to 100, a linear gain on every frame handed out from now on; 100 passes them unchanged.
    void setVolume(int volume) { m_volume = volume; }
    static void applyVolume(std::span<qint16> samples, int volume);
    // The tempo factor for the stretches begun from now on (by begin() or a continuation); 1
    // hands out the media frames themselves.
    void setSpeed(double speed, int sampleRate);
    // The highest media frame of the current stretch (since begin() or the continuation's
    // start) handed out, or fed to the time stretch; -1 if none.
    qint64 highestFedFrame() const { return m_highestFed; }

    qint64 stopFrame() const { return m_stop; }
    // The next media frame to hand out.
    qint64 cursor() const { return m_cursor; }
    // Frames handed out since begin(), silence included.
    qint64 streamFrames() const { return m_streamFrames; }
    // The stream frame at which the current silence began, -1 while media is being served.
    qint64 silenceStart() const;
    // The media position reached after the first streamFrame frames of the stream.
    qint64 mediaFrameAt(qint64 streamFrame) const;

    bool isSequential() const override { return true; }

signals:
    // The last media frame before the stop has just been handed out.
    void silenceStarted();
    // The continuation's first frame has just been handed out, at this stream frame.
    void continued(qint64 streamFrame);

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    struct Piece
    {
        qint64 streamFrame = 0;
        qint64 mediaFrame = 0;
        bool silent = false;
        double speed = 1.0;
    };

    void appendPiece(qint64 mediaFrame, bool silent);
    qint64 serveMedia(qint16* out, qint64 frames);

    std::span<const qint16> m_samples;
    std::vector<Piece> m_pieces;
    qint64 m_cursor = 0;
    qint64 m_stop = 0;
    qint64 m_streamFrames = 0;
    qint64 m_silentFrames = 0;
    qint64 m_continuationSilence = -1;
    qint64 m_continuationStart = 0;
    qint64 m_continuationStop = 0;
    int m_volume = 100;
    double m_speed = 1.0;
    int m_sampleRate = 44100;
    // The speed of the stretch being served, latched when it began.
    double m_runSpeed = 1.0;
    TimeStretch m_stretch;
    qint64 m_highestFed = -1;
};
