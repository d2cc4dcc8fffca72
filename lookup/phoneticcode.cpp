#include "lookup/phoneticcode.h"

namespace PhoneticCode {

// One pass gives the same result as the replace-all steps in their order: no step ever
// produces a character that a later step replaces ("'" becomes "5" only after the digits).
QString toFontCode(QStringView fileCode)
{
    static constexpr char16_t digits[] = u"CBEQWTFVNA";
    QString out;
    out.reserve(fileCode.size());
    for (QChar c : fileCode) {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9')
            out.append(QChar(digits[u - u'0']));
        else if (u == u'/')
            out.append(u'Z');
        else if (u == u'\'')
            out.append(u'5');
        else if (u == u',')
            out.append(u'/');
        else if (u != u' ')
            out.append(c);
    }
    return out;
}

QString toIpa(QStringView fileCode)
{
    static constexpr char16_t digits[] = u"ɔɑəʌθðʃʒŋæ";
    QString out;
    out.reserve(fileCode.size() + 4);
    for (QChar c : fileCode) {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9')
            out.append(QChar(digits[u - u'0']));
        else if (u == u'/')
            out.append(QChar(u'ɛ'));
        else if (u == u'\'')
            out.append(QChar(u'ˈ'));
        else if (u == u',')
            out.append(u'/');
        else if (u != u' ')
            out.append(c);
    }
    return out;
}

} // namespace PhoneticCode
