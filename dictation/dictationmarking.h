#pragma once

#include <QString>

class DictationCheck;

// The marking of a typed sentence as the dictation window shows it: the score line, then each
// word coloured by what the check found.
namespace DictationMarking {

// Right words green; typos orange and wrong words red, each with the answer's word beside it;
// missing words grey in brackets; extra words struck through. A legend of the colours follows.
QString html(const DictationCheck& check);

} // namespace DictationMarking
