#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

// The text logic of the two word pickers. Positions are QString indices into the same
// text the caller passes, as Qt's hit tests count them (QTextCursor::position(),
// QTextLine::xToCursor()); the caller maps the pointer to a position, these functions
// only scan the text.
namespace WordPickers {

// True for the characters the sentence view's picker takes as part of a word:
// "0"-"9", "A"-"Z", "a"-"z" and "_". Everything else, "'" and "-" included, ends a word.
bool isWordCharacter(QChar c);

// The word the pointer is on in the sentence view (`RichWordOver`'s scan).
//
// `index` is the index of the character under the pointer (QTextLine::xToCursor with
// CursorOnCharacter) or the nearest cursor position (QTextEdit::cursorForPosition), which
// lies before or after that character. When the character at `index` is a word character
// the result is the run of word characters around it; otherwise, when the character just
// before `index` is one, the run that ends there (so a cursor position just after a word,
// or the right half of its last letter, still picks it). Otherwise, and for an index
// outside 0..text.size(), the result is "". One-letter words ("a", "I") are words.
QString richWordAt(QStringView text, qsizetype index);

// True for the plain boxes' delimiters: "," " " "." "?" CR and LF, and Qt's own line and
// paragraph separators (U+2028, U+2029), which stand for CR LF in a QTextDocument.
bool isDelimiter(QChar c);

// The run of non-delimiter characters around cursor position `pos` in a plain box
// (`GetWord`): scanning left from the character before `pos` and right from the character
// at `pos`, each up to the first delimiter. So a position on the delimiter just after a
// word gives that word, and a position between two delimiters gives "". `pos` beyond the
// text's end is taken as the end (the last word of the text); a negative `pos` gives "".
// One-character words are returned.
QString getWord(QStringView text, qsizetype pos);

} // namespace WordPickers
