#include "shadowing/waveformcomparison.h"

#include "widgets/designgeometry.h"

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
constexpr float lowestPitch = 70;
constexpr float highestPitch = 450;

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
    if (pitchRange().first > 0) {
        painter.setPen(pitchColor);
        painter.drawText(plot.adjusted(0, 2, -6, 0), Qt::AlignRight | Qt::AlignTop,
                         QStringLiteral("绿线：音高"));
    }
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
    // Light enough for the pitch line to read over it.
    painter.setBrush(pitchRange().first > 0 ? color.lighter(150) : color);
    painter.drawPath(path);

    paintPitch(painter, lane, track);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
}

// One range for both lanes, so that the same height is the same pitch above and below, and
// wide enough that a flat voice looks flat.
std::pair<float, float> WaveformComparison::pitchRange() const
{
    float low = highestPitch;
    float high = lowestPitch;
    for (const Track* track : {&m_original, &m_take}) {
        for (const float hz : track->pitch) {
            if (hz >= lowestPitch && hz <= highestPitch) {
                low = std::min(low, hz);
                high = std::max(high, hz);
            }
        }
    }
    if (low > high) {
        return {0.0F, 0.0F};
    }
    const float middle = std::sqrt(low * high);
    const float spread = std::max(high / low, 1.5F);
    return {middle / std::sqrt(spread) / 1.1F, middle * std::sqrt(spread) * 1.1F};
}

void WaveformComparison::paintPitch(QPainter& painter, const QRect& lane, const Track& track) const
{
    const auto [low, high] = pitchRange();
    const double span = spanSeconds();
    if (track.pitch.empty() || low <= 0 || span <= 0) {
        return;
    }
    const double logLow = std::log(low);
    const double logSpan = std::log(high) - logLow;
    painter.setPen(QPen(pitchColor, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPolygonF run;
    const auto flush = [&] {
        if (run.size() > 1) {
            painter.drawPolyline(run);
        }
        run.clear();
    };
    for (size_t i = 0; i < track.pitch.size(); ++i) {
        const float hz = track.pitch[i];
        // A jump of more than a few semitones from one step to the next is a tracking slip
        // (or a new syllable): the line breaks rather than drawing a cliff.
        const float before = i > 0 ? track.pitch[i - 1] : 0.0F;
        if (hz < low || hz > high || (before > 0 && std::abs(std::log(hz / before)) > 0.2)) {
            flush();
        }
        if (hz < low || hz > high) {
            continue;
        }
        const double x = lane.left() + double(i) * track.pitchStep / span * lane.width();
        const double y =
            lane.bottom() - 2 - (std::log(hz) - logLow) / logSpan * (lane.height() - 4);
        run.append(QPointF(x, y));
    }
    flush();
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
