#include "align/coursefolder.h"

#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace CourseFolder {

namespace {

QString stem(const QString& fileName)
{
    return QFileInfo(fileName).completeBaseName();
}

} // namespace

QList<int> lessonNumbers(const QString& fileName)
{
    const QString name = stem(fileName);
    static const QRegularExpression named(u"(?:lesson|\\bl)[\\s_.-]*0*(\\d{1,3})(?!\\d)"_s,
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression chinese(u"第\\s*0*(\\d{1,3})\\s*课"_s);
    static const QRegularExpression twoLessons(
        u"(?<!\\d)0*(\\d{1,3})\\s*[-&＆_~]\\s*0*(\\d{1,3})(?!\\d)"_s);
    static const QRegularExpression number(u"(?<!\\d)0*(\\d{1,3})(?!\\d)"_s);
    for (const QRegularExpression* re : {&named, &chinese}) {
        const QRegularExpressionMatch match = re->match(name);
        if (match.hasMatch())
            return {match.captured(1).toInt()};
    }
    const QRegularExpressionMatch pair = twoLessons.match(name);
    if (pair.hasMatch() && pair.captured(2).toInt() == pair.captured(1).toInt() + 1)
        return {pair.captured(1).toInt(), pair.captured(2).toInt()};
    QList<int> found;
    for (auto it = number.globalMatch(name); it.hasNext();)
        found = {it.next().captured(1).toInt()};
    return found;
}

bool isRecording(const QString& fileName)
{
    static const QStringList kinds = {u"mp3"_s, u"wav"_s, u"flac"_s, u"ogg"_s};
    return kinds.contains(QFileInfo(fileName).suffix().toLower());
}

bool isText(const QString& fileName)
{
    static const QStringList kinds = {u"txt"_s, u"lrc"_s, u"srt"_s, u"vtt"_s};
    return kinds.contains(QFileInfo(fileName).suffix().toLower());
}

Pairing pairUp(const QStringList& fileNames)
{
    Pairing pairing;
    QMap<int, QStringList> texts;
    QMap<int, QStringList> recordings; // by the first lesson they hold
    QMap<QString, QList<int>> held;
    for (const QString& name : fileNames) {
        if (!isRecording(name) && !isText(name))
            continue;
        const QList<int> numbers = lessonNumbers(name);
        if (numbers.isEmpty() || numbers.contains(0)) {
            pairing.skipped << u"%1：文件名中没有课号，已跳过。"_s.arg(name);
            continue;
        }
        if (isText(name)) {
            if (numbers.size() > 1)
                pairing.skipped << u"%1：一个课文文件只能对应一课，已跳过。"_s.arg(name);
            else
                texts[numbers.first()] << name;
            continue;
        }
        recordings[numbers.first()] << name;
        held[name] = numbers;
    }
    QMap<int, QString> claimed; // lesson → the recording that holds it
    for (auto it = recordings.cbegin(); it != recordings.cend(); ++it) {
        for (const QString& name : it.value()) {
            for (int lesson : held[name]) {
                if (claimed.contains(lesson) || it.value().size() > 1)
                    claimed[lesson] = QString(); // two recordings: neither is taken
                else
                    claimed[lesson] = name;
            }
        }
    }
    for (auto it = recordings.cbegin(); it != recordings.cend(); ++it) {
        for (const QString& name : it.value()) {
            Pair pair{name, held[name], {}};
            QString problem;
            for (int lesson : pair.lessons) {
                if (claimed.value(lesson).isEmpty())
                    problem = u"第 %1 课有不止一个录音文件"_s.arg(lesson);
                else if (texts.value(lesson).size() > 1)
                    problem = u"第 %1 课有不止一个课文文件（%2）"_s.arg(lesson).arg(
                        texts.value(lesson).join(u"、"_s));
                else if (texts.value(lesson).isEmpty())
                    problem = u"没有第 %1 课的课文文件"_s.arg(lesson);
                else
                    pair.texts << texts.value(lesson).first();
            }
            if (problem.isEmpty())
                pairing.pairs << pair;
            else
                pairing.skipped << u"%1：%2，已跳过。"_s.arg(name, problem);
        }
    }
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
        if (!claimed.contains(it.key())) {
            for (const QString& name : it.value())
                pairing.skipped << u"%1：没有第 %2 课的录音文件，已跳过。"_s.arg(name).arg(
                    it.key());
        }
    }
    return pairing;
}

} // namespace CourseFolder
