#include "tools/orlune-course/commandline.h"

#include "lessons/learnerstore.h"

#include <QCoreApplication>
#include <QDir>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QString description =
    u"Lists, shows and plays the lessons of a built course.\n\n"
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
    "                              lesson numbers in the file names; one line a lesson:\n"
    "                              book, lesson, stored|refused|unsure N, reason\n"
    "  export --book N --lesson N (--lrc FILE | --srt FILE | --anki FILE)\n"
    "                              writes a lesson as bilingual LRC, as SRT, or as an\n"
    "                              Anki deck, each sentence with its own sound\n"
    "  export --notebook|--starred --anki FILE\n"
    "                              writes the word notebook or the starred sentences\n"
    "  remove --book N --lesson N  gives the lesson back to the carried course"_s;

// The program's own store, whatever this tool is called: its folder follows the program's name.
QString programStore()
{
    const QString tool = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(u"Orlune"_s);
    const QString folder = LearnerStore::defaultFolder();
    QCoreApplication::setApplicationName(tool);
    return folder;
}

// Each option's names, help text, value name and default, in CommandLine::Option order.
std::vector<QCommandLineOption> makeOptions()
{
    using Max = CourseCommands::PlayOptions;
    const QString voices =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("语音库"));
    const QString store = programStore();
    std::vector<QCommandLineOption> options{
        {u"database"_s, u"The lesson database (default: this build's)."_s, u"file"_s,
         QStringLiteral(ORLUNE_BUILD_DATABASE)},
        {u"voice-dir"_s, u"The folder of lesson recordings."_s, u"folder"_s, voices},
        {u"speed"_s, u"play: speed from 0.5 to 1.5 in steps of 0.1, the pitch kept (default: 1)."_s,
         u"factor"_s, u"1"_s},
        {u"repeat"_s,
         u"play: how often to play the sentence, 1 to %1 (default: 1)."_s.arg(Max::maxRepeats),
         u"count"_s, u"1"_s},
        {u"gap"_s,
         u"play: seconds of silence between repeats, 0 to %1 (default: as long as the sentence "
         u"sounds, time to say it along)."_s.arg(Max::maxGapSeconds),
         u"seconds"_s},
        {u"audio"_s, u"align, import: the recording."_s, u"file"_s},
        {u"text"_s, u"align: its text, one sentence a line; import: its text. UTF-8 or GBK."_s,
         u"file"_s},
        {u"store"_s,
         u"The learner's lesson store, read before the carried lessons (default: the program's, "
         u"%1)."_s.arg(QDir::toNativeSeparators(store)),
         u"folder"_s, store},
        {u"book"_s, u"import, remove, export: 1 to 4."_s, u"N"_s},
        {u"lesson"_s, u"import, remove, export: the lesson's number."_s, u"N"_s},
        {u"translations"_s, u"import: one translation a line, one for each sentence, in order."_s,
         u"file"_s},
        {u"words"_s, u"import: the new words, \"headword<TAB>meaning\" a line."_s, u"file"_s},
        {u"folder"_s, u"import-folder: the folder of a book's lessons."_s, u"dir"_s},
        {u"lrc"_s, u"export: the LRC file to write."_s, u"file"_s},
        {u"srt"_s, u"export: the SRT file to write."_s, u"file"_s},
        {u"replace"_s, u"import: replace the lesson's carried or earlier imported sentences."_s},
        {u"keep-times"_s,
         u"import: keep an LRC, SRT or WebVTT text's times exactly as they are."_s},
        {u"anki"_s, u"export: the Anki deck file (.apkg) to write."_s, u"file"_s},
        {u"notebook"_s, u"export: the word notebook."_s},
        {u"starred"_s, u"export: the starred sentences."_s},
    };
    return options;
}

} // namespace

CommandLine::CommandLine() : m_options(makeOptions())
{
    Q_ASSERT(m_options.size() == OptionCount);
    m_parser.setApplicationDescription(description);
    m_parser.addHelpOption();
    for (const QCommandLineOption& option : m_options) {
        m_parser.addOption(option);
    }
    m_parser.addPositionalArgument(
        u"command"_s, u"list, show, play, align, import, import-folder, export or remove"_s);
}

void CommandLine::process(const QCoreApplication& app)
{
    m_parser.process(app);
}

int CommandLine::number(Option option, bool* ok) const
{
    return value(option).toInt(ok);
}

CourseCommands::Sources CommandLine::sources() const
{
    return {value(Database), value(VoiceDir), value(Store)};
}

QString CommandLine::playOptions(CourseCommands::PlayOptions* options) const
{
    QString invalid;
    bool ok = false;
    options->speed = value(Speed).toDouble(&ok);
    // The window offers these eleven speeds only; anything between would be played at the
    // nearest of them, not at the speed asked for.
    const double tenths = options->speed * 10;
    if (!ok || !(options->speed >= 0.5 && options->speed <= 1.5) ||
        std::abs(tenths - std::round(tenths)) > 1e-6) {
        invalid = u"--speed must be one of 0.5, 0.6, ... 1.5 (steps of 0.1)"_s;
    }
    options->repeats = value(Repeat).toInt(&ok);
    if (!ok || options->repeats < 1 || options->repeats > options->maxRepeats) {
        invalid = u"--repeat must be a whole number from 1 to %1"_s.arg(options->maxRepeats);
    }
    if (isSet(Gap)) {
        options->gapSeconds = value(Gap).toDouble(&ok);
        if (!ok || !(options->gapSeconds >= 0 && options->gapSeconds <= options->maxGapSeconds)) {
            invalid =
                u"--gap must be a number of seconds from 0 to %1"_s.arg(options->maxGapSeconds);
        }
    }
    return invalid;
}
