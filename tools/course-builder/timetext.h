#pragma once

#include <QString>
#include <utility>
#include <vector>

// Sentence times as the database holds them: seconds with at most two decimals, no zero before
// the point (".5", "2.43", "12").
class TimeText
{
public:
    using Span = std::pair<double, double>;            // seconds
    using CentiSpan = std::pair<long long, long long>; // hundredths of a second

    static QString format(long long centiseconds);

    // Rounds each span outwards to hundredths (no speech is cut off) and then keeps the order
    // the readers rely on: starts strictly increasing, start < end, end <= next start.
    static std::vector<CentiSpan> round(const std::vector<Span>& spans);
};
