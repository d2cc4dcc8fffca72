#pragma once

#include "tools/orlune-course/coursecommands.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <vector>

class QCoreApplication;

// orlune-course's command line: its options, what they mean, and the values given.
class CommandLine
{
public:
    enum Option {
        Database,
        VoiceDir,
        Speed,
        Repeat,
        Gap,
        Audio,
        Text,
        Store,
        Book,
        Lesson,
        Translations,
        Words,
        Folder,
        Lrc,
        Srt,
        Replace,
        KeepTimes,
        Anki,
        Notebook,
        Starred,
        OptionCount
    };

    CommandLine();
    // Exits with the help text on --help or an unknown option, as QCommandLineParser does.
    void process(const QCoreApplication& app);

    QString value(Option option) const { return m_parser.value(m_options[option]); }
    bool isSet(Option option) const { return m_parser.isSet(m_options[option]); }
    // A whole number given with the option; `ok` false when it is not one.
    int number(Option option, bool* ok = nullptr) const;
    QStringList arguments() const { return m_parser.positionalArguments(); }
    QString helpText() const { return m_parser.helpText(); }

    CourseCommands::Sources sources() const;
    // The play options; "" when valid, else what is wrong with them.
    QString playOptions(CourseCommands::PlayOptions* options) const;

private:
    QCommandLineParser m_parser;
    std::vector<QCommandLineOption> m_options;
};
