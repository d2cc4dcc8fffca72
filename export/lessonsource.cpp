#include "export/lessonsource.h"

#include "export/deckexport.h"
#include "lessons/learnerstore.h"
#include "lessons/lessoncatalog.h"
#include "lessons/lessondatabase.h"
#include "lessons/lessonloader.h"
#include "lessons/starredsentences.h"
#include "lessons/wordnotebook.h"

#include <QHash>

namespace {

// Lessons read once each while one export runs.
class LessonCache
{
public:
    explicit LessonCache(const LessonSource& source) : m_source(source) {}
    const QList<ExportSentence>& lesson(int book, int lesson)
    {
        const int key = book * 1000 + lesson;
        auto found = m_lessons.find(key);
        if (found == m_lessons.end()) {
            found = m_lessons.insert(key, m_source.sentences(book, lesson));
        }
        return *found;
    }

private:
    const LessonSource& m_source;
    QHash<int, QList<ExportSentence>> m_lessons;
};

} // namespace

QList<ExportSentence> LessonSource::sentences(int book, int lesson) const
{
    if (book < 1 || book > LessonCatalog::bookCount || lesson < 1 ||
        lesson > LessonCatalog::lessonCounts[book - 1]) {
        return {};
    }
    return DeckExport::lessonSentences(loadLesson(LessonDatabase(database), LearnerStore(store),
                                                  voiceLibrary, LessonCatalog::bookText(book),
                                                  LessonCatalog::lessonText(lesson)));
}

QList<ExportSentence> LessonSource::sentences(const QList<StarredSentence>& starred) const
{
    LessonCache cache(*this);
    QList<ExportSentence> result;
    for (const StarredSentence& star : starred) {
        const QList<ExportSentence>& lesson = cache.lesson(star.book, star.lesson);
        if (star.index >= 0 && star.index < lesson.size()) {
            result.append(lesson[star.index]);
        }
    }
    return result;
}

QList<ExportWord> LessonSource::words(const QList<NotebookWord>& notebook) const
{
    LessonCache cache(*this);
    QList<ExportWord> result;
    for (const NotebookWord& word : notebook) {
        ExportWord exported{word.headword, word.phonetic, word.meaning, {}};
        const QList<ExportSentence>& lesson = cache.lesson(word.book, word.lesson);
        if (word.sentenceIndex >= 0 && word.sentenceIndex < lesson.size() &&
            lesson[word.sentenceIndex].english == word.sentence) {
            exported.sentence = lesson[word.sentenceIndex];
        } else {
            exported.sentence.book = word.book;
            exported.sentence.lesson = word.lesson;
            exported.sentence.index = std::max(0, word.sentenceIndex);
            exported.sentence.english = word.sentence;
            exported.sentence.start = -1;
        }
        result.append(exported);
    }
    return result;
}
