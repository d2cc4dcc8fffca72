#include "tools/course-builder/lessonparser.h"

#include "tools/course-builder/courseerror.h"

#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace {

QString decodeStrictly(const QByteArray& content, const QString& fileName)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(content);
    if (decoder.hasError())
        throw CourseError(fileName, 0, u"not valid UTF-8"_s);
    if (text.startsWith(QChar::ByteOrderMark))
        text.remove(0, 1);
    return text;
}

// The blank after the colon separates key and value; everything after it is kept as written.
QString valueAfterColon(const QString& line, qsizetype colon)
{
    QString value = line.mid(colon + 1);
    if (value.startsWith(u' '))
        value.remove(0, 1);
    return value;
}

} // namespace

CourseLesson LessonParser::parse(const QByteArray& content, const QString& fileName, int book,
                                 int number)
{
    CourseLesson lesson;
    lesson.book = book;
    lesson.number = number;
    lesson.sourceFile = fileName;

    const QString text = decodeStrictly(content, fileName);
    const QStringList lines = text.split(u'\n');
    int pendingEnglishLine = 0; // line of an en: still waiting for its zh:
    bool audioSeen = false;
    auto fail = [&](int line, const QString& message) {
        throw CourseError(fileName, line, message);
    };

    for (int i = 0; i < lines.size(); ++i) {
        const int lineNumber = i + 1;
        QString line = lines.at(i);
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;

        const qsizetype colon = line.indexOf(u':');
        if (colon < 0)
            fail(lineNumber, u"expected a key and a colon (en:, zh:, word: or audio:)"_s);
        const QString key = line.left(colon);
        const QString value = valueAfterColon(line, colon);

        if (pendingEnglishLine != 0 && key != u"zh")
            fail(pendingEnglishLine, u"en: line has no zh: translation below it"_s);

        if (key == u"en") {
            if (value.trimmed().isEmpty())
                fail(lineNumber, u"empty en: sentence"_s);
            lesson.sentences.append({value, QString(), lineNumber});
            pendingEnglishLine = lineNumber;
        } else if (key == u"zh") {
            if (pendingEnglishLine == 0)
                fail(lineNumber, u"zh: line without an en: line just above it"_s);
            if (value.trimmed().isEmpty())
                fail(lineNumber, u"empty zh: translation"_s);
            lesson.sentences.last().chinese = value;
            pendingEnglishLine = 0;
        } else if (key == u"word") {
            const qsizetype bar = value.indexOf(u" | "_s);
            if (bar < 0)
                fail(lineNumber, u"word: needs \"word | meaning\""_s);
            const CourseWord word{value.left(bar).trimmed(), value.mid(bar + 3).trimmed()};
            if (word.word.isEmpty() || word.meaning.isEmpty())
                fail(lineNumber, u"word: has an empty word or meaning"_s);
            if (word.word.size() > maxWordLength || word.meaning.size() > maxWordLength)
                fail(lineNumber,
                     u"word: word and meaning may have at most %1 characters each"_s.arg(
                         maxWordLength));
            lesson.words.append(word);
        } else if (key == u"audio") {
            if (value.trimmed() != u"none")
                fail(lineNumber, u"audio: only takes the value none"_s);
            if (audioSeen)
                fail(lineNumber, u"audio: given twice"_s);
            audioSeen = true;
            lesson.hasAudio = false;
        } else {
            fail(lineNumber, u"unknown key \"%1\" (expected en, zh, word or audio)"_s.arg(key));
        }
    }
    if (pendingEnglishLine != 0)
        fail(pendingEnglishLine, u"en: line has no zh: translation below it"_s);
    return lesson;
}
