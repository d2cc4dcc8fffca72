#include "align/timedtext.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace TimedText {

namespace {

// [mm:ss], [mm:ss.x], [mm:ss.xx], [mm:ss.xxx] and the rarer [mm:ss:xx].
const QRegularExpression& lrcTime()
{
    static const QRegularExpression re(u"^\\[(\\d{1,3}):(\\d{1,2})(?:[.:](\\d{1,3}))?\\]"_s);
    return re;
}

const QRegularExpression& lrcTag()
{
    static const QRegularExpression re(u"^\\[([A-Za-z#]+):(.*)\\]$"_s);
    return re;
}

// SRT writes 00:00:01,500 and WebVTT 00:01.500 or 00:00:01.500; both are taken either way,
// as files converted by hand mix them.
const QRegularExpression& cueTimes()
{
    static const QRegularExpression re(
        u"^\\s*(?:(\\d{1,3}):)?(\\d{1,2}):(\\d{1,2})[,.](\\d{1,3})\\s*-->\\s*"
        "(?:(\\d{1,3}):)?(\\d{1,2}):(\\d{1,2})[,.](\\d{1,3})"_s);
    return re;
}

double fraction(const QString& digits)
{
    return digits.isEmpty() ? 0.0 : digits.toDouble() / std::pow(10.0, digits.size());
}

// Seconds from a cue time's hours, minutes, seconds and fraction, captured from `first` on.
double cueSeconds(const QRegularExpressionMatch& match, int first)
{
    return match.captured(first).toDouble() * 3600 + match.captured(first + 1).toDouble() * 60 +
           match.captured(first + 2).toDouble() + fraction(match.captured(first + 3));
}

QString withoutMark(const QString& text)
{
    return text.startsWith(u'\xfeff') ? text.mid(1) : text;
}

QStringList linesOf(const QString& text)
{
    static const QRegularExpression lineBreak(u"\r\n|\r|\n"_s);
    return withoutMark(text).split(lineBreak);
}

// Styling in cues: <i>, <b>, <font …>, WebVTT's <c.x>, <v Name> and <00:00:01.000>, the
// override blocks {\an8} of files converted from ASS, and the entities WebVTT escapes.
QString withoutStyling(QString text)
{
    static const QRegularExpression tags(u"<[^>]*>|\\{\\\\[^}]*\\}"_s);
    text.remove(tags);
    text.replace(u"&nbsp;"_s, u" "_s)
        .replace(u"&lt;"_s, u"<"_s)
        .replace(u"&gt;"_s, u">"_s)
        .replace(u"&amp;"_s, u"&"_s);
    return text.simplified();
}

bool isHan(QChar c)
{
    return c.script() == QChar::Script_Han;
}

QString quoted(const QString& line)
{
    constexpr int shown = 30;
    return line.size() > shown ? line.left(shown) + u"…"_s : line;
}

// Texts found at one time (LRC) or in one cue, sorted into the sentence and its translation.
struct Entry
{
    double start = 0;
    double end = -1;
    QStringList texts;
    bool repeat = false; // a second time on one LRC line: the words said again later
};

// Merges the English and the Chinese of each entry into lines; Chinese on its own goes to the
// line before it when that has none; an LRC entry with no text only ends the line before it.
QList<Line> linesFrom(QList<Entry> entries, bool endsFromNext, QStringList* notes)
{
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.start < b.start; });
    QList<Line> lines;
    bool lastEnded = true;
    for (const Entry& entry : entries) {
        QStringList english, chinese;
        for (const QString& text : entry.texts) {
            QString e, c;
            splitLanguages(text, &e, &c);
            if (!e.isEmpty())
                english << e;
            if (!c.isEmpty())
                chinese << c;
        }
        if (english.isEmpty() && chinese.isEmpty()) {
            if (endsFromNext && !lines.isEmpty() && !lastEnded) {
                lines.last().end = entry.start;
                lastEnded = true;
            } else if (!endsFromNext) {
                *notes << u"%1 的字幕是空的，已略去。"_s.arg(entry.start, 0, 'f', 2);
            }
            continue;
        }
        if (english.isEmpty()) {
            if (!lines.isEmpty() && lines.last().chinese.isEmpty()) {
                lines.last().chinese = chinese.join(u' ');
            } else {
                *notes << u"只有中文、找不到对应英文的一行已略去：%1"_s.arg(
                    quoted(chinese.join(u' ')));
            }
            continue;
        }
        if (endsFromNext && !lines.isEmpty() && !lastEnded)
            lines.last().end = entry.start;
        Line line;
        line.english = english.join(u' ');
        line.chinese = chinese.join(u' ');
        line.start = entry.start;
        line.end = entry.end;
        lines << line;
        lastEnded = !endsFromNext;
    }
    // Ends given by the file that run past the next start would make clips overlap.
    for (int k = 0; k + 1 < lines.size(); ++k) {
        if (lines[k].end > lines[k + 1].start || lines[k].end <= lines[k].start)
            lines[k].end = lines[k + 1].start;
    }
    if (!lines.isEmpty() && lines.last().end <= lines.last().start)
        lines.last().end = -1;
    return lines;
}

void noteDisorder(const QList<Entry>& entries, QStringList* notes)
{
    double latest = 0;
    for (const Entry& entry : entries) {
        if (entry.repeat)
            continue;
        if (entry.start < latest) {
            *notes << u"有些行的时间先后颠倒，已按时间重新排序。"_s;
            return;
        }
        latest = entry.start;
    }
}

Parsed parseLrc(const QString& text)
{
    Parsed parsed;
    parsed.format = Format::Lrc;
    QList<Entry> entries;
    double offset = 0;
    const QStringList lines = linesOf(text);
    for (int n = 0; n < lines.size(); ++n) {
        QString rest = lines[n].trimmed();
        if (rest.isEmpty())
            continue;
        const QRegularExpressionMatch tag = lrcTag().match(rest);
        if (tag.hasMatch() && !lrcTime().match(rest).hasMatch()) {
            const QString key = tag.captured(1).toLower();
            if (key == u"ti"_s)
                parsed.title = tag.captured(2).trimmed();
            else if (key == u"offset"_s)
                offset = tag.captured(2).trimmed().toDouble() / 1000;
            continue;
        }
        QList<double> times;
        for (auto time = lrcTime().match(rest); time.hasMatch(); time = lrcTime().match(rest)) {
            times << time.captured(1).toDouble() * 60 + time.captured(2).toDouble() +
                         fraction(time.captured(3));
            rest = rest.mid(time.capturedLength());
        }
        if (times.isEmpty()) {
            parsed.notes << u"第 %1 行没有时间，已略去：%2"_s.arg(n + 1).arg(quoted(rest));
            continue;
        }
        const QString words = withoutStyling(rest);
        for (qsizetype t = 0; t < times.size(); ++t)
            entries << Entry{times[t], -1, words.isEmpty() ? QStringList{} : QStringList{words},
                             t > 0};
    }
    // A positive offset shows the words earlier, as players apply it.
    for (Entry& entry : entries)
        entry.start = std::max(0.0, entry.start - offset);
    noteDisorder(entries, &parsed.notes);
    // Lines at one time are the sentence and its translation.
    QList<Entry> merged;
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.start < b.start; });
    for (const Entry& entry : entries) {
        if (!merged.isEmpty() && std::abs(merged.last().start - entry.start) < 0.0005)
            merged.last().texts += entry.texts;
        else
            merged << entry;
    }
    parsed.lines = linesFrom(merged, true, &parsed.notes);
    return parsed;
}

Parsed parseCues(const QString& text, Format format)
{
    Parsed parsed;
    parsed.format = format;
    QList<Entry> entries;
    const QStringList lines = linesOf(text);
    int n = 0;
    auto blank = [&](int k) { return lines[k].trimmed().isEmpty(); };
    while (n < lines.size()) {
        while (n < lines.size() && blank(n))
            ++n;
        const int blockStart = n;
        while (n < lines.size() && !blank(n))
            ++n;
        if (blockStart == n)
            break;
        const QString first = lines[blockStart].trimmed();
        if (format == Format::WebVtt &&
            (first.startsWith(u"WEBVTT"_s) || first.startsWith(u"NOTE"_s) || first == u"STYLE"_s ||
             first == u"REGION"_s))
            continue;
        int timeLine = blockStart;
        while (timeLine < n && !cueTimes().match(lines[timeLine]).hasMatch())
            ++timeLine;
        if (timeLine == n) {
            parsed.notes
                << u"第 %1 行起的一段没有时间，已略去：%2"_s.arg(blockStart + 1).arg(quoted(first));
            continue;
        }
        const QRegularExpressionMatch times = cueTimes().match(lines[timeLine]);
        Entry entry{cueSeconds(times, 1), cueSeconds(times, 5), {}, false};
        for (int k = timeLine + 1; k < n; ++k) {
            const QString words = withoutStyling(lines[k]);
            if (!words.isEmpty())
                entry.texts << words;
        }
        entries << entry;
    }
    noteDisorder(entries, &parsed.notes);
    parsed.lines = linesFrom(entries, false, &parsed.notes);
    return parsed;
}

} // namespace

Format detect(const QString& text)
{
    const QStringList lines = linesOf(text);
    const auto firstLine = std::find_if(lines.begin(), lines.end(),
                                        [](const QString& l) { return !l.trimmed().isEmpty(); });
    if (firstLine != lines.end() && firstLine->trimmed().startsWith(u"WEBVTT"_s))
        return Format::WebVtt;
    if (std::any_of(lines.begin(), lines.end(),
                    [](const QString& l) { return cueTimes().match(l).hasMatch(); }))
        return Format::Srt;
    // A file of LRC tags alone is still LRC, only one without a line to use.
    static const QStringList lrcKeys = {u"ti"_s, u"ar"_s,     u"al"_s, u"by"_s, u"offset"_s,
                                        u"au"_s, u"length"_s, u"re"_s, u"ve"_s};
    if (std::any_of(lines.begin(), lines.end(), [](const QString& l) {
            const QString line = l.trimmed();
            const QRegularExpressionMatch tag = lrcTag().match(line);
            return lrcTime().match(line).hasMatch() ||
                   (tag.hasMatch() && lrcKeys.contains(tag.captured(1).toLower()));
        }))
        return Format::Lrc;
    return Format::Plain;
}

Parsed parse(const QString& text)
{
    switch (detect(text)) {
    case Format::Plain:
        return {};
    case Format::Lrc:
        return parseLrc(text);
    case Format::Srt:
        return parseCues(text, Format::Srt);
    case Format::WebVtt:
        return parseCues(text, Format::WebVtt);
    }
    return {};
}

void fitTo(double duration, Parsed* parsed)
{
    const qsizetype before = parsed->lines.size();
    parsed->lines.removeIf([duration](const Line& line) { return line.start >= duration; });
    if (parsed->lines.size() < before) {
        parsed->notes << u"有 %1 行的时间超出了录音的长度（%2 秒），已略去。"_s
                             .arg(before - parsed->lines.size())
                             .arg(duration, 0, 'f', 1);
    }
    for (Line& line : parsed->lines) {
        if (line.end > duration)
            line.end = duration;
    }
}

bool isChinese(const QString& line)
{
    for (const QChar c : line) {
        if (isHan(c))
            return true;
        if (c.isLetter() && c.script() == QChar::Script_Latin)
            return false;
    }
    return false;
}

void splitLanguages(const QString& line, QString* english, QString* chinese)
{
    const QString text = line.trimmed();
    const auto han = std::find_if(text.begin(), text.end(), isHan);
    if (han == text.end()) {
        *english = text;
        chinese->clear();
        return;
    }
    qsizetype cut = han - text.begin();
    // Chinese quotes and brackets before the first character belong to the Chinese.
    while (cut > 0 && !text.at(cut - 1).isSpace() && !text.at(cut - 1).isLetterOrNumber() &&
           text.at(cut - 1).unicode() >= 0x2000)
        --cut;
    *english = text.left(cut).trimmed();
    *chinese = text.mid(cut).trimmed();
    const bool hasLatin = std::any_of(english->begin(), english->end(), [](QChar c) {
        return c.isLetter() && c.script() == QChar::Script_Latin;
    });
    if (!hasLatin) {
        *chinese = text;
        english->clear();
    }
}

QString toLrc(const QList<Line>& lines, const QString& title)
{
    // Hundredths are all LRC holds; rounding to them keeps a clip within 5 ms.
    const auto stamp = [](double seconds) {
        const qint64 hundredths = qRound64(std::max(0.0, seconds) * 100);
        return u"[%1:%2.%3]"_s.arg(hundredths / 6000, 2, 10, QChar(u'0'))
            .arg(hundredths / 100 % 60, 2, 10, QChar(u'0'))
            .arg(hundredths % 100, 2, 10, QChar(u'0'));
    };
    QString out;
    if (!title.isEmpty())
        out += u"[ti:%1]\n"_s.arg(title);
    for (qsizetype k = 0; k < lines.size(); ++k) {
        const Line& line = lines[k];
        out += stamp(line.start) + line.english + u'\n';
        if (!line.chinese.isEmpty())
            out += stamp(line.start) + line.chinese + u'\n';
        // LRC has no ends: a gap before the next line is marked by an empty line at its time.
        const bool gap = line.end >= 0 && (k + 1 == lines.size() || lines[k + 1].start > line.end);
        if (gap)
            out += stamp(line.end) + u'\n';
    }
    return out;
}

QString toSrt(const QList<Line>& lines)
{
    const auto stamp = [](double seconds) {
        const qint64 ms = qRound64(std::max(0.0, seconds) * 1000);
        return u"%1:%2:%3,%4"_s.arg(ms / 3600000, 2, 10, QChar(u'0'))
            .arg(ms / 60000 % 60, 2, 10, QChar(u'0'))
            .arg(ms / 1000 % 60, 2, 10, QChar(u'0'))
            .arg(ms % 1000, 3, 10, QChar(u'0'));
    };
    QString out;
    for (qsizetype k = 0; k < lines.size(); ++k) {
        const Line& line = lines[k];
        out += u"%1\n%2 --> %3\n%4\n"_s.arg(k + 1).arg(stamp(line.start), stamp(line.end),
                                                       line.english);
        if (!line.chinese.isEmpty())
            out += line.chinese + u'\n';
        out += u'\n';
    }
    return out;
}

QString formatName(Format format)
{
    switch (format) {
    case Format::Plain:
        return u"文本"_s;
    case Format::Lrc:
        return u"LRC 歌词"_s;
    case Format::Srt:
        return u"SRT 字幕"_s;
    case Format::WebVtt:
        return u"WebVTT 字幕"_s;
    }
    return {};
}

} // namespace TimedText
