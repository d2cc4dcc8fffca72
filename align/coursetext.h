#pragma once

#include <QString>
#include <QStringList>

// Reading the texts a learner brings for a lesson: the English text, its translations and the
// new words.
namespace CourseText {

// Reads a text file that is UTF-8 (with or without a byte-order mark) or GBK/GB18030, as
// Chinese files often are. False, with `error` in Chinese, when it is neither, cannot be read, or
// is implausibly large for a lesson text.
bool readTextFile(const QString& path, QString* text, QString* error);

// The non-empty lines of a text, trimmed: one sentence (or translation, or word) a line.
QStringList nonEmptyLines(const QString& text);

// Splits running English text into sentences. A sentence ends at . ! or ? (with any closing
// quotes or brackets after it), except after titles such as "Mr." "Mrs." "Dr." "St." and
// initials; a quotation stays with the sentence that holds it. Line breaks end a sentence too.
// What holds no English (emoji, symbols, another script) stays with the sentence before it.
QStringList splitIntoSentences(const QString& text);

struct NewWord
{
    QString word;
    QString meaning;
};

// "headword<TAB>meaning" a line; a line without a tab is a word with no meaning.
QList<NewWord> parseNewWords(const QString& text);

} // namespace CourseText
