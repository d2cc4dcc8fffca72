// Any file as the dictionary: reading, indexing and looking up must not crash, and the index
// must answer exactly as the plain case-insensitive search of the text would.

#include "lookup/dictionary.h"
#include "lookup/wordlookup.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace {

qsizetype plainSearch(const QString& text, const QString& word)
{
    return Dictionary::foldCase(text).indexOf(Dictionary::foldCase(QString(u'$' + word + u'[')));
}

void check(const Dictionary& dictionary, const QString& word)
{
    if (dictionary.find(word) != plainSearch(dictionary.text(), word))
        __builtin_trap();
    const LookupResult result = WordLookup::lookup(dictionary, word);
    if (result.found && (result.headword.isEmpty() || result.rule < 0))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const Dictionary dictionary = Dictionary::fromBytes(bytes);
    const QString& text = dictionary.text();

    // Words taken from the text itself: every piece between "$" and the next "[" or "$", and
    // pieces with the brackets and separators around them.
    int probes = 0;
    for (qsizetype p = text.indexOf(u'$'); p >= 0 && probes < 64; p = text.indexOf(u'$', p + 1)) {
        qsizetype k = p + 1;
        while (k < text.size() && text[k] != u'$' && text[k] != u'[')
            ++k;
        const QString head = text.sliced(p + 1, k - p - 1);
        check(dictionary, head);
        check(dictionary, head.toUpper() + u's');
        check(dictionary, text.sliced(p + 1, std::min<qsizetype>(k + 2, text.size()) - p - 1));
        ++probes;
    }
    check(dictionary, QString());
    check(dictionary, text.right(12));
    return 0;
}
