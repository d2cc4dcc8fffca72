#include "export/deckexport.h"

#include "audio/decodedaudio.h"
#include "export/ankipackage.h"
#include "export/sentenceclip.h"
#include "lessons/lessonloader.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace DeckExport {

namespace {

// Cuts clips from one recording after another, decoding each recording once while its
// sentences follow one another.
class ClipCutter
{
public:
    // The clip, or empty with `why` set.
    QByteArray clip(const ExportSentence& sentence, QString* why)
    {
        if (sentence.recording.isEmpty() || !QFileInfo(sentence.recording).isFile()) {
            *why = u"没有录音"_s;
            return {};
        }
        if (sentence.recording != m_path) {
            m_path = sentence.recording;
            m_audio = DecodedAudio::fromFile(m_path);
        }
        if (m_audio.isEmpty()) {
            *why = u"录音无法读取"_s;
            return {};
        }
        const SentenceClip::Span span = SentenceClip::span(
            sentence.start, sentence.end, m_audio.sampleRate(), m_audio.frameCount());
        QString error;
        const QByteArray data = SentenceClip::encodeOgg(m_audio, span, &error);
        if (data.isEmpty()) {
            *why = span.isEmpty() ? u"句子的时间不在录音之内"_s : u"声音无法编码"_s;
        }
        return data;
    }

private:
    QString m_path;
    DecodedAudio m_audio;
};

// The clip's name once it is in the package, "" when the sentence goes without sound.
QString addClip(AnkiPackage& package, ClipCutter& cutter, const ExportSentence& sentence,
                Summary* summary)
{
    const QString name = AnkiPackage::soundName(sentence);
    if (package.hasSound(name)) {
        return name;
    }
    QString why;
    const QByteArray clip = cutter.clip(sentence, &why);
    if (clip.isEmpty()) {
        summary->silent.append(sentenceLine(sentence, why));
        return {};
    }
    package.addSound(name, clip);
    return name;
}

void finish(AnkiPackage& package, const QString& path, Summary* summary)
{
    if (summary->cancelled) {
        *summary = cancelledSummary();
        return;
    }
    summary->notes = package.noteCount();
    if (!package.isValid()) {
        summary->error = package.error();
        return;
    }
    summary->written = package.write(path, &summary->error);
}

QString cleanField(const QString& text)
{
    QString clean = text;
    clean.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
    return clean;
}

Summary writeText(const QStringList& lines, const QString& path)
{
    Summary summary;
    summary.notes = int(lines.size());
    summary.written = saveBytes(path, lines.join(u'\n').append(u'\n').toUtf8(), &summary.error);
    return summary;
}

} // namespace

bool saveBytes(const QString& path, const QByteArray& bytes, QString* error)
{
    // Written beside the target and renamed over it: a failure leaves no half-written file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = cannotWrite(path, false);
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *error = cannotWrite(path, true);
        return false;
    }
    return true;
}

QString cannotWrite(const QString& path, bool opened)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (opened) {
        return u"无法写入“%1”：磁盘已满或文件夹不可写"_s.arg(shown);
    }
    // A file where the folder should be is what a learner who typed the name wrong has made.
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (folder.isFile()) {
        return u"无法写入“%1”：“%2”是一个文件，不是文件夹"_s.arg(
            shown, QDir::toNativeSeparators(folder.filePath()));
    }
    return folder.isDir() ? u"无法写入“%1”：文件夹不可写"_s.arg(shown)
                          : u"无法写入“%1”：文件夹不存在"_s.arg(shown);
}

QString sentenceLine(const ExportSentence& sentence, const QString& why)
{
    return u"%1 第%2句：%3"_s.arg(sentence.lessonTitle()).arg(sentence.index + 1).arg(why);
}

Summary cancelledSummary()
{
    Summary summary;
    summary.cancelled = true;
    summary.error = u"已取消，没有写入文件。"_s;
    return summary;
}

QString Summary::text() const
{
    if (cancelled) {
        return error;
    }
    if (!written) {
        return u"导出失败。"_s + error;
    }
    QString text = u"已导出 %1 条。"_s.arg(notes);
    if (!silent.isEmpty()) {
        text += u"其中 %1 条没有声音：\n"_s.arg(silent.size()) + silent.join(u'\n');
    }
    if (!skipped.isEmpty()) {
        text += u"\n略去 %1 句：\n"_s.arg(skipped.size()) + skipped.join(u'\n');
    }
    return text;
}

QList<ExportSentence> lessonSentences(const LoadedLesson& lesson)
{
    QList<ExportSentence> sentences;
    const SentenceTable& table = lesson.table;
    for (int i = 0; i < table.count(); ++i) {
        ExportSentence sentence;
        sentence.book = lesson.bookDigit.toInt();
        sentence.lesson = lesson.lessonNumber.toInt();
        sentence.index = i;
        sentence.english = table.sentence(i);
        sentence.chinese = table.translation(i);
        sentence.recording = lesson.lessonAudioFile;
        // Times the player would refuse give a clip of nothing rather than a wrong one.
        sentence.start = table.hasUsableTimes(i) ? table.startTime(i) : -1;
        sentence.end = table.endPosition(i);
        sentences.append(sentence);
    }
    return sentences;
}

Summary writeSentenceDeck(const QList<ExportSentence>& sentences, const QString& deckName,
                          const QString& path, const Progress& progress)
{
    Summary summary;
    AnkiPackage package(deckName);
    ClipCutter cutter;
    for (const ExportSentence& sentence : sentences) {
        if (progress && !progress(int(&sentence - sentences.data()), int(sentences.size()))) {
            summary.cancelled = true;
            break;
        }
        const QString sound = addClip(package, cutter, sentence, &summary);
        summary.withSound += sound.isEmpty() ? 0 : 1;
        if (!package.addSentence(sentence, sound)) {
            break;
        }
    }
    finish(package, path, &summary);
    return summary;
}

Summary writeWordDeck(const QList<ExportWord>& words, const QString& deckName, const QString& path,
                      const Progress& progress)
{
    Summary summary;
    AnkiPackage package(deckName);
    ClipCutter cutter;
    for (const ExportWord& word : words) {
        if (progress && !progress(int(&word - words.data()), int(words.size()))) {
            summary.cancelled = true;
            break;
        }
        const QString sound = addClip(package, cutter, word.sentence, &summary);
        summary.withSound += sound.isEmpty() ? 0 : 1;
        if (!package.addWord(word, sound)) {
            break;
        }
    }
    finish(package, path, &summary);
    return summary;
}

Summary writeSentenceText(const QList<ExportSentence>& sentences, const QString& path)
{
    QStringList lines;
    for (const ExportSentence& s : sentences) {
        lines.append(cleanField(s.english) + u'\t' + cleanField(s.chinese) + u'\t' +
                     s.lessonTitle());
    }
    return writeText(lines, path);
}

Summary writeWordText(const QList<ExportWord>& words, const QString& path)
{
    QStringList lines;
    for (const ExportWord& w : words) {
        lines.append(cleanField(w.headword) + u'\t' + cleanField(w.phonetic) + u'\t' +
                     cleanField(w.meaning) + u'\t' + cleanField(w.sentence.english) + u'\t' +
                     w.sentence.lessonTitle());
    }
    return writeText(lines, path);
}

} // namespace DeckExport
