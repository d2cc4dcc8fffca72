// orlune-course: lists, shows and plays the lessons of a built course, for course authors.
#include "tools/orlune-course/commandline.h"
#include "tools/orlune-course/coursecommands.h"

#include <QCoreApplication>
#include <array>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

// Not an exit code: the command line did not say what to do.
constexpr int usageError = -1;

using Out = QTextStream;

// The numbers that follow the command (show 1 3, play 1 3 0); false when one is not a number
// or there are not exactly `count` of them.
bool numbersAfterCommand(const CommandLine& line, qsizetype count, QList<int>* numbers)
{
    const QStringList args = line.arguments();
    if (args.size() != count + 1) {
        return false;
    }
    for (qsizetype i = 1; i < args.size(); ++i) {
        bool ok = false;
        *numbers << args[i].toInt(&ok);
        if (!ok) {
            return false;
        }
    }
    return true;
}

// A command that names its lesson with --book N --lesson N: both must be whole numbers. No
// number is no lesson: 0 is refused like any other lesson that is not there.
bool bookAndLesson(const CommandLine& line, int* book, int* lesson, Out& err)
{
    bool bookOk = false, lessonOk = false;
    *book = line.number(CommandLine::Book, &bookOk);
    *lesson = line.number(CommandLine::Lesson, &lessonOk);
    if (!bookOk || !lessonOk) {
        err << u"%1 needs --book N and --lesson N, whole numbers (given: --book \"%2\", --lesson "
               u"\"%3\")\n"_s.arg(line.arguments().value(0), line.value(CommandLine::Book),
                                  line.value(CommandLine::Lesson));
    }
    return bookOk && lessonOk;
}

int list(const CommandLine& line, Out& out, Out& err)
{
    return line.arguments().size() == 1 ? CourseCommands::list(line.sources(), out, err)
                                        : usageError;
}

int show(const CommandLine& line, Out& out, Out& err)
{
    QList<int> n;
    return numbersAfterCommand(line, 2, &n)
               ? CourseCommands::show(line.sources(), n[0], n[1], out, err)
               : usageError;
}

int play(const CommandLine& line, Out& out, Out& err)
{
    QList<int> n;
    CourseCommands::PlayOptions options;
    line.playOptions(&options);
    return numbersAfterCommand(line, 3, &n)
               ? CourseCommands::play(line.sources(), n[0], n[1], n[2], options, out, err)
               : usageError;
}

int align(const CommandLine& line, Out& out, Out& err)
{
    return CourseCommands::align(line.value(CommandLine::Audio), line.value(CommandLine::Text), out,
                                 err);
}

int importLesson(const CommandLine& line, Out& out, Out& err)
{
    int book = 0, lesson = 0;
    if (!bookAndLesson(line, &book, &lesson, err)) {
        return 2;
    }
    return CourseCommands::importLesson(
        line.sources(), book, lesson,
        {line.value(CommandLine::Audio), line.value(CommandLine::Text),
         line.value(CommandLine::Translations), line.value(CommandLine::Words),
         line.isSet(CommandLine::Replace), line.isSet(CommandLine::KeepTimes)},
        out, err);
}

int importFolder(const CommandLine& line, Out& out, Out& err)
{
    return CourseCommands::importFolder(line.sources(), line.number(CommandLine::Book),
                                        {line.value(CommandLine::Folder),
                                         line.isSet(CommandLine::Replace),
                                         line.isSet(CommandLine::KeepTimes)},
                                        out, err);
}

int remove(const CommandLine& line, Out&, Out& err)
{
    int book = 0, lesson = 0;
    if (!bookAndLesson(line, &book, &lesson, err)) {
        return 2;
    }
    return CourseCommands::removeLesson(line.value(CommandLine::Store), book, lesson, err);
}

int exportCommand(const CommandLine& line, Out& out, Out& err)
{
    const int book = line.number(CommandLine::Book);
    const int lesson = line.number(CommandLine::Lesson);
    if (line.isSet(CommandLine::Notebook) || line.isSet(CommandLine::Starred)) {
        return CourseCommands::exportCollected(line.sources(),
                                               line.isSet(CommandLine::Notebook)
                                                   ? CourseCommands::Collected::Notebook
                                                   : CourseCommands::Collected::Starred,
                                               line.value(CommandLine::Anki), out, err);
    }
    if (line.isSet(CommandLine::Lrc) || line.isSet(CommandLine::Srt)) {
        return CourseCommands::exportTimedText(
            line.sources(), book, lesson,
            {line.value(CommandLine::Lrc), line.value(CommandLine::Srt)}, err);
    }
    return CourseCommands::exportLesson(line.sources(), book, lesson, line.value(CommandLine::Anki),
                                        out, err);
}

struct Command
{
    QLatin1StringView name;
    int (*run)(const CommandLine&, Out& out, Out& err);
    // Takes no words after its name: its lesson is named by options.
    bool optionsOnly;
};

const std::array<Command, 8> commands{{
    {QLatin1StringView("list"), list, false},
    {QLatin1StringView("show"), show, false},
    {QLatin1StringView("play"), play, false},
    {QLatin1StringView("align"), align, true},
    {QLatin1StringView("import"), importLesson, true},
    {QLatin1StringView("import-folder"), importFolder, true},
    {QLatin1StringView("export"), exportCommand, true},
    {QLatin1StringView("remove"), remove, true},
}};

int run(const CommandLine& line, Out& out, Out& err)
{
    CourseCommands::PlayOptions options;
    if (const QString invalid = line.playOptions(&options); !invalid.isEmpty()) {
        err << invalid << "\n";
        return 2;
    }
    const QStringList args = line.arguments();
    for (const Command& command : commands) {
        if (args.value(0) == command.name) {
            return command.optionsOnly && args.size() != 1 ? usageError
                                                           : command.run(line, out, err);
        }
    }
    return usageError;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"orlune-course"_s);
    QTextStream out(stdout);
    QTextStream err(stderr);
    CommandLine line;
    line.process(app);
    int result = run(line, out, err);
    if (result == usageError) {
        err << line.helpText();
        result = 2;
    }
    // The player is gone; let its audio device's deferred deletion run while the sound system
    // is still up.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    out.flush();
    err.flush();
    std::fflush(nullptr);
    // Qt Multimedia tears its PulseAudio connection down in a static destructor after main,
    // racing that connection's own thread (a crash in about one run of eighty). Everything is
    // written by now, so the process ends without static destructors.
    std::_Exit(result);
}
