#include "tools/course-builder/coursebuilder.h"
#include "tools/course-builder/courseerror.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

QString clock(double seconds)
{
    const long total = long(seconds + 0.5);
    return u"%1:%2:%3"_s.arg(total / 3600)
        .arg(total / 60 % 60, 2, 10, QChar(u'0'))
        .arg(total % 60, 2, 10, QChar(u'0'));
}

QString describe(const CourseBuilder::Summary& summary)
{
    QStringList delays;
    for (long delay : summary.encoderDelays)
        delays.append(QString::number(delay));
    delays.sort();
    return u"%1 lessons (%2 synthesised, %3 from cache), %4 sentences, %5 new words, "
           u"%6 recordings, %7 of audio"_s.arg(summary.lessons)
               .arg(summary.synthesised)
               .arg(summary.fromCache)
               .arg(summary.sentences)
               .arg(summary.words)
               .arg(summary.recordings)
               .arg(clock(summary.audioSeconds)) +
           (delays.isEmpty() ? QString()
                             : u", encoder delay %1 frames"_s.arg(delays.join(u", "_s)));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"course-builder"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Builds the lesson database and the lesson recordings from the course sources."_s);
    parser.addHelpOption();
    const QCommandLineOption course(u"course"_s, u"Folder with book1 to book4."_s, u"dir"_s);
    const QCommandLineOption database(u"database"_s, u"Lesson database to write."_s, u"file"_s);
    const QCommandLineOption voices(u"voice-dir"_s, u"Folder for the recordings."_s, u"dir"_s);
    const QCommandLineOption stamp(u"stamp"_s, u"Written last, on success."_s, u"file"_s);
    parser.addOptions({course, database, voices, stamp});
    parser.process(app);
    for (const auto& option : {course, database, voices, stamp}) {
        if (!parser.isSet(option)) {
            std::fprintf(stderr, "course-builder: --%s is required\n",
                         qPrintable(option.names().constFirst()));
            return 2;
        }
    }

    try {
        CourseBuilder builder({parser.value(course), parser.value(database), parser.value(voices),
                               parser.value(stamp)});
        const CourseBuilder::Summary summary = builder.run();
        std::printf("course-builder: %s\n", qPrintable(describe(summary)));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "course-builder: error: %s\n", error.what());
        return 1;
    }
    return 0;
}
