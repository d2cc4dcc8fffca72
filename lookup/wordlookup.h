#pragma once

#include "lookup/dictionary.h"
#include "lookup/lookupresult.h"

#include <QString>
#include <QStringView>
#include <optional>

// The search part of `lookUpWord`: finds the entry for a word, trying inflection-stripped
// base forms when the word itself is no headword, and splits the entry into its parts.
namespace WordLookup {

inline constexpr int ruleCount = 19;

// Looks `word` up, blanks at either end ignored. The word itself is searched first, then
// the candidates of rules 1..19 in order; the first search that matches wins, and within a
// search the earliest entry in the file (ASCII case ignored).
LookupResult lookup(const Dictionary& dictionary, const QString& word);

// `word` without the blanks (U+0020 only) at either end.
QStringView trimBlanks(QStringView word);

// The base form inflection rule `rule` (1..19) makes of the trimmed word `w`: when `w` ends
// with the rule's ending (compared case-sensitively), `w` without its last n characters
// plus the rule's addition. When the rule does not apply, including when n
// exceeds the length of `w`, no candidate. Each rule starts from `w` itself; rules never
// combine.
std::optional<QString> ruleCandidate(QStringView w, int rule);

// Splits the entry that starts after the "$" at index `dollar` of `text`: the headword
// before the first "[", the transcription between it and the first "]", the meaning after
// that "]" (which may hold more brackets). An entry without a closing "$" or without "[",
// or with an empty headword, gives a result that is not found.
LookupResult entryAt(QStringView text, qsizetype dollar);

} // namespace WordLookup
