#include "tools/orlune-course/commandsupport.h"

#include "lessons/learnerstore.h"
#include "lessons/lessoncatalog.h"
#include "lessons/lessondatabase.h"

namespace CourseCommands {

LoadedLesson read(const Sources& sources, int book, int lesson)
{
    return loadLesson(LessonDatabase(sources.database), LearnerStore(sources.learnerStore),
                      sources.voiceLibrary, LessonCatalog::bookText(book),
                      LessonCatalog::lessonText(lesson));
}

bool storeReadable(const Sources& sources, QTextStream& err)
{
    const QString problem = LearnerStore(sources.learnerStore).problem();
    if (!problem.isEmpty()) {
        err << problem << "\n";
    }
    return problem.isEmpty();
}

bool validLesson(int book, int lesson, QTextStream& err)
{
    if (book < 1 || book > LessonCatalog::bookCount || lesson < 1 ||
        lesson > LessonCatalog::lessonCounts[book - 1]) {
        err << "no such lesson: book " << book << ", lesson " << lesson << "\n";
        return false;
    }
    return true;
}

int readSentences(const Sources& sources, int book, int lesson, LoadedLesson* loaded,
                  QTextStream& err)
{
    if (!storeReadable(sources, err)) {
        return 1;
    }
    *loaded = read(sources, book, lesson);
    if (loaded->table.isEmpty()) {
        err << "book " << book << ", lesson " << lesson << " has no sentences\n";
        return 1;
    }
    return 0;
}

} // namespace CourseCommands
