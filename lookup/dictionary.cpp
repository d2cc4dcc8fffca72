#include "lookup/dictionary.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <utility>

namespace {

constexpr char16_t toLowerAscii(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
}

} // namespace

Dictionary Dictionary::fromFile(const QString& path, QString* problem)
{
    const auto refuse = [problem](const char* why) {
        if (problem != nullptr)
            *problem = QString::fromLatin1(why);
        return Dictionary();
    };
    // Asked before opening: opening a named pipe waits for a writer that may never come.
    const QFileInfo info(path);
    if (!info.exists())
        return refuse("does not exist");
    if (!info.isFile())
        return refuse("is not a regular file");
    if (info.size() > maxFileBytes)
        return refuse("is too large for a dictionary");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse("cannot be opened");
    // The file may have grown since it was looked at.
    const QByteArray bytes = file.read(maxFileBytes + 1);
    if (bytes.size() > maxFileBytes)
        return refuse("is too large for a dictionary");
    return fromBytes(bytes);
}

Dictionary Dictionary::fromBytes(const QByteArray& bytes)
{
    // A CR byte never occurs inside a GBK double-byte character, so cutting before decoding
    // is safe.
    const qsizetype cr = bytes.indexOf('\r');
    const QByteArrayView line = QByteArrayView(bytes).first(cr < 0 ? bytes.size() : cr);

    Dictionary dictionary;
    QStringDecoder decoder("GBK");
    if (!decoder.isValid())
        return dictionary;
    dictionary.m_text = decoder.decode(line);
    dictionary.buildIndex();
    return dictionary;
}

QString Dictionary::foldCase(QStringView text)
{
    QString folded(text.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(folded.data());
    for (QChar c : text)
        *out++ = toLowerAscii(c.unicode());
    return folded;
}

// Every "$" is a possible match start; its key is the text up to the first "[" when no other
// "$" comes first. A word without "$" and "[" matches at exactly those "$" whose key equals
// it, so the first such "$" in the text is the first match of the plain search.
void Dictionary::buildIndex()
{
    const QStringView text(m_text);
    for (qsizetype dollar = text.indexOf(u'$'); dollar >= 0;) {
        qsizetype k = dollar + 1;
        while (k < text.size() && text[k] != u'$' && text[k] != u'[')
            ++k;
        if (k < text.size() && text[k] == u'[') {
            QString key = foldCase(text.sliced(dollar + 1, k - dollar - 1));
            if (!m_index.contains(key))
                m_index.insert(std::move(key), dollar);
        }
        dollar = text.indexOf(u'$', k);
    }
}

qsizetype Dictionary::find(QStringView word) const
{
    if (word.contains(u'$') || word.contains(u'['))
        return scan(word);
    return m_index.value(foldCase(word), -1);
}

// The plain search, for the rare word the index cannot answer.
qsizetype Dictionary::scan(QStringView word) const
{
    const QStringView text(m_text);
    const qsizetype span = word.size() + 2;
    for (qsizetype p = text.indexOf(u'$'); p >= 0 && p + span <= text.size();
         p = text.indexOf(u'$', p + 1)) {
        if (text[p + span - 1] != u'[')
            continue;
        bool same = true;
        for (qsizetype i = 0; i < word.size() && same; ++i)
            same = toLowerAscii(text[p + 1 + i].unicode()) == toLowerAscii(word[i].unicode());
        if (same)
            return p;
    }
    return -1;
}
