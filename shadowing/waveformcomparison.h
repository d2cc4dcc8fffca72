#pragma once

#include <QWidget>
#include <utility>
#include <vector>

// Two recordings drawn one above the other on one time scale, the sentence as the learner heard
// it above and the learner's take below, with a time axis in seconds: where the take runs
// longer, starts late or stays flat shows at a glance. Pitch, when given, is drawn over each.
class WaveformComparison : public QWidget
{
    Q_OBJECT
public:
    struct Track
    {
        std::vector<float> samples; // mono, -1 to 1
        int sampleRate = 0;
        std::vector<float> pitch; // Hz per pitchStep seconds, 0 where unvoiced; may be empty
        double pitchStep = 0.01;
        double seconds() const { return sampleRate > 0 ? double(samples.size()) / sampleRate : 0; }
    };

    explicit WaveformComparison(QWidget* parent = nullptr);

    void setOriginal(Track track);
    void setTake(Track track);
    void clear();
    const Track& original() const { return m_original; }
    const Track& take() const { return m_take; }
    // The time the picture spans: the longer of the two.
    double spanSeconds() const;

    QSize sizeHint() const override { return {640, 240}; }
    QSize minimumSizeHint() const override { return {320, 160}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintLane(QPainter& painter, const QRect& lane, const Track& track, const QString& label,
                   const QColor& color) const;
    void paintPitch(QPainter& painter, const QRect& lane, const Track& track) const;
    void paintAxis(QPainter& painter, const QRect& plot) const;
    // The pitch band drawn, in Hz; {0, 0} when neither track has pitch.
    std::pair<float, float> pitchRange() const;

    Track m_original;
    Track m_take;
};
