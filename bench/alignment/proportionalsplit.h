#pragma once

#include "align/sentencealigner.h"

#include <QStringList>
#include <vector>

// The naive baseline: the span from the first sound to the last, cut in proportion to each
// sentence's length in characters.
class ProportionalSplit
{
public:
    static QList<SentenceAligner::Span> split(const std::vector<float>& samples,
                                              const QStringList& sentences);
};
