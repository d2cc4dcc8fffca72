#include "waveformcomparison.h"

#include "designgeometry.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

const QColor originalColor(31, 95, 168);
const QColor takeColor(200, 95, 20);
const QColor pitchColor(20, 140, 60);
constexpr int labelWidth = 74;
constexpr int axisHeight = 26;
constexpr int margin = 6;
// The pitch band drawn: a man's low voice to a child's high one, on a log scale.
constexpr double lowestPitch = 70;
constexpr double highestPitch = 450;

// A tick step in seconds that keeps labels at least ~56 pixels apart.
double tickStep(double seconds, int pixels)
{
    for (const double step : {0.1, 0.2, 0.5, 1.0, 2.0, 5.0, 10.0, 30.0}) {
        if (pixels * step / std::max(seconds, 0.001) >= 56) {
            return step;
        }
    }
    return 60.0;
}

} // namespace

WaveformComparison::WaveformComparison(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("waveformComparison"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void WaveformComparison::setOriginal(Track track)
{
    m_original = std::move(track);
    update();
}

void WaveformComparison::setTake(Track track)
{
    m_take = std::move(track);
    update();
}

void WaveformComparison::clear()
{
    m_original = {};
    m_take = {};
    update();
}

double WaveformComparison::spanSeconds() const
{
    return std::max(m_original.seconds(), m_take.seconds());
}

void WaveformComparison::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setFont(DesignGeometry::chineseFont(9));
    const QRect plot = rect().adjusted(labelWidth, margin, -margin - 4, -axisHeight);
    const int half = plot.height() / 2;
    paintLane(painter, QRect(plot.left(), plot.top(), plot.width(), half - 2), m_original,
              QStringLiteral("原声"), originalColor);
    paintLane(painter, QRect(plot.left(), plot.top() + half + 2, plot.width(), half - 2), m_take,
              QStringLiteral("我的跟读"), takeColor);
    paintAxis(painter, plot);
}

void WaveformComparison::paintLane(QPainter& painter, const QRect& lane, const Track& track,
                                   const QString& label, const QColor& color) const
{
    painter.fillRect(lane, QColor(247, 249, 252));
    painter.setPen(QColor(220, 226, 235));
    painter.drawRect(lane.adjusted(0, 0, -1, -1));
    painter.drawLine(lane.left(), lane.center().y(), lane.right(), lane.center().y());
    painter.setPen(color);
    painter.drawText(QRect(0, lane.top(), labelWidth - 6, lane.height()),
                     Qt::AlignRight | Qt::AlignVCenter, label);
    const double span = spanSeconds();
    if (track.samples.empty() || span <= 0) {
        painter.setPen(Qt::gray);
        painter.drawText(lane, Qt::AlignCenter, QStringLiteral("（还没有录音）"));
        return;
    }
    // Each lane is scaled to its own loudest sample: a microphone records at a level of its
    // own, and it is the shape that is compared, not the volume.
    const auto [low, high] = std::minmax_element(track.samples.begin(), track.samples.end());
    const float peak = std::max({std::abs(*low), std::abs(*high), 1e-3F});
    const double perPixel = span * track.sampleRate / lane.width();
    const double middle = lane.center().y() + 0.5;
    const double scale = (lane.height() / 2.0 - 2) / peak;
    QPainterPath path;
    std::vector<QPointF> lower;
    for (int x = 0; x < lane.width(); ++x) {
        const auto first = size_t(x * perPixel);
        const auto stop = std::min(track.samples.size(), size_t((x + 1) * perPixel) + 1);
        if (first >= stop) {
            break;
        }
        const auto [lo, hi] = std::minmax_element(track.samples.begin() + qsizetype(first),
                                                  track.samples.begin() + qsizetype(stop));
        const QPointF top(lane.left() + x + 0.5, middle - *hi * scale - 0.5);
        x == 0 ? path.moveTo(top) : path.lineTo(top);
        lower.emplace_back(lane.left() + x + 0.5, middle - *lo * scale + 0.5);
    }
    for (auto point = lower.rbegin(); point != lower.rend(); ++point) {
        path.lineTo(*point);
    }
    path.closeSubpath();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPath(path);

    if (!track.pitch.empty()) {
        const double logLow = std::log(lowestPitch);
        const double logSpan = std::log(highestPitch) - logLow;
        painter.setBrush(pitchColor);
        for (size_t i = 0; i < track.pitch.size(); ++i) {
            const float hz = track.pitch[i];
            if (hz < lowestPitch || hz > highestPitch) {
                continue;
            }
            const double x = lane.left() + i * track.pitchStep / span * lane.width();
            const double y =
                lane.bottom() - 3 - (std::log(hz) - logLow) / logSpan * (lane.height() - 6);
            painter.drawEllipse(QPointF(x, y), 1.6, 1.6);
        }
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
}

void WaveformComparison::paintAxis(QPainter& painter, const QRect& plot) const
{
    const double span = spanSeconds();
    const int y = plot.bottom() + 2;
    painter.setPen(QColor(90, 90, 90));
    painter.drawLine(plot.left(), y, plot.right(), y);
    painter.drawText(QRect(0, y + 2, labelWidth - 6, axisHeight - 4),
                     Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("时间（秒）"));
    if (span <= 0) {
        return;
    }
    const double step = tickStep(span, plot.width());
    for (int n = 0; n * step <= span + 1e-9; ++n) {
        const int x = plot.left() + int(std::lround(n * step / span * plot.width()));
        painter.setPen(QColor(225, 225, 225));
        painter.drawLine(x, plot.top(), x, y);
        painter.setPen(QColor(90, 90, 90));
        painter.drawLine(x, y, x, y + 4);
        const QString text = QString::number(n * step, 'g', 3);
        painter.drawText(QRect(x - 30, y + 4, 60, axisHeight - 6), Qt::AlignHCenter | Qt::AlignTop,
                         text);
    }
}
