#include "tools/orlune-course/coursecommands.h"

#include "align/coursefolder.h"
#include "align/coursetext.h"
#include "align/sentencealigner.h"
#include "align/timedtext.h"
#include "audio/mediaplayer.h"
#include "export/deckexport.h"
#include "export/lessonsource.h"
#include "export/subtitleexport.h"
#include "lessons/learnerstore.h"
#include "lessons/lessoncatalog.h"
#include "lessons/lessondatabase.h"
#include "lessons/lessonloader.h"
#include "lessons/starredsentences.h"
#include "lessons/timetext.h"
#include "lessons/wordnotebook.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QSaveFile>
#include <QTimer>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace CourseCommands {

namespace {

LoadedLesson read(const Sources& sources, int book, int lesson)
{
    return loadLesson(LessonDatabase(sources.database), LearnerStore(sources.learnerStore),
                      sources.voiceLibrary, LessonCatalog::bookText(book),
                      LessonCatalog::lessonText(lesson));
}

// A store that cannot be read would show the carried course in its place: say so and stop.
bool storeReadable(const Sources& sources, QTextStream& err)
{
    const QString problem = LearnerStore(sources.learnerStore).problem();
    if (!problem.isEmpty()) {
        err << problem << "\n";
    }
    return problem.isEmpty();
}

bool validLesson(int book, int lesson, QTextStream& err)
{
    if (book < 1 || book > LessonCatalog::bookCount || lesson < 1 ||
        lesson > LessonCatalog::lessonCounts[book - 1]) {
        err << "no such lesson: book " << book << ", lesson " << lesson << "\n";
        return false;
    }
    return true;
}

// A lesson's text as the learner gave it: running text split into sentences, or a timed text
// (LRC, SRT, WebVTT) with its times and Chinese lines.
struct LessonText
{
    QStringList sentences;
    TimedText::Parsed timed; // format Plain for running text
};

LessonText lessonText(const QString& text, bool linePerSentence)
{
    LessonText lesson;
    lesson.timed = TimedText::parse(text);
    if (lesson.timed.format == TimedText::Format::Plain) {
        lesson.sentences = linePerSentence ? CourseText::nonEmptyLines(text)
                                           : CourseText::splitIntoSentences(text);
    }
    return lesson;
}

// Decodes the recording and finds the sentences in it, or places a timed text's lines where
// its times say; false once the reason is told.
bool alignRecording(const QString& audioPath, LessonText* lesson, bool keepTimes,
                    SentenceAligner::Result* result, QTextStream& err)
{
    std::vector<float> samples;
    QString error;
    if (!SentenceAligner::decodeForAlignment(audioPath, &samples, &error)) {
        err << error << "\n";
        return false;
    }
    TimedText::Parsed& timed = lesson->timed;
    if (timed.format == TimedText::Format::Plain) {
        *result = SentenceAligner::align(samples, lesson->sentences);
    } else {
        const bool hadLines = !timed.lines.isEmpty();
        TimedText::fitTo(double(samples.size()) / SentenceAligner::sampleRate, &timed);
        for (const QString& note : std::as_const(timed.notes)) {
            err << note << "\n";
        }
        if (timed.lines.isEmpty()) {
            err << (hadLines
                        ? QStringLiteral("文件中所有的时间都超出了录音的长度，两者似乎不是同一课。")
                        : QStringLiteral("这个%1文件中没有带时间的英文句子。")
                              .arg(TimedText::formatName(timed.format)))
                << "\n";
            return false;
        }
        QList<SentenceAligner::Span> given;
        for (const TimedText::Line& line : std::as_const(timed.lines)) {
            lesson->sentences << line.english;
            given.append({line.start, line.end});
        }
        SentenceAligner::Options options;
        options.moveBoundariesIntoPauses = !keepTimes;
        *result = SentenceAligner::placeTimed(samples, given, options);
    }
    if (result->outcome != SentenceAligner::Outcome::Aligned) {
        err << SentenceAligner::outcomeMessage(result->outcome) << "\n";
        return false;
    }
    return true;
}

// Why an import would replace what the lesson holds now, and how that is undone, in Chinese;
// "" when the lesson holds nothing.
QString replacing(const Sources& sources, int book, int lesson)
{
    const QString bookDigit = QString::number(book);
    const QString lessonName = LessonCatalog::lessonText(lesson);
    const QString where = QStringLiteral("第 %1 册第 %2 课").arg(book).arg(lesson);
    if (LearnerStore(sources.learnerStore).hasLesson(bookDigit, lessonName)) {
        return QStringLiteral("%1已有导入的课文，没有改动。要用这次的课文代替它，请加上 "
                              "--replace（先前导入的课文将不再保留）。")
            .arg(where);
    }
    const qsizetype carried =
        LessonDatabase(sources.database).sentences(bookDigit, lessonName).size();
    if (carried == 0) {
        return {};
    }
    return QStringLiteral("%1有随附的课文（%2 句），没有改动。要用导入的课文代替它，请加上 "
                          "--replace；以后用 remove 就能换回随附的课文。")
        .arg(where)
        .arg(carried);
}

// The stored rows of sentences [from, from + sentences.size()) of an alignment. The last one
// plays to the recording's end, as the carried lessons' does, when `openEnd`: nothing the
// text does not hold follows it.
QList<SentenceRow> rowsOf(const QStringList& sentences, const QStringList& translations,
                          const SentenceAligner::Result& result, qsizetype from, bool openEnd)
{
    QList<SentenceRow> rows;
    for (qsizetype i = 0; i < sentences.size(); ++i) {
        const SentenceAligner::Span& span = result.spans[from + i];
        const bool last = i == sentences.size() - 1 && openEnd;
        rows.append({sentences[i], translations.value(i), TimeText::fromSeconds(span.start),
                     last ? QString() : TimeText::fromSeconds(span.end)});
    }
    return rows;
}

// Aligns one recording of the folder with the texts of the lessons it holds and stores each
// lesson; "" when stored, else the reason, in Chinese.
QString importPair(const Sources& sources, int book, const QString& folder,
                   const CourseFolder::Pair& pair, bool keepTimes)
{
    LessonText joined;
    QList<qsizetype> counts;
    for (const QString& name : pair.texts) {
        QString text, error;
        if (!CourseText::readTextFile(QDir(folder).filePath(name), &text, &error)) {
            return error;
        }
        const LessonText one = lessonText(text, false);
        if (!counts.isEmpty() && (one.timed.format == TimedText::Format::Plain) !=
                                     (joined.timed.format == TimedText::Format::Plain)) {
            return QStringLiteral("一个录音里两课的课文，一个带时间一个不带，无法一起对齐");
        }
        joined.sentences += one.sentences;
        joined.timed.format = one.timed.format;
        joined.timed.lines += one.timed.lines;
        counts << (one.timed.format == TimedText::Format::Plain ? one.sentences.size()
                                                                : one.timed.lines.size());
    }
    QString reasons;
    QTextStream told(&reasons);
    SentenceAligner::Result result;
    const QString recording = QDir(folder).filePath(pair.recording);
    if (!alignRecording(recording, &joined, keepTimes, &result, told)) {
        return reasons.trimmed().replace(u'\n', u' ');
    }
    // Lines past the recording's end may have gone: each lesson keeps what is left of it.
    qsizetype from = 0;
    QList<LearnerStore::Lesson> lessons;
    for (qsizetype k = 0; k < pair.lessons.size(); ++k) {
        const qsizetype count = std::min(counts[k], joined.sentences.size() - from);
        if (count <= 0) {
            return QStringLiteral("第 %1 课的句子都在录音结束之后").arg(pair.lessons[k]);
        }
        QStringList translations;
        for (qsizetype i = from; i < from + count && i < joined.timed.lines.size(); ++i) {
            translations << joined.timed.lines[i].chinese;
        }
        const bool lastLesson = k == pair.lessons.size() - 1;
        LearnerStore::Lesson lesson{QString::number(book),
                                    LessonCatalog::lessonText(pair.lessons[k]),
                                    rowsOf(joined.sentences.mid(from, count), translations, result,
                                           from, lastLesson && !result.speechAfterLast),
                                    {},
                                    recording};
        lessons << lesson;
        from += count;
    }
    for (const LearnerStore::Lesson& lesson : std::as_const(lessons)) {
        QString error;
        if (!LearnerStore(sources.learnerStore).importLesson(lesson, &error)) {
            return error;
        }
    }
    return {};
}

// Reads a lesson for a command that needs its sentences: 0 with `loaded` set, else the exit
// code once the reason is told.
int readSentences(const Sources& sources, int book, int lesson, LoadedLesson* loaded,
                  QTextStream& err)
{
    if (!storeReadable(sources, err)) {
        return 1;
    }
    *loaded = read(sources, book, lesson);
    if (loaded->table.isEmpty()) {
        err << "book " << book << ", lesson " << lesson << " has no sentences\n";
        return 1;
    }
    return 0;
}

} // namespace

int list(const Sources& sources, QTextStream& out, QTextStream& err)
{
    if (!storeReadable(sources, err)) {
        return 1;
    }
    out << "book\tlesson\tsentences\trecording\n";
    for (int book = 1; book <= LessonCatalog::bookCount; ++book) {
        for (int lesson = 1; lesson <= LessonCatalog::lessonCounts[book - 1]; ++lesson) {
            const LoadedLesson loaded = read(sources, book, lesson);
            if (loaded.table.isEmpty()) {
                continue;
            }
            const bool recorded = QFileInfo(loaded.lessonAudioFile).isFile();
            out << book << '\t' << lesson << '\t' << loaded.table.count() << '\t'
                << (recorded ? QFileInfo(loaded.lessonAudioFile).fileName() : QStringLiteral("-"))
                << '\n';
        }
    }
    return 0;
}

int show(const Sources& sources, int book, int lesson, QTextStream& out, QTextStream& err)
{
    if (!validLesson(book, lesson, err)) {
        return 2;
    }
    LoadedLesson loaded;
    if (const int failed = readSentences(sources, book, lesson, &loaded, err)) {
        return failed;
    }
    out << "index\tstart\tend\tsentence\ttranslation\n";
    const SentenceTable& t = loaded.table;
    for (int i = 0; i < t.count(); ++i) {
        out << i << '\t' << t.startTimes[i] << '\t' << t.endTimes[i] << '\t' << t.sentences[i]
            << '\t' << t.translations[i] << '\n';
    }
    return 0;
}

int play(const Sources& sources, int book, int lesson, int index, const PlayOptions& options,
         QTextStream& out, QTextStream& err)
{
    if (!validLesson(book, lesson, err)) {
        return 2;
    }
    if (!storeReadable(sources, err)) {
        return 1;
    }
    const LoadedLesson loaded = read(sources, book, lesson);
    const SentenceTable& table = loaded.table;
    if (index < 0 || index >= table.count()) {
        err << "lesson has " << table.count() << " sentences; no sentence " << index << "\n";
        return 2;
    }
    MediaPlayer player;
    player.setUrl(QFileInfo(loaded.lessonAudioFile).isFile() ? loaded.lessonAudioFile : QString());
    if (!player.hasMedia()) {
        err << "no playable recording: " << QDir::toNativeSeparators(loaded.lessonAudioFile)
            << "\n";
        return 1;
    }
    out << table.startTimes[index] << " - "
        << (table.endTimes[index].isEmpty() ? "end" : table.endTimes[index]) << "\t"
        << table.sentences[index] << "\n";
    out.flush();

    QEventLoop loop;
    // The player stops by itself at the sentence's end or at the recording's, whichever comes
    // first: an end time past the recording plays to the recording's end and stops there.
    // Between repeats it is still playing, through the pause to the next one.
    QObject::connect(&player, &MediaPlayer::endReached, &loop, [&] {
        if (player.playState() != MediaPlayer::Playing) {
            loop.exit(0);
        }
    });
    QObject::connect(&player, &MediaPlayer::outputFailed, &loop, [&] {
        err << "the sound output failed\n";
        loop.exit(1);
    });
    player.setVolume(MediaPlayer::lessonVolume);
    player.setSpeed(options.speed);
    player.setEndPosition(table.endPosition(index));
    player.controls().setCurrentPosition(table.startTime(index));
    // What is left of the recording from the sentence's start, however far past it the
    // sentence's times lie.
    const double length = double(player.frameCount()) / player.sampleRate();
    const double from = std::clamp(player.controls().currentPosition(), 0.0, length);
    const double end = table.endPosition(index);
    const double to = end < 0 ? length : std::clamp(end, from, length);
    const double heard = (to - from) / player.speed();
    const double gap = options.gapSeconds < 0 ? heard : options.gapSeconds;
    // Each repeat follows on in the same output, so the gap is exact to the frame.
    int repeatsLeft = std::clamp(options.repeats, 1, PlayOptions::maxRepeats) - 1;
    auto queueRepeat = [&] {
        if (repeatsLeft > 0) {
            player.setFollowOn(gap, table.startTime(index), end);
        }
    };
    QObject::connect(&player, &MediaPlayer::followOnStarted, &loop, [&] {
        --repeatsLeft;
        queueRepeat();
    });
    player.controls().play();
    if (player.playState() != MediaPlayer::Playing) {
        err << "the sound output could not be opened\n";
        return 1;
    }
    queueRepeat();
    // A guard against an output that never finishes: every play and pause, and some slack.
    const int plays = repeatsLeft + 1;
    QTimer::singleShot(int((plays * heard + (plays - 1) * gap) * 1000) + 5000, &loop, [&] {
        err << "playback did not finish in time\n";
        loop.exit(1);
    });
    const int result = loop.exec();
    player.close();
    return result;
}

int align(const QString& audioPath, const QString& textPath, QTextStream& out, QTextStream& err)
{
    if (audioPath.isEmpty() || textPath.isEmpty()) {
        err << "align needs --audio FILE and --text FILE\n";
        return 2;
    }
    QString text, error;
    if (!CourseText::readTextFile(textPath, &text, &error)) {
        err << error << "\n";
        return 1;
    }
    LessonText lesson = lessonText(text, true);
    SentenceAligner::Result result;
    if (!alignRecording(audioPath, &lesson, false, &result, err)) {
        return 1;
    }
    for (int i = 0; i < lesson.sentences.size(); ++i) {
        out << QString::number(result.spans[i].start, 'f', 3) << '\t'
            << QString::number(result.spans[i].end, 'f', 3) << '\t' << lesson.sentences[i]
            << '\t'
            // Times a timed text gave are the learner's own: there is no match to judge.
            << (result.confidence.isEmpty() ? QStringLiteral("-")
                                            : QString::number(result.confidence.value(i), 'f', 2))
            << '\n';
    }
    return 0;
}

int importLesson(const Sources& sources, int book, int lesson, const ImportFiles& files,
                 QTextStream& out, QTextStream& err)
{
    if (!validLesson(book, lesson, err)) {
        return 2;
    }
    if (files.audio.isEmpty() || files.text.isEmpty()) {
        err << "import needs --audio FILE and --text FILE\n";
        return 2;
    }
    if (!storeReadable(sources, err)) {
        return 1;
    }
    if (const QString refusal = replacing(sources, book, lesson);
        !refusal.isEmpty() && !files.replace) {
        err << refusal << "\n";
        return 1;
    }
    QString text, error;
    if (!CourseText::readTextFile(files.text, &text, &error)) {
        err << error << "\n";
        return 1;
    }
    LessonText lessonTextRead = lessonText(text, false);
    const QStringList& sentences = lessonTextRead.sentences;
    QStringList translations;
    if (!files.translations.isEmpty()) {
        if (!CourseText::readTextFile(files.translations, &text, &error)) {
            err << error << "\n";
            return 1;
        }
        translations = CourseText::nonEmptyLines(text);
        if (lessonTextRead.timed.format == TimedText::Format::Plain &&
            translations.size() != sentences.size()) {
            err << QStringLiteral("课文有 %1 句，译文却有 %2 行：每句一行译文，顺序相同。")
                       .arg(sentences.size())
                       .arg(translations.size())
                << "\n";
            return 1;
        }
    }
    LearnerStore::Lesson stored{
        QString::number(book), LessonCatalog::lessonText(lesson), {}, {}, files.audio};
    if (!files.words.isEmpty()) {
        if (!CourseText::readTextFile(files.words, &text, &error)) {
            err << error << "\n";
            return 1;
        }
        for (const CourseText::NewWord& word : CourseText::parseNewWords(text)) {
            stored.words.append({word.word, word.meaning});
        }
    }
    SentenceAligner::Result result;
    if (!alignRecording(files.audio, &lessonTextRead, files.keepTimes, &result, err)) {
        return 1;
    }
    if (files.translations.isEmpty()) {
        for (const TimedText::Line& line : std::as_const(lessonTextRead.timed.lines)) {
            translations << line.chinese;
        }
    } else if (translations.size() != sentences.size()) {
        err << QStringLiteral("课文有 %1 句，译文却有 %2 行：每句一行译文，顺序相同。")
                   .arg(sentences.size())
                   .arg(translations.size())
            << "\n";
        return 1;
    }
    stored.sentences = rowsOf(sentences, translations, result, 0, !result.speechAfterLast);
    if (!LearnerStore(sources.learnerStore).importLesson(stored, &error)) {
        err << error << "\n";
        return 1;
    }
    out << "index\tstart\tend\tsentence\n";
    for (int i = 0; i < stored.sentences.size(); ++i) {
        const SentenceRow& row = stored.sentences[i];
        out << i << '\t' << row.start << '\t' << row.end << '\t' << row.sentence << '\n';
    }
    return 0;
}

int importFolder(const Sources& sources, int book, const FolderImport& folder, QTextStream& out,
                 QTextStream& err)
{
    if (book < 1 || book > LessonCatalog::bookCount || folder.folder.isEmpty()) {
        err << "import-folder needs --book 1 to 4 and --folder DIR\n";
        return 2;
    }
    const QDir dir(folder.folder);
    if (!dir.exists()) {
        err << QStringLiteral("找不到文件夹：%1").arg(folder.folder) << "\n";
        return 1;
    }
    if (!storeReadable(sources, err)) {
        return 1;
    }
    const CourseFolder::Pairing pairing =
        CourseFolder::pairUp(dir.entryList(QDir::Files | QDir::Readable, QDir::Name));
    for (const QString& skipped : pairing.skipped) {
        err << skipped << "\n";
    }
    if (pairing.pairs.isEmpty()) {
        err << QStringLiteral("文件夹里没有按课号配对的录音和课文（例如 Lesson 012.mp3 和 "
                              "Lesson 012.lrc）。")
            << "\n";
        return 1;
    }
    int refused = 0;
    for (const CourseFolder::Pair& pair : pairing.pairs) {
        QString reason;
        for (int lesson : pair.lessons) {
            if (lesson > LessonCatalog::lessonCounts[std::size_t(book - 1)]) {
                reason = QStringLiteral("第 %1 册没有第 %2 课").arg(book).arg(lesson);
            } else if (const QString held = replacing(sources, book, lesson);
                       !held.isEmpty() && !folder.replace && reason.isEmpty()) {
                reason = held;
            }
        }
        if (reason.isEmpty()) {
            reason = importPair(sources, book, folder.folder, pair, folder.keepTimes);
        }
        refused += reason.isEmpty() ? 0 : 1;
        for (int lesson : pair.lessons) {
            out << book << '\t' << lesson << '\t'
                << (reason.isEmpty() ? QStringLiteral("stored") : QStringLiteral("refused")) << '\t'
                << (reason.isEmpty() ? pair.recording : reason) << '\n';
        }
        out.flush();
    }
    return refused == 0 ? 0 : 1;
}

int exportTimedText(const Sources& sources, int book, int lesson, const ExportFiles& files,
                    QTextStream& err)
{
    if (!validLesson(book, lesson, err)) {
        return 2;
    }
    if (files.lrc.isEmpty() == files.srt.isEmpty()) {
        err << "export needs one of --lrc FILE and --srt FILE\n";
        return 2;
    }
    LoadedLesson loaded;
    if (const int failed = readSentences(sources, book, lesson, &loaded, err)) {
        return failed;
    }
    const QList<ExportSentence> sentences = DeckExport::lessonSentences(loaded);
    const DeckExport::Summary summary = files.lrc.isEmpty()
                                            ? SubtitleExport::writeSrt(sentences, files.srt)
                                            : SubtitleExport::writeLrc(sentences, files.lrc);
    if (!summary.written) {
        err << summary.text() << "\n";
        return 1;
    }
    return 0;
}

int removeLesson(const QString& store, int book, int lesson, QTextStream& err)
{
    if (!validLesson(book, lesson, err)) {
        return 2;
    }
    QString error;
    if (!LearnerStore(store).removeLesson(QString::number(book), LessonCatalog::lessonText(lesson),
                                          &error)) {
        err << error << "\n";
        return 1;
    }
    return 0;
}

int exportLesson(const Sources& sources, int book, int lesson, const QString& ankiPath,
                 QTextStream& out, QTextStream& err)
{
    if (!validLesson(book, lesson, err)) {
        return 2;
    }
    if (ankiPath.isEmpty()) {
        err << "export needs --anki FILE\n";
        return 2;
    }
    LoadedLesson loaded;
    if (const int failed = readSentences(sources, book, lesson, &loaded, err)) {
        return failed;
    }
    const QList<ExportSentence> sentences = DeckExport::lessonSentences(loaded);
    const DeckExport::Summary summary = DeckExport::writeSentenceDeck(
        sentences, u"Orlune::"_s + sentences.first().lessonTitle(), ankiPath);
    (summary.written ? out : err) << summary.text() << "\n";
    return summary.written ? 0 : 1;
}

int exportCollected(const Sources& sources, Collected what, const QString& ankiPath,
                    QTextStream& out, QTextStream& err)
{
    if (ankiPath.isEmpty()) {
        err << "export needs --anki FILE\n";
        return 2;
    }
    const LessonSource source{sources.database, sources.voiceLibrary, sources.learnerStore};
    const QString storeFile = LearnerStore(sources.learnerStore).databasePath();
    QString problem;
    DeckExport::Summary summary;
    if (what == Collected::Notebook) {
        const QList<NotebookWord> words = WordNotebook(storeFile).words(&problem);
        if (problem.isEmpty()) {
            summary = DeckExport::writeWordDeck(source.words(words), u"Orlune::生词本"_s, ankiPath);
        }
    } else {
        const QList<StarredSentence> starred = StarredSentences(storeFile).all(&problem);
        if (problem.isEmpty()) {
            summary = DeckExport::writeSentenceDeck(source.sentences(starred), u"Orlune::难句"_s,
                                                    ankiPath);
        }
    }
    if (!problem.isEmpty()) {
        err << problem << "\n";
        return 1;
    }
    (summary.written ? out : err) << summary.text() << "\n";
    return summary.written ? 0 : 1;
}

} // namespace CourseCommands
