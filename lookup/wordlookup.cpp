#include "lookup/wordlookup.h"

#include "lookup/phoneticcode.h"

namespace WordLookup {

namespace {

struct Rule
{
    const char16_t* ending;
    qsizetype remove;
    const char16_t* addition;
};

// The order matters: "leaves" is found by rule 1 as "leave" before rule 7 could give "leaf".
constexpr Rule rules[ruleCount] = {
    {u"s", 1, u""},    {u"d", 1, u""},    {u"es", 2, u""},    {u"ed", 2, u""},  {u"ies", 3, u"y"},
    {u"ied", 3, u"y"}, {u"ves", 3, u"f"}, {u"er", 2, u""},    {u"r", 1, u""},   {u"ier", 3, u"y"},
    {u"est", 3, u""},  {u"st", 2, u""},   {u"iest", 4, u"y"}, {u"ing", 3, u""}, {u"ing", 3, u"e"},
    {u"ing", 4, u""},  {u"er", 3, u""},   {u"est", 4, u""},   {u"ed", 3, u""},
};

} // namespace

QStringView trimBlanks(QStringView word)
{
    while (!word.isEmpty() && word.front() == u' ')
        word = word.sliced(1);
    while (!word.isEmpty() && word.back() == u' ')
        word.chop(1);
    return word;
}

std::optional<QString> ruleCandidate(QStringView w, int rule)
{
    if (rule < 1 || rule > ruleCount)
        return std::nullopt;
    const Rule& r = rules[rule - 1];
    if (r.remove > w.size() || !w.endsWith(QStringView(r.ending), Qt::CaseSensitive))
        return std::nullopt;
    QString candidate = w.first(w.size() - r.remove).toString();
    candidate.append(QStringView(r.addition));
    return candidate;
}

LookupResult entryAt(QStringView text, qsizetype dollar)
{
    LookupResult result;
    if (dollar < 0 || dollar >= text.size())
        return result;
    const qsizetype next = text.indexOf(u'$', dollar + 1);
    if (next < 0)
        return result;
    const QStringView entry = text.sliced(dollar + 1, next - dollar - 1);
    const qsizetype open = entry.indexOf(u'[');
    const qsizetype close = entry.indexOf(u']');
    if (open <= 0)
        return result;

    result.headword = entry.first(open).toString();
    // A "]" before the "[" leaves the transcription empty; without any "]" the meaning is
    // the whole entry.
    if (close > open)
        result.transcription = entry.sliced(open + 1, close - open - 1).toString();
    result.meaning = entry.sliced(close + 1).toString();
    result.fontTranscription = PhoneticCode::toFontCode(result.transcription);
    result.ipaTranscription = PhoneticCode::toIpa(result.transcription);
    result.found = true;
    return result;
}

LookupResult lookup(const Dictionary& dictionary, const QString& word)
{
    const QStringView w = trimBlanks(word);
    qsizetype dollar = dictionary.find(w);
    int rule = 0;
    for (int r = 1; dollar < 0 && r <= ruleCount; ++r) {
        const std::optional<QString> candidate = ruleCandidate(w, r);
        if (!candidate)
            continue;
        dollar = dictionary.find(*candidate);
        rule = r;
    }
    if (dollar < 0)
        return {};
    LookupResult result = entryAt(dictionary.text(), dollar);
    if (result.found)
        result.rule = rule;
    return result;
}

} // namespace WordLookup
