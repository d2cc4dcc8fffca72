#include "lookup/wordpickers.h"

#include <algorithm>

namespace WordPickers {

bool isWordCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') ||
           u == u'_';
}

QString richWordAt(QStringView text, qsizetype index)
{
    if (index < 0 || index > text.size())
        return {};
    qsizetype at = index;
    if (at == text.size() || !isWordCharacter(text[at])) {
        if (at == 0 || !isWordCharacter(text[at - 1]))
            return {};
        --at;
    }
    qsizetype start = at;
    while (start > 0 && isWordCharacter(text[start - 1]))
        --start;
    qsizetype end = at + 1;
    while (end < text.size() && isWordCharacter(text[end]))
        ++end;
    return text.sliced(start, end - start).toString();
}

bool isDelimiter(QChar c)
{
    switch (c.unicode()) {
    case u',':
    case u' ':
    case u'.':
    case u'?':
    case u'\r':
    case u'\n':
    case QChar::LineSeparator:
    case QChar::ParagraphSeparator:
        return true;
    default:
        return false;
    }
}

QString getWord(QStringView text, qsizetype pos)
{
    if (pos < 0)
        return {};
    pos = std::min(pos, text.size());
    qsizetype start = pos;
    while (start > 0 && !isDelimiter(text[start - 1]))
        --start;
    qsizetype end = pos;
    while (end < text.size() && !isDelimiter(text[end]))
        ++end;
    return text.sliced(start, end - start).toString();
}

} // namespace WordPickers
