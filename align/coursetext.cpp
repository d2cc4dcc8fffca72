#include "align/coursetext.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace CourseText {

namespace {

// A lesson text is a few kilobytes; a file this large is something else picked by mistake.
constexpr qint64 maxTextBytes = 1024 * 1024;

// Decodes the whole of `bytes`, or gives a null string when any byte sequence is invalid.
QString decodeStrictly(QStringDecoder decoder, const QByteArray& bytes)
{
    if (!decoder.isValid()) {
        return {};
    }
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return {};
    }
    // Null means failure to the caller; an empty file is still a decoded text.
    return text.isNull() ? QString(u""_s) : text;
}

// Control characters other than line breaks and tabs mean the bytes were not text at all.
bool looksLikeText(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r' && u != u'\f') || u == 0x7f ||
            u == 0xfffd) {
            return false;
        }
    }
    return true;
}

QString decode(const QByteArray& bytes)
{
    // Windows' Notepad saves "Unicode" as UTF-16 with a byte-order mark.
    if (bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff")) {
        return decodeStrictly(QStringDecoder(QStringDecoder::Utf16), bytes);
    }
    // The decoder drops a leading byte-order mark by itself.
    const QString utf8 = decodeStrictly(QStringDecoder(QStringDecoder::Utf8), bytes);
    if (!utf8.isNull()) {
        return utf8;
    }
    // GB18030 is a superset of GBK and GB2312, so one decoder reads all three.
    return decodeStrictly(QStringDecoder("GB18030"), bytes);
}

bool isTitle(const QString& word)
{
    static const QStringList titles = {u"Mr"_s,   u"Mrs"_s, u"Ms"_s,  u"Dr"_s,   u"St"_s,
                                       u"Mt"_s,   u"Jr"_s,  u"Sr"_s,  u"Prof"_s, u"Rev"_s,
                                       u"Capt"_s, u"Gen"_s, u"Col"_s, u"Lt"_s,   u"Sgt"_s};
    return titles.contains(word);
}

bool isOpeningQuote(QChar c)
{
    return c == u'“';
}

bool isClosingQuote(QChar c)
{
    return c == u'”';
}

bool isCloser(QChar c)
{
    return c == u'"' || c == u'”' || c == u'’' || c == u'\'' || c == u')' || c == u']';
}

bool isTerminator(QChar c)
{
    return c == u'.' || c == u'!' || c == u'?' || c == u'…';
}

// The word that ends just before `end`: letters only, so "(Mr" gives "Mr".
QString wordBefore(const QString& line, qsizetype end)
{
    qsizetype start = end;
    while (start > 0 && line.at(start - 1).isLetter()) {
        --start;
    }
    return line.mid(start, end - start);
}

QStringList splitLine(const QString& line)
{
    QStringList sentences;
    qsizetype sentenceStart = 0;
    bool inQuotation = false;
    const qsizetype n = line.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = line.at(i);
        if (c == u'"') {
            inQuotation = !inQuotation;
            continue;
        }
        if (isOpeningQuote(c) || isClosingQuote(c)) {
            inQuotation = isOpeningQuote(c);
            continue;
        }
        if (!isTerminator(c)) {
            continue;
        }
        const qsizetype runStart = i;
        while (i + 1 < n && isTerminator(line.at(i + 1))) {
            ++i;
        }
        const qsizetype runEnd = i;
        // A closing quote after the mark ends the quotation the mark ended.
        while (i + 1 < n && isCloser(line.at(i + 1))) {
            const QChar closer = line.at(++i);
            if (closer == u'"' || isClosingQuote(closer)) {
                inQuotation = false;
            }
        }
        qsizetype next = i + 1;
        if (next < n && !line.at(next).isSpace()) {
            continue; // "3.5", "U.S.", "e.g."
        }
        while (next < n && line.at(next).isSpace()) {
            ++next;
        }
        if (next == n) {
            break;
        }
        if (inQuotation) {
            continue;
        }
        if (line.at(runStart) == u'.' && runStart == runEnd) {
            const QString word = wordBefore(line, runStart);
            if (isTitle(word) || (word.size() == 1 && word.at(0).isUpper())) {
                continue;
            }
        }
        // What follows a sentence's end starts with a capital, a digit or a quote: "Stop!" he
        // cried. is one sentence.
        if (line.at(next).isLower()) {
            continue;
        }
        sentences.append(line.mid(sentenceStart, i + 1 - sentenceStart).trimmed());
        sentenceStart = next;
        i = next - 1;
    }
    const QString rest = line.mid(sentenceStart).trimmed();
    if (!rest.isEmpty()) {
        sentences.append(rest);
    }
    return sentences;
}

// Whether a piece holds anything a reader of English says: a Latin letter or a digit. Emoji,
// symbols and words in other scripts alone are not a sentence of their own.
bool isSpoken(const QString& piece)
{
    return std::any_of(piece.begin(), piece.end(), [](QChar c) {
        return c.isDigit() || (c.isLetter() && c.script() == QChar::Script_Latin);
    });
}

// Emoji, pictographs, letters of other scripts and their full-width punctuation: what no reader
// of English says.
bool isUnspokenMark(QChar c)
{
    const QChar::Category category = c.category();
    const char16_t u = c.unicode();
    return c.isSpace() || category == QChar::Symbol_Other || category == QChar::Symbol_Modifier ||
           category == QChar::Other_Surrogate || category == QChar::Other_PrivateUse ||
           category == QChar::Other_NotAssigned || category == QChar::Other_Format ||
           (c.isLetter() && c.script() != QChar::Script_Latin) || (u >= 0x3000 && u <= 0x303f) ||
           (u >= 0xff00 && u <= 0xffef);
}

} // namespace

bool readTextFile(const QString& path, QString* text, QString* error)
{
    const QFileInfo info(path);
    auto fail = [&](const QString& message) {
        if (error) {
            *error = message;
        }
        return false;
    };
    // A named pipe or a device would block the reader or never end.
    if (!info.isFile()) {
        return fail(info.exists() ? u"“%1”不是文本文件（不是普通文件），无法读取。"_s.arg(path)
                                  : u"找不到文本文件：%1"_s.arg(path));
    }
    if (info.size() > maxTextBytes) {
        return fail(u"文本文件太大（超过 1 MB），不像是一课的课文：%1"_s.arg(path));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return fail(u"无法读取文本文件：%1"_s.arg(path));
    }
    const QByteArray bytes = file.read(maxTextBytes + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > maxTextBytes) {
        return fail(u"无法读取文本文件：%1"_s.arg(path));
    }
    const QString decoded = decode(bytes);
    if (decoded.isNull() || !looksLikeText(decoded)) {
        return fail(
            u"这个文件不是文本，或者既不是 UTF-8 也不是 GBK 编码，无法读取：%1"_s.arg(path));
    }
    if (text) {
        *text = decoded;
    }
    return true;
}

QStringList nonEmptyLines(const QString& text)
{
    static const QRegularExpression lineBreak(u"\r\n|\r|\n|\f|\u2028|\u2029"_s);
    QStringList lines;
    for (const QString& line : text.split(lineBreak)) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty()) {
            lines.append(trimmed);
        }
    }
    return lines;
}

QStringList splitIntoSentences(const QString& text)
{
    QStringList sentences;
    QString unspoken; // what came before the first spoken sentence
    for (const QString& line : nonEmptyLines(text)) {
        for (QString piece : splitLine(line)) {
            // Marks after a sentence's end belong to the sentence they follow.
            const auto lead = std::find_if_not(piece.begin(), piece.end(), isUnspokenMark);
            if (!sentences.isEmpty() && lead != piece.begin() && isSpoken(piece)) {
                sentences.last() += u' ' + piece.left(lead - piece.begin()).trimmed();
                piece = piece.mid(lead - piece.begin());
            }
            if (isSpoken(piece)) {
                sentences.append(unspoken.isEmpty() ? piece : unspoken + u' ' + piece);
                unspoken.clear();
            } else if (!sentences.isEmpty()) {
                sentences.last() += u' ' + piece;
            } else {
                unspoken = unspoken.isEmpty() ? piece : unspoken + u' ' + piece;
            }
        }
    }
    if (!unspoken.isEmpty()) {
        sentences.append(unspoken); // nothing spoken at all: the aligner says so
    }
    return sentences;
}

QList<NewWord> parseNewWords(const QString& text)
{
    QList<NewWord> words;
    for (const QString& line : nonEmptyLines(text)) {
        const qsizetype tab = line.indexOf(u'\t');
        if (tab < 0) {
            words.append({line, QString()});
        } else {
            words.append({line.left(tab).trimmed(), line.mid(tab + 1).trimmed()});
        }
    }
    return words;
}

} // namespace CourseText
