#pragma once

#include <QString>
#include <utility>
#include <vector>

// Sentence times in the text form the lesson databases store: seconds with at most two
// decimals, no zero before the point and no trailing zeros (".5", "2.43", "12"); the last
// sentence of a lesson has the end "". Everything that writes or reads a stored time goes
// through here, and a loaded lesson holds its times as numbers from then on.
namespace TimeText {

// The form of `centiseconds` hundredths of a second.
QString format(long long centiseconds);
// The form of `seconds`, to the nearest hundredth; 0 and anything below it read "0".
QString fromSeconds(double seconds);

// The leading-number parse every stored time is read with: the longest leading decimal
// number, blanks ignored; text without a leading number gives 0.
double seconds(const QString& text);
// A stored time that is there but cannot be one: no leading number, or a negative one. An
// empty text is no such time: it reads as 0, and as an end it means "to the end".
bool isUnusable(const QString& text);

using Span = std::pair<double, double>;            // seconds
using CentiSpan = std::pair<long long, long long>; // hundredths of a second

// Rounds each span outwards to hundredths (no speech is cut off) and then keeps the order
// the readers rely on: starts strictly increasing, start < end, end <= next start.
std::vector<CentiSpan> round(const std::vector<Span>& spans);

} // namespace TimeText
