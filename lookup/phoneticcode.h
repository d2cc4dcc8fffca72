#pragma once

#include <QString>
#include <QStringView>

// The dictionary's phonetic code: ASCII letters for the IPA letters of the same shape,
// digits, "/" and "'" for the other symbols, "," between two pronunciations.
namespace PhoneticCode {

// The transcription in the phonetic font's character codes: the fixed replace-all steps
// 0→C 1→B 2→E 3→Q 4→W 5→T 6→F 7→V 8→N 9→A /→Z '→5 ,→/ and blanks removed, in that order.
// Every other character is kept. "2'b9nd2n" → "E5bAndEn", "ei, 2" → "ei/E".
QString toFontCode(QStringView fileCode);

// The transcription in Unicode IPA: 0→ɔ 1→ɑ 2→ə 3→ʌ 4→θ 5→ð 6→ʃ 7→ʒ 8→ŋ 9→æ /→ɛ '→ˈ,
// "," → "/" between pronunciations (as in the font code), blanks removed, everything else kept.
QString toIpa(QStringView fileCode);

} // namespace PhoneticCode
