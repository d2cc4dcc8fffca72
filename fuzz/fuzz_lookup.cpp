// Any UTF-8 text as a word for the lookup and as the text under the two word pickers.

#include "lookup/dictionary.h"
#include "lookup/wordlookup.h"
#include "lookup/wordpickers.h"

#include <QByteArray>
#include <QString>
#include <QStringEncoder>
#include <cstddef>
#include <cstdint>

using namespace Qt::StringLiterals;

namespace {

const Dictionary& sampleDictionary()
{
    static const Dictionary dictionary = [] {
        QStringEncoder encoder("GBK");
        const QString line =
            u"$a[ei, 2]art.一个$book[buk]n.书$May[mei]n.五月$may[mei]aux.可以$run[r3n]vi.跑"
            u"$stop[st0p]vi.停止$study['st3di]vt.学习$y[wai]n.字母$[]空$cheque[t6ek]n.支票=[美作:"
            u"check]"
            u"$above all[2'b3v 0:l]尤其是$broken[]$\r\n"_s;
        return Dictionary::fromBytes(encoder.encode(QString(line)));
    }();
    return dictionary;
}

void checkPicked(const QString& text, const QString& word, bool (*belongs)(QChar))
{
    if (!word.isEmpty() && !text.contains(word))
        __builtin_trap();
    for (QChar c : word) {
        if (!belongs(c))
            __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    const LookupResult result = WordLookup::lookup(sampleDictionary(), text);
    if (result.found != !result.headword.isEmpty())
        __builtin_trap();

    const qsizetype step = std::max<qsizetype>(1, text.size() / 32);
    for (qsizetype i = -1; i <= text.size() + 1; i += step) {
        const QString rich = WordPickers::richWordAt(text, i);
        checkPicked(text, rich, &WordPickers::isWordCharacter);
        const QString plain = WordPickers::getWord(text, i);
        checkPicked(text, plain, [](QChar c) { return !WordPickers::isDelimiter(c); });
        WordLookup::lookup(sampleDictionary(), rich);
        WordLookup::lookup(sampleDictionary(), plain);
    }
    return 0;
}
