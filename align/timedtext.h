#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Texts that carry their own times: LRC lyrics, SRT and WebVTT subtitles, as learners get them
// with course recordings, talks and videos. Each becomes sentences with a start, an end where
// the file gives one, and the Chinese that goes with them.
namespace TimedText {

enum class Format { Plain, Lrc, Srt, WebVtt };

struct Line
{
    QString english;
    QString chinese;  // empty when the file holds none for this line
    double start = 0; // seconds from the start of the recording
    double end = -1;  // -1: until the next line starts (or the recording ends)
};

struct Parsed
{
    Format format = Format::Plain;
    QList<Line> lines; // in time order
    QString title;     // LRC's [ti:] tag
    // What was left out or mended, one note a line, in Chinese for the review.
    QStringList notes;
};

// Recognised by the content, not the file name: a learner's files are often misnamed.
Format detect(const QString& text);

// The lines of a timed text; a plain text gives no lines.
Parsed parse(const QString& text);

// Drops the lines that start past `duration` and ends the rest within it, noting what was
// dropped.
void fitTo(double duration, Parsed* parsed);

// Whether a line is Chinese rather than English: it holds Chinese characters and no Latin
// letter before them.
bool isChinese(const QString& line);

// "Excuse me! 对不起！" as its English and its Chinese; a line of one language gives that one.
void splitLanguages(const QString& line, QString* english, QString* chinese);

// A lesson as a bilingual LRC (each English line, then its Chinese line at the same time, the
// end of the last line as a time of its own) or as SRT, one cue a sentence holding the English
// and the Chinese: for a phone's player. Read back, either gives the same lines.
QString toLrc(const QList<Line>& lines, const QString& title);
QString toSrt(const QList<Line>& lines);

// The name of a format for the learner ("LRC 歌词", "SRT 字幕", …).
QString formatName(Format format);

} // namespace TimedText
