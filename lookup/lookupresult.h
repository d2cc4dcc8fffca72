#pragma once

#include <QString>

// What one lookup found. When `found` is false every text is empty and `rule` is -1.
struct LookupResult
{
    bool found = false;        ///< an entry with a non-empty headword was found
    int rule = -1;             ///< 0: the word itself matched; 1..19: that inflection rule
    QString headword;          ///< as the dictionary writes it (its case, the base form)
    QString transcription;     ///< as the file writes it, in the phonetic code
    QString fontTranscription; ///< after the phonetic font's code conversion
    QString ipaTranscription;  ///< Unicode IPA, for display with an IPA font
    QString meaning;           ///< everything after the first "]" of the entry
};
