// The commands that bring a learner's lessons in and give them back: align, import,
// import-folder and remove.
#include "align/coursetext.h"
#include "lessonimport/folderimport.h"
#include "lessonimport/lessonimport.h"
#include "lessons/learnerstore.h"
#include "lessons/lessoncatalog.h"
#include "tools/orlune-course/commandsupport.h"
#include "tools/orlune-course/coursecommands.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace CourseCommands {

namespace {

void tell(const QStringList& reasons, QTextStream& err)
{
    for (const QString& reason : reasons) {
        err << reason << "\n";
    }
}

// Why an import may not replace what the lesson holds now, and how that is done anyway and
// undone, in Chinese; "" when the lesson holds nothing.
QString refusalToReplace(int book, int lesson, const LessonImport::Held& held)
{
    const QString where = u"第 %1 册第 %2 课"_s.arg(book).arg(lesson);
    switch (held.holding) {
    case LessonImport::Holding::Imported:
        return u"%1已有导入的课文，没有改动。要用这次的课文代替它，请加上 --replace（先前导入的"
               u"课文将不再保留）。"_s.arg(where);
    case LessonImport::Holding::Carried:
        return u"%1有随附的课文（%2 句），没有改动。要用导入的课文代替它，请加上 --replace；以后"
               u"用 remove 就能换回随附的课文。"_s.arg(where)
                   .arg(held.carriedSentences);
    case LessonImport::Holding::Empty:
        break;
    }
    return {};
}

QString translationMismatch(qsizetype sentences, qsizetype translations)
{
    return u"课文有 %1 句，译文却有 %2 行：每句一行译文，顺序相同。"_s.arg(sentences).arg(
        translations);
}

// The translations and new words files of `import`, read; false once the reason is told.
bool readExtras(const ImportFiles& files, const LessonImport::Text& lesson,
                QStringList* translations, QList<WordRow>* words, QTextStream& err)
{
    QString text, error;
    if (!files.translations.isEmpty()) {
        if (!CourseText::readTextFile(files.translations, &text, &error)) {
            err << error << "\n";
            return false;
        }
        *translations = CourseText::nonEmptyLines(text);
        if (lesson.timed.format == TimedText::Format::Plain &&
            translations->size() != lesson.sentences.size()) {
            err << translationMismatch(lesson.sentences.size(), translations->size()) << "\n";
            return false;
        }
    }
    if (!files.words.isEmpty()) {
        if (!CourseText::readTextFile(files.words, &text, &error)) {
            err << error << "\n";
            return false;
        }
        for (const CourseText::NewWord& word : CourseText::parseNewWords(text)) {
            words->append({word.word, word.meaning});
        }
    }
    return true;
}

// One line a lesson: "book<TAB>lesson<TAB>stored|refused|unsure N<TAB>reason"; a stored
// lesson's reason names its recording.
void printOutcome(int book, const QString& recording, const FolderImport::Outcome& outcome,
                  QTextStream& out)
{
    using Status = FolderImport::Outcome::Status;
    QString status, reason;
    if (outcome.status != Status::Stored) {
        status = u"refused"_s;
        reason = outcome.status == Status::Cancelled ? u"已取消"_s : outcome.reason;
    } else if (outcome.unsure.isEmpty()) {
        status = u"stored"_s;
        reason = recording;
    } else {
        status = u"unsure %1"_s.arg(outcome.unsure.size());
        reason = u"%1：%2"_s.arg(recording, FolderImport::unsureText(outcome.unsure));
    }
    out << book << '\t' << outcome.lesson << '\t' << status << '\t'
        << QString(reason).replace(u'\n', u' ').replace(u'\t', u' ') << '\n';
}

} // namespace

int align(const QString& audioPath, const QString& textPath, QTextStream& out, QTextStream& err)
{
    if (audioPath.isEmpty() || textPath.isEmpty()) {
        err << "align needs --audio FILE and --text FILE\n";
        return 2;
    }
    QString text, error;
    if (!CourseText::readTextFile(textPath, &text, &error)) {
        err << error << "\n";
        return 1;
    }
    LessonImport::Text lesson = LessonImport::readText(text, true);
    SentenceAligner::Result result;
    QStringList reasons;
    const bool aligned = LessonImport::align(audioPath, &lesson, false, &result, &reasons);
    tell(reasons, err);
    if (!aligned) {
        return 1;
    }
    for (int i = 0; i < lesson.sentences.size(); ++i) {
        out << QString::number(result.spans[i].start, 'f', 3) << '\t'
            << QString::number(result.spans[i].end, 'f', 3) << '\t' << lesson.sentences[i]
            << '\t'
            // Times a timed text gave are the learner's own: there is no match to judge.
            << (result.confidence.isEmpty() ? u"-"_s
                                            : QString::number(result.confidence.value(i), 'f', 2))
            << '\n';
    }
    return 0;
}

int importLesson(const Sources& sources, int book, int lesson, const ImportFiles& files,
                 QTextStream& out, QTextStream& err)
{
    if (!validLesson(book, lesson, err)) {
        return 2;
    }
    if (files.audio.isEmpty() || files.text.isEmpty()) {
        err << "import needs --audio FILE and --text FILE\n";
        return 2;
    }
    if (!storeReadable(sources, err)) {
        return 1;
    }
    const LessonImport::Held held =
        LessonImport::heldBy(sources.learnerStore, sources.database, book, lesson);
    if (const QString refusal = refusalToReplace(book, lesson, held);
        !refusal.isEmpty() && !files.replace) {
        err << refusal << "\n";
        return 1;
    }
    QString text, error;
    if (!CourseText::readTextFile(files.text, &text, &error)) {
        err << error << "\n";
        return 1;
    }
    LessonImport::Text lessonText = LessonImport::readText(text);
    QStringList translations;
    LearnerStore::Lesson stored{
        QString::number(book), LessonCatalog::lessonText(lesson), {}, {}, files.audio};
    if (!readExtras(files, lessonText, &translations, &stored.words, err)) {
        return 1;
    }
    SentenceAligner::Result result;
    QStringList reasons;
    const bool aligned =
        LessonImport::align(files.audio, &lessonText, files.keepTimes, &result, &reasons);
    tell(reasons, err);
    if (!aligned) {
        return 1;
    }
    if (files.translations.isEmpty()) {
        for (const TimedText::Line& line : std::as_const(lessonText.timed.lines)) {
            translations << line.chinese;
        }
    } else if (translations.size() != lessonText.sentences.size()) {
        err << translationMismatch(lessonText.sentences.size(), translations.size()) << "\n";
        return 1;
    }
    stored.sentences = LessonImport::rowsOf(lessonText.sentences, translations, result, 0,
                                            !result.speechAfterLast);
    if (!LearnerStore(sources.learnerStore).importLesson(stored, &error)) {
        err << error << "\n";
        return 1;
    }
    out << "index\tstart\tend\tsentence\n";
    for (int i = 0; i < stored.sentences.size(); ++i) {
        const SentenceRow& row = stored.sentences[i];
        out << i << '\t' << row.start << '\t' << row.end << '\t' << row.sentence << '\n';
    }
    return 0;
}

int importFolder(const Sources& sources, int book, const FolderOptions& folder, QTextStream& out,
                 QTextStream& err)
{
    if (book < 1 || book > LessonCatalog::bookCount || folder.folder.isEmpty()) {
        err << "import-folder needs --book 1 to 4 and --folder DIR\n";
        return 2;
    }
    const FolderImport::Sources where{sources.learnerStore, sources.database};
    const FolderImport::Plan plan = FolderImport::plan(where, book, folder.folder);
    tell(plan.skipped, err);
    if (!plan.problem.isEmpty()) {
        err << plan.problem << "\n";
        return 1;
    }
    int refused = 0;
    for (FolderImport::Item item : plan.items) {
        item.replace = folder.replace;
        for (qsizetype k = 0; k < item.lessons.size() && item.refusal.isEmpty(); ++k) {
            if (!folder.replace) {
                item.refusal = refusalToReplace(book, item.lessons[k], item.held[k]);
            }
        }
        for (const FolderImport::Outcome& outcome :
             FolderImport::importItem(where, plan, item, folder.keepTimes)) {
            refused += outcome.status == FolderImport::Outcome::Status::Stored ? 0 : 1;
            printOutcome(book, item.recording, outcome, out);
        }
        out.flush();
    }
    return refused == 0 ? 0 : 1;
}

int removeLesson(const QString& store, int book, int lesson, QTextStream& err)
{
    if (!validLesson(book, lesson, err)) {
        return 2;
    }
    QString error;
    if (!LearnerStore(store).removeLesson(QString::number(book), LessonCatalog::lessonText(lesson),
                                          &error)) {
        err << error << "\n";
        return 1;
    }
    return 0;
}

} // namespace CourseCommands
