#include "bench/alignment/corpuslesson.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {

QString spanText(const SentenceAligner::Span& span)
{
    return QString::number(span.start, 'f', 6) + u' ' + QString::number(span.end, 'f', 6);
}

bool readSpan(const QStringList& fields, SentenceAligner::Span* span)
{
    bool startOk = false;
    bool endOk = false;
    span->start = fields.value(1).toDouble(&startOk);
    span->end = fields.value(2).toDouble(&endOk);
    return startOk && endOk && span->end > span->start;
}

} // namespace

bool CorpusLesson::save(const QString& path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&file);
    out << "orlune-alignment-corpus " << version << '\n'
        << "name " << name << '\n'
        << "voice " << voice << '\n'
        << "announcer " << announcer << '\n'
        << "noise " << noise << '\n'
        << "pace " << pace << '\n'
        << "rate " << fileRate << '\n'
        << "seconds " << QString::number(seconds, 'f', 6) << '\n';
    for (const auto& span : otherSpeech)
        out << "other " << spanText(span) << '\n';
    for (qsizetype i = 0; i < sentences.size(); ++i)
        out << "sentence " << spanText(truth[i]) << ' ' << sentences[i] << '\n';
    out.flush();
    return file.commit();
}

bool CorpusLesson::load(const QString& path, CorpusLesson* lesson)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&file);
    if (in.readLine() != u"orlune-alignment-corpus "_s + QString::number(version))
        return false;
    *lesson = CorpusLesson{};
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const QString key = line.section(u' ', 0, 0);
        const QString value = line.section(u' ', 1);
        const QStringList fields = line.split(u' ');
        if (key == u"name")
            lesson->name = value;
        else if (key == u"voice")
            lesson->voice = value;
        else if (key == u"announcer")
            lesson->announcer = value;
        else if (key == u"noise")
            lesson->noise = value;
        else if (key == u"pace")
            lesson->pace = value.toDouble();
        else if (key == u"rate")
            lesson->fileRate = value.toInt();

        else if (key == u"seconds")
            lesson->seconds = value.toDouble();
        else if (key == u"other" || key == u"sentence") {
            SentenceAligner::Span span;
            if (!readSpan(fields, &span))
                return false;
            if (key == u"other") {
                lesson->otherSpeech.append(span);
            } else {
                lesson->truth.append(span);
                lesson->sentences.append(line.section(u' ', 3));
            }
        }
    }
    return !lesson->name.isEmpty() && lesson->seconds > 0 && !lesson->sentences.isEmpty();
}
