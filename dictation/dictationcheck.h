#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// One word of a checked dictation, in the order the learner reads the marking.
struct MarkedWord
{
    enum Kind {
        Right,   // the same word as in the answer
        Typo,    // one letter inserted, left out, replaced or two swapped, making no other
                 // real word: half right
        Wrong,   // another word where the answer has this one, however close its spelling
        Missing, // an answer word nothing was typed for
        Extra    // a typed word the answer does not have
    };
    Kind kind = Right;
    QString typed;    // as the learner typed it, empty for Missing
    QString expected; // as the answer writes it, empty for Extra

    friend bool operator==(const MarkedWord&, const MarkedWord&) = default;
};

// Compares the learner's dictation with the answer word by word. Letter case, punctuation and
// the blanks between words do not count; missing and extra words are found by aligning the
// two word lists, so one left-out word does not make every later word wrong.
class DictationCheck
{
public:
    // Tells whether a comparison key is a word of the language. A slip that makes such a word
    // ("live" for "lives", "than" for "then") is what dictation is there to catch, so it counts
    // as wrong, not as a typo. Without it every one-letter slip is a typo.
    using WordTest = std::function<bool(const QString& key)>;

    DictationCheck(const QString& typed, const QString& answer, WordTest isRealWord = {});

    const QList<MarkedWord>& words() const { return m_words; }
    int answerWordCount() const { return m_answerWordCount; }
    // Right words count whole, typos half: the score in halves, so no rounding hides a typo.
    int halfPoints() const { return m_halfPoints; }
    // "9/11 个单词正确", or "9.5/11 个单词正确" when typos leave half a word.
    QString scoreLine() const;

    // The words of a text as written, with the punctuation around them trimmed; blanks and
    // dashes separate words, and what holds no letter or digit is no word.
    static QStringList splitWords(const QString& text);
    // A word as it is compared: compatibility-normalised (full-width letters from a Chinese
    // input method become plain ones), case-folded, without punctuation.
    static QString comparisonKey(const QString& word);
    // One insertion, deletion, substitution or swap of two neighbours apart. Words under three
    // letters never count: "in" for "on" is another word, not a slip of the finger.
    static bool isOneLetterTypo(const QString& typedKey, const QString& answerKey);

private:
    void align(const QStringList& typed, const QStringList& answer);
    void pairInOrder(const QStringList& typed, const QStringList& answer);
    void add(MarkedWord::Kind kind, const QString& typed, const QString& expected);
    // A slip of one letter that makes no other real word.
    bool isTypo(const QString& typedKey, const QString& answerKey) const;

    QList<MarkedWord> m_words;
    int m_answerWordCount = 0;
    int m_halfPoints = 0;
    WordTest m_isRealWord;
};
