#pragma once

#include <QString>
#include <QTextStream>

// The commands of orlune-course, the course author's view of a built course.
namespace CourseCommands {

struct Sources
{
    QString database;
    QString voiceLibrary;
    QString learnerStore = {}; // the learner's own lessons, studied instead of the carried ones
};

// A learner's lesson for `import`: a recording and its text, with optional translations (one a
// sentence, in order) and new words ("headword<TAB>meaning" a line).
struct ImportFiles
{
    QString audio;
    QString text;
    QString translations;
    QString words;
    // Replace what the lesson holds now (carried or imported); without it such a lesson is
    // refused and nothing changes.
    bool replace = false;
    // A timed text's times as they are, not moved into the speaker's pauses.
    bool keepTimes = false;
};

// How `play` plays a sentence, as the learner's speed and repeat settings would.
struct PlayOptions
{
    static constexpr int maxRepeats = 20;
    static constexpr double maxGapSeconds = 60;
    // 0.5 to 1.5, rounded to tenths; the pitch stays.
    double speed = 1.0;
    // 1 to maxRepeats plays in a row.
    int repeats = 1;
    // The silence between two plays; negative: as long as the sentence sounds at this speed,
    // the time it takes to say it along.
    double gapSeconds = -1;
};

// Every lesson that has sentences: book, lesson, sentence count, whether a recording exists.
int list(const Sources& sources, QTextStream& out, QTextStream& err);
// Each sentence of one lesson with its start and end time and its translation.
int show(const Sources& sources, int book, int lesson, QTextStream& out, QTextStream& err);
// Plays one sentence through the program's player at the lessons' volume, as often as asked;
// returns once the last play stopped: at its end, at the recording's end, or when the output
// failed.
int play(const Sources& sources, int book, int lesson, int index, const PlayOptions& options,
         QTextStream& out, QTextStream& err);
// Finds each non-empty line of a text in a recording of it (or places the lines of an LRC, SRT
// or WebVTT text near their times) and prints "start<TAB>end<TAB>sentence" in seconds.
int align(const QString& audioPath, const QString& textPath, QTextStream& out, QTextStream& err);

// Splits the text into sentences (or reads a timed text's lines, times and Chinese), finds them
// in the recording and stores the lesson in the learner's store. A lesson that holds carried
// sentences or an earlier import is replaced only with `files.replace`, and only when
// everything succeeded.
int importLesson(const Sources& sources, int book, int lesson, const ImportFiles& files,
                 QTextStream& out, QTextStream& err);
// A folder of a book's lessons for `import-folder`: recordings and texts paired by the lesson
// numbers in their names.
struct FolderOptions
{
    QString folder;
    bool replace = false;
    bool keepTimes = false;
};
// Imports every lesson of the folder, each as `import` would, and prints one line a lesson:
// "book<TAB>lesson<TAB>stored|refused|unsure N<TAB>reason", where "unsure N" is stored with N
// sentences the aligner was unsure of (the reason then names them), and a stored lesson's
// reason is its recording. Files that cannot be paired are said on `err` and skipped. Exit
// code 1 when any lesson was refused.
int importFolder(const Sources& sources, int book, const FolderOptions& folder, QTextStream& out,
                 QTextStream& err);
// Where `export` writes a lesson: one of the two.
struct ExportFiles
{
    QString lrc;
    QString srt;
};
// Writes a lesson (the learner's import when there is one) as a bilingual LRC or as SRT, for a
// phone's player; importing either gives the same lesson back.
int exportTimedText(const Sources& sources, int book, int lesson, const ExportFiles& files,
                    QTextStream& err);
// Gives a lesson back to the carried course.
int removeLesson(const QString& store, int book, int lesson, QTextStream& err);

// Writes one lesson as an Anki deck: a note for each sentence with its own sound. Says how
// many notes went without sound, and why.
int exportLesson(const Sources& sources, int book, int lesson, const QString& ankiPath,
                 QTextStream& out, QTextStream& err);
// Writes the learner's word notebook, or their starred sentences, as an Anki deck.
enum class Collected { Notebook, Starred };
int exportCollected(const Sources& sources, Collected what, const QString& ankiPath,
                    QTextStream& out, QTextStream& err);

} // namespace CourseCommands
