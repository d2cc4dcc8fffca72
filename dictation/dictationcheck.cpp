#include "dictation/dictationcheck.h"

#include <algorithm>
#include <vector>

namespace {

// Costs of the alignment. A wrong word costs less than a missing and an extra word together,
// so a replaced word is shown beside its answer instead of as two separate marks.
constexpr int typoCost = 1;
constexpr int wrongCost = 3;
constexpr int gapCost = 2;

// The alignment's table grows with the product of the two word counts; past this, pasted text
// of absurd length is compared word for word in order instead.
constexpr qsizetype maxAlignmentCells = qsizetype(1) << 22;

bool isSeparator(QChar c)
{
    return c.isSpace() || c.category() == QChar::Punctuation_Dash;
}

} // namespace

DictationCheck::DictationCheck(const QString& typed, const QString& answer, WordTest isRealWord)
    : m_isRealWord(std::move(isRealWord))
{
    const QStringList typedWords = splitWords(typed);
    const QStringList answerWords = splitWords(answer);
    m_answerWordCount = int(answerWords.size());
    if ((typedWords.size() + 1) * (answerWords.size() + 1) <= maxAlignmentCells) {
        align(typedWords, answerWords);
    } else {
        pairInOrder(typedWords, answerWords);
    }
}

QString DictationCheck::scoreLine() const
{
    QString right = QString::number(m_halfPoints / 2);
    if (m_halfPoints % 2 != 0) {
        right += QStringLiteral(".5");
    }
    return QStringLiteral("%1/%2 个单词正确").arg(right).arg(m_answerWordCount);
}

QStringList DictationCheck::splitWords(const QString& text)
{
    QStringList words;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isSeparator(text.at(i))) {
            continue;
        }
        qsizetype first = start;
        qsizetype last = i;
        while (first < last && text.at(first).isPunct()) {
            ++first;
        }
        while (last > first && text.at(last - 1).isPunct()) {
            --last;
        }
        if (last > first) {
            words.append(text.mid(first, last - first));
        }
        start = i + 1;
    }
    return words;
}

QString DictationCheck::comparisonKey(const QString& word)
{
    QString key = word.normalized(QString::NormalizationForm_KC).toCaseFolded();
    key.removeIf([](QChar c) { return c.isPunct(); });
    return key;
}

bool DictationCheck::isOneLetterTypo(const QString& typedKey, const QString& answerKey)
{
    if (answerKey.size() < 3 || typedKey == answerKey) {
        return false;
    }
    const QString& shorter = typedKey.size() <= answerKey.size() ? typedKey : answerKey;
    const QString& longer = typedKey.size() <= answerKey.size() ? answerKey : typedKey;
    if (longer.size() - shorter.size() > 1) {
        return false;
    }
    qsizetype i = 0;
    while (i < shorter.size() && shorter.at(i) == longer.at(i)) {
        ++i;
    }
    if (shorter.size() != longer.size()) {
        return QStringView(shorter).mid(i) == QStringView(longer).mid(i + 1);
    }
    if (QStringView(shorter).mid(i + 1) == QStringView(longer).mid(i + 1)) {
        return true;
    }
    return i + 1 < shorter.size() && shorter.at(i) == longer.at(i + 1) &&
           shorter.at(i + 1) == longer.at(i) &&
           QStringView(shorter).mid(i + 2) == QStringView(longer).mid(i + 2);
}

bool DictationCheck::isTypo(const QString& typedKey, const QString& answerKey) const
{
    return isOneLetterTypo(typedKey, answerKey) && !(m_isRealWord && m_isRealWord(typedKey));
}

void DictationCheck::align(const QStringList& typed, const QStringList& answer)
{
    const qsizetype rows = typed.size() + 1;
    const qsizetype columns = answer.size() + 1;
    QStringList typedKeys;
    QStringList answerKeys;
    for (const QString& word : typed) {
        typedKeys.append(comparisonKey(word));
    }
    for (const QString& word : answer) {
        answerKeys.append(comparisonKey(word));
    }
    // A slip that makes a real word still lines up with its answer word as cheaply as a typo;
    // it is only marked wrong.
    const auto pairCost = [&](qsizetype t, qsizetype a) {
        if (typedKeys.at(t) == answerKeys.at(a)) {
            return 0;
        }
        return isOneLetterTypo(typedKeys.at(t), answerKeys.at(a)) ? typoCost : wrongCost;
    };
    const auto closeKind = [&](qsizetype t, qsizetype a) {
        return isTypo(typedKeys.at(t), answerKeys.at(a)) ? MarkedWord::Typo : MarkedWord::Wrong;
    };

    // cost[t][a]: the cheapest marking of the first t typed and the first a answer words.
    std::vector<int> cost(size_t(rows * columns));
    const auto at = [&](qsizetype t, qsizetype a) -> int& { return cost[size_t(t * columns + a)]; };
    for (qsizetype t = 0; t < rows; ++t) {
        for (qsizetype a = 0; a < columns; ++a) {
            if (t == 0 || a == 0) {
                at(t, a) = int(t + a) * gapCost;
                continue;
            }
            at(t, a) = std::min({at(t - 1, a - 1) + pairCost(t - 1, a - 1), at(t, a - 1) + gapCost,
                                 at(t - 1, a) + gapCost});
        }
    }

    // Walk back from the end. On a tie an equal or misspelt pair wins, so like words line up;
    // then a gap, so that of two wrong words the first is paired and the later one is extra.
    QList<MarkedWord> reversed;
    qsizetype t = rows - 1;
    qsizetype a = columns - 1;
    while (t > 0 || a > 0) {
        const int pair = t > 0 && a > 0 ? pairCost(t - 1, a - 1) : -1;
        const bool paired = pair >= 0 && at(t, a) == at(t - 1, a - 1) + pair;
        if (paired && pair < wrongCost) {
            reversed.append({pair == 0 ? MarkedWord::Right : closeKind(t - 1, a - 1),
                             typed.at(t - 1), answer.at(a - 1)});
            --t;
            --a;
        } else if (t > 0 && at(t, a) == at(t - 1, a) + gapCost) {
            reversed.append({MarkedWord::Extra, typed.at(t - 1), QString()});
            --t;
        } else if (a > 0 && at(t, a) == at(t, a - 1) + gapCost) {
            reversed.append({MarkedWord::Missing, QString(), answer.at(a - 1)});
            --a;
        } else {
            reversed.append({MarkedWord::Wrong, typed.at(t - 1), answer.at(a - 1)});
            --t;
            --a;
        }
    }
    for (auto it = reversed.crbegin(); it != reversed.crend(); ++it) {
        add(it->kind, it->typed, it->expected);
    }
}

void DictationCheck::pairInOrder(const QStringList& typed, const QStringList& answer)
{
    for (qsizetype i = 0; i < std::max(typed.size(), answer.size()); ++i) {
        if (i >= answer.size()) {
            add(MarkedWord::Extra, typed.at(i), QString());
        } else if (i >= typed.size()) {
            add(MarkedWord::Missing, QString(), answer.at(i));
        } else {
            const QString typedKey = comparisonKey(typed.at(i));
            const QString answerKey = comparisonKey(answer.at(i));
            add(typedKey == answerKey         ? MarkedWord::Right
                : isTypo(typedKey, answerKey) ? MarkedWord::Typo
                                              : MarkedWord::Wrong,
                typed.at(i), answer.at(i));
        }
    }
}

void DictationCheck::add(MarkedWord::Kind kind, const QString& typed, const QString& expected)
{
    m_words.append({kind, typed, expected});
    m_halfPoints += kind == MarkedWord::Right ? 2 : kind == MarkedWord::Typo ? 1 : 0;
}
