#include "reading/sentenceprogress.h"

#include "reading/practicesettings.h"

QString SentenceProgress::text() const
{
    if (sentence < 0 || sentence >= count) {
        return {};
    }
    // Full-width spaces keep the parts apart without punctuation the learner would read.
    QString line = QStringLiteral("第 %1/%2 句").arg(sentence + 1).arg(count);
    if (play > 0 && plays != 1) {
        line += plays == PracticeSettings::untilStopped
                    ? QStringLiteral("　第 %1 遍").arg(play)
                    : QStringLiteral("　第 %1/%2 遍").arg(play).arg(plays);
    }
    if (learnersTurn) {
        line += QStringLiteral("　该你说了");
    }
    return line;
}
