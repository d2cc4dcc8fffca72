// orlune-course: lists, shows and plays the lessons of a built course, for course authors.
#include "lessons/learnerstore.h"
#include "tools/orlune-course/coursecommands.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// Not an exit code: the command line did not say what to do.
constexpr int usageError = -1;

int run(const CourseCommands::Sources& sources, const CourseCommands::PlayOptions& options,
        const QStringList& args, QTextStream& out, QTextStream& err)
{
    const QString command = args.value(0);
    bool ok = true;
    auto number = [&](int i) {
        bool valid = false;
        const int n = args.value(i).toInt(&valid);
        ok = ok && valid;
        return n;
    };
    if (command == QLatin1String("list") && args.size() == 1) {
        return CourseCommands::list(sources, out, err);
    }
    if (command == QLatin1String("show") && args.size() == 3) {
        const int book = number(1);
        const int lesson = number(2);
        if (ok) {
            return CourseCommands::show(sources, book, lesson, out, err);
        }
    }
    if (command == QLatin1String("play") && args.size() == 4) {
        const int book = number(1);
        const int lesson = number(2);
        const int index = number(3);
        if (ok) {
            return CourseCommands::play(sources, book, lesson, index, options, out, err);
        }
    }
    return usageError;
}

bool isWholeNumber(const QString& text)
{
    bool ok = false;
    text.toInt(&ok);
    return ok;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orlune-course"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Lists, shows and plays the lessons of a built course.\n\n"
        "  list                        lessons with sentences, their counts and recordings\n"
        "  show BOOK LESSON            each sentence with its times and translation\n"
        "  play BOOK LESSON INDEX      plays one sentence (0-based) and exits; with --speed,\n"
        "                              --repeat and --gap as a learner would hear it\n"
        "  align --audio FILE --text FILE\n"
        "                              finds each line of the text in the recording: start,\n"
        "                              end, line and how sure it is (0 to 1) on each line\n"
        "  import --book N --lesson N --audio FILE --text FILE [--translations FILE]\n"
        "         [--words FILE] [--replace] [--keep-times]\n"
        "                              aligns a learner's lesson (text, LRC, SRT or WebVTT)\n"
        "                              and keeps it in the store\n"
        "  import-folder --book N --folder DIR [--replace] [--keep-times]\n"
        "                              imports every lesson of a folder, paired by the\n"
        "                              lesson numbers in the file names\n"
        "  export --book N --lesson N (--lrc FILE | --srt FILE | --anki FILE)\n"
        "                              writes a lesson as bilingual LRC, as SRT, or as an\n"
        "                              Anki deck, each sentence with its own sound\n"
        "  export --notebook|--starred --anki FILE\n"
        "                              writes the word notebook or the starred sentences\n"
        "  remove --book N --lesson N  gives the lesson back to the carried course"));
    parser.addHelpOption();
    const QCommandLineOption database(QStringLiteral("database"),
                                      QStringLiteral("The lesson database (default: this "
                                                     "build's)."),
                                      QStringLiteral("file"),
                                      QStringLiteral(ORLUNE_BUILD_DATABASE));
    const QCommandLineOption voices(
        QStringLiteral("voice-dir"), QStringLiteral("The folder of lesson recordings."),
        QStringLiteral("folder"),
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("语音库")));
    const QCommandLineOption speed(QStringLiteral("speed"),
                                   QStringLiteral("play: speed from 0.5 to 1.5 in steps of 0.1, "
                                                  "the pitch kept (default: 1)."),
                                   QStringLiteral("factor"), QStringLiteral("1"));
    const QCommandLineOption repeat(
        QStringLiteral("repeat"),
        QStringLiteral("play: how often to play the sentence, 1 to %1 (default: 1).")
            .arg(CourseCommands::PlayOptions::maxRepeats),
        QStringLiteral("count"), QStringLiteral("1"));
    const QCommandLineOption gap(
        QStringLiteral("gap"),
        QStringLiteral("play: seconds of silence between repeats, 0 to %1 (default: as long "
                       "as the sentence sounds, time to say it along).")
            .arg(CourseCommands::PlayOptions::maxGapSeconds),
        QStringLiteral("seconds"));
    parser.addOption(database);
    parser.addOption(voices);
    parser.addOption(speed);
    parser.addOption(repeat);
    parser.addOption(gap);
    const QCommandLineOption audio(QStringLiteral("audio"),
                                   QStringLiteral("align, import: the recording."),
                                   QStringLiteral("file"));
    const QCommandLineOption text(
        QStringLiteral("text"),
        QStringLiteral("align: its text, one sentence a line; import: its text. UTF-8 or GBK."),
        QStringLiteral("file"));
    parser.addOption(audio);
    parser.addOption(text);
    // The program's own store, whatever this tool is called: its folder follows the program's
    // name.
    QCoreApplication::setApplicationName(QStringLiteral("Orlune"));
    const QString programStore = LearnerStore::defaultFolder();
    QCoreApplication::setApplicationName(QStringLiteral("orlune-course"));
    const QCommandLineOption store(
        QStringLiteral("store"),
        QStringLiteral("The learner's lesson store, read before the carried lessons (default: "
                       "the program's, %1).")
            .arg(QDir::toNativeSeparators(programStore)),
        QStringLiteral("folder"), programStore);
    const QCommandLineOption book(QStringLiteral("book"),
                                  QStringLiteral("import, remove, export: 1 to 4."),
                                  QStringLiteral("N"));
    const QCommandLineOption lesson(QStringLiteral("lesson"),
                                    QStringLiteral("import, remove, export: the lesson's number."),
                                    QStringLiteral("N"));
    const QCommandLineOption translations(
        QStringLiteral("translations"),
        QStringLiteral("import: one translation a line, one for each sentence, in order."),
        QStringLiteral("file"));
    const QCommandLineOption words(QStringLiteral("words"),
                                   QStringLiteral("import: the new words, \"headword<TAB>meaning\" "
                                                  "a line."),
                                   QStringLiteral("file"));
    parser.addOption(store);
    parser.addOption(book);
    parser.addOption(lesson);
    parser.addOption(translations);
    parser.addOption(words);
    const QCommandLineOption replace(
        QStringLiteral("replace"),
        QStringLiteral("import: replace the lesson's carried or earlier imported sentences."));
    const QCommandLineOption keepTimes(
        QStringLiteral("keep-times"),
        QStringLiteral("import: keep an LRC, SRT or WebVTT text's times exactly as they are."));
    const QCommandLineOption folder(
        QStringLiteral("folder"), QStringLiteral("import-folder: the folder of a book's lessons."),
        QStringLiteral("dir"));
    parser.addOption(folder);
    const QCommandLineOption lrc(QStringLiteral("lrc"),
                                 QStringLiteral("export: the LRC file to write."),
                                 QStringLiteral("file"));
    const QCommandLineOption srt(QStringLiteral("srt"),
                                 QStringLiteral("export: the SRT file to write."),
                                 QStringLiteral("file"));
    parser.addOption(lrc);
    parser.addOption(srt);
    parser.addOption(replace);
    parser.addOption(keepTimes);
    const QCommandLineOption anki(QStringLiteral("anki"),
                                  QStringLiteral("export: the Anki deck file (.apkg) to write."),
                                  QStringLiteral("file"));
    const QCommandLineOption notebook(QStringLiteral("notebook"),
                                      QStringLiteral("export: the word notebook."));
    const QCommandLineOption starred(QStringLiteral("starred"),
                                     QStringLiteral("export: the starred sentences."));
    parser.addOption(anki);
    parser.addOption(notebook);
    parser.addOption(starred);
    parser.addPositionalArgument(
        QStringLiteral("command"),
        QStringLiteral("list, show, play, align, import, import-folder, export or remove"));
    parser.process(app);

    CourseCommands::PlayOptions options;
    QString invalid;
    bool ok = false;
    options.speed = parser.value(speed).toDouble(&ok);
    // The window offers these eleven speeds only; anything between would be played at the
    // nearest of them, not at the speed asked for.
    const double tenths = options.speed * 10;
    if (!ok || !(options.speed >= 0.5 && options.speed <= 1.5) ||
        std::abs(tenths - std::round(tenths)) > 1e-6) {
        invalid = QStringLiteral("--speed must be one of 0.5, 0.6, ... 1.5 (steps of 0.1)");
    }
    options.repeats = parser.value(repeat).toInt(&ok);
    if (!ok || options.repeats < 1 || options.repeats > options.maxRepeats) {
        invalid =
            QStringLiteral("--repeat must be a whole number from 1 to %1").arg(options.maxRepeats);
    }
    if (parser.isSet(gap)) {
        options.gapSeconds = parser.value(gap).toDouble(&ok);
        if (!ok || !(options.gapSeconds >= 0 && options.gapSeconds <= options.maxGapSeconds)) {
            invalid = QStringLiteral("--gap must be a number of seconds from 0 to %1")
                          .arg(options.maxGapSeconds);
        }
    }
    int result = usageError;
    if (!invalid.isEmpty()) {
        err << invalid << "\n";
        result = 2;
    } else if (parser.positionalArguments() == QStringList{QStringLiteral("align")}) {
        result = CourseCommands::align(parser.value(audio), parser.value(text), out, err);
    } else if (parser.positionalArguments() == QStringList{QStringLiteral("import-folder")}) {
        result = CourseCommands::importFolder(
            CourseCommands::Sources{parser.value(database), parser.value(voices),
                                    parser.value(store)},
            parser.value(book).toInt(),
            {parser.value(folder), parser.isSet(replace), parser.isSet(keepTimes)}, out, err);
    } else if (const QString command = parser.positionalArguments().value(0);
               parser.positionalArguments().size() == 1 &&
               (command == QLatin1String("import") || command == QLatin1String("remove")) &&
               !(isWholeNumber(parser.value(book)) && isWholeNumber(parser.value(lesson)))) {
        err << QStringLiteral("%1 needs --book N and --lesson N, whole numbers (given: --book "
                              "\"%2\", --lesson \"%3\")\n")
                   .arg(command, parser.value(book), parser.value(lesson));
        result = 2;
    } else if (const QString command = parser.positionalArguments().value(0);
               parser.positionalArguments().size() == 1 &&
               (command == QLatin1String("import") || command == QLatin1String("remove"))) {
        // No number is no lesson: 0 is refused like any other lesson that is not there.
        const int bookNumber = parser.value(book).toInt();
        const int lessonNumber = parser.value(lesson).toInt();
        result =
            command == QLatin1String("import")
                ? CourseCommands::importLesson(
                      CourseCommands::Sources{parser.value(database), parser.value(voices),
                                              parser.value(store)},
                      bookNumber, lessonNumber,
                      {parser.value(audio), parser.value(text), parser.value(translations),
                       parser.value(words), parser.isSet(replace), parser.isSet(keepTimes)},
                      out, err)
                : CourseCommands::removeLesson(parser.value(store), bookNumber, lessonNumber, err);
    } else if (parser.positionalArguments() == QStringList{QStringLiteral("export")}) {
        const CourseCommands::Sources sources{parser.value(database), parser.value(voices),
                                              parser.value(store)};
        if (parser.isSet(notebook) || parser.isSet(starred)) {
            result = CourseCommands::exportCollected(sources,
                                                     parser.isSet(notebook)
                                                         ? CourseCommands::Collected::Notebook
                                                         : CourseCommands::Collected::Starred,
                                                     parser.value(anki), out, err);
        } else if (parser.isSet(lrc) || parser.isSet(srt)) {
            result = CourseCommands::exportTimedText(sources, parser.value(book).toInt(),
                                                     parser.value(lesson).toInt(),
                                                     {parser.value(lrc), parser.value(srt)}, err);
        } else {
            result = CourseCommands::exportLesson(sources, parser.value(book).toInt(),
                                                  parser.value(lesson).toInt(), parser.value(anki),
                                                  out, err);
        }
    } else {
        result = run(CourseCommands::Sources{parser.value(database), parser.value(voices),
                                             parser.value(store)},
                     options, parser.positionalArguments(), out, err);
    }
    if (result == usageError) {
        err << parser.helpText();
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
