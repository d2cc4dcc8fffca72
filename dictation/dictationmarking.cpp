#include "dictation/dictationmarking.h"

#include "dictation/dictationcheck.h"

#include <QStringList>

namespace DictationMarking {

namespace {

// Pasted text can hold any number of words; past this the marking ends in an ellipsis, so
// drawing it never takes long.
constexpr qsizetype maxMarkedWords = 400;

QString coloured(const QString& text, const char* colour, const char* style = "")
{
    return QStringLiteral("<span style=\"color:%1;%2\">%3</span>")
        .arg(QLatin1String(colour), QLatin1String(style), text.toHtmlEscaped());
}

} // namespace

QString html(const DictationCheck& check)
{
    QStringList marks;
    for (const MarkedWord& word : check.words()) {
        if (marks.size() == maxMarkedWords) {
            marks.append(QStringLiteral("…"));
            break;
        }
        switch (word.kind) {
        case MarkedWord::Right:
            marks.append(coloured(word.typed, "#008000"));
            break;
        case MarkedWord::Typo:
            marks.append(coloured(word.typed, "#c06000") +
                         coloured(QStringLiteral("(%1)").arg(word.expected), "#008000"));
            break;
        case MarkedWord::Wrong:
            marks.append(coloured(word.typed, "#d00000") +
                         coloured(QStringLiteral("(%1)").arg(word.expected), "#008000"));
            break;
        case MarkedWord::Missing:
            marks.append(coloured(QStringLiteral("[%1]").arg(word.expected), "#808080"));
            break;
        case MarkedWord::Extra:
            marks.append(coloured(word.typed, "#a04040", "text-decoration:line-through;"));
            break;
        }
    }
    // What the colours mean, beside the marking, in the same colours.
    const QString legend =
        coloured(QStringLiteral("绿：正确"), "#008000") + QStringLiteral("　") +
        coloured(QStringLiteral("橙：拼错一个字母（算半个）"), "#c06000") + QStringLiteral("　") +
        coloured(QStringLiteral("红：写错的词"), "#d00000") + QStringLiteral("　") +
        coloured(QStringLiteral("灰[ ]：漏写"), "#808080") + QStringLiteral("　") +
        coloured(QStringLiteral("删除线：多写"), "#a04040", "text-decoration:line-through;");
    return QStringLiteral("<p><b>%1</b><br>%2</p><p>%3</p>")
        .arg(check.scoreLine().toHtmlEscaped(), marks.join(u' '), legend);
}

} // namespace DictationMarking
