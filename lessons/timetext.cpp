#include "lessons/timetext.h"

#include <algorithm>
#include <cmath>

namespace TimeText {

namespace {

// The leading-number parse; `found` tells whether there was a number at all.
double leadingNumber(const QString& text, bool& found)
{
    QString number;
    bool seenPoint = false;
    found = false;
    for (const QChar c : text) {
        if (c == u' ' || c == u'\t') {
            continue;
        }
        if ((c == u'-' || c == u'+') && number.isEmpty()) {
            number += c;
        } else if (c == u'.' && !seenPoint) {
            seenPoint = true;
            number += c;
        } else if (c >= u'0' && c <= u'9') {
            found = true;
            number += c;
        } else {
            break;
        }
    }
    return found ? number.toDouble() : 0.0;
}

} // namespace

QString format(long long centiseconds)
{
    if (centiseconds <= 0) {
        return QStringLiteral("0");
    }
    const long long whole = centiseconds / 100;
    const long long fraction = centiseconds % 100;
    if (fraction == 0) {
        return QString::number(whole);
    }
    QString text = whole == 0 ? QString() : QString::number(whole);
    text += u'.';
    text += QChar(u'0' + int(fraction / 10));
    if (fraction % 10 != 0) {
        text += QChar(u'0' + int(fraction % 10));
    }
    return text;
}

QString fromSeconds(double seconds)
{
    return seconds > 0 ? format(std::llround(seconds * 100)) : QStringLiteral("0");
}

double seconds(const QString& text)
{
    bool found = false;
    return leadingNumber(text, found);
}

bool isUnusable(const QString& text)
{
    if (text.isEmpty()) {
        return false;
    }
    bool found = false;
    const double value = leadingNumber(text, found);
    return !found || value < 0;
}

std::vector<CentiSpan> round(const std::vector<Span>& spans)
{
    // The epsilon keeps 2.43 (stored as 2.42999...) from rounding down to 2.42.
    constexpr double epsilon = 1e-6;
    std::vector<CentiSpan> rounded;
    rounded.reserve(spans.size());
    for (const auto& [start, end] : spans) {
        const auto first = std::max(0LL, (long long)std::floor(start * 100.0 + epsilon));
        const auto last = (long long)std::ceil(end * 100.0 - epsilon);
        rounded.emplace_back(first, last);
    }
    for (size_t i = 1; i < rounded.size(); ++i) {
        rounded[i].first = std::max(rounded[i].first, rounded[i - 1].first + 1);
    }
    for (size_t i = 0; i < rounded.size(); ++i) {
        rounded[i].second = std::max(rounded[i].second, rounded[i].first + 1);
        if (i + 1 < rounded.size()) {
            rounded[i].second = std::min(rounded[i].second, rounded[i + 1].first);
        }
    }
    return rounded;
}

} // namespace TimeText
