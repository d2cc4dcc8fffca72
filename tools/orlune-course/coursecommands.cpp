#include "tools/orlune-course/coursecommands.h"

#include "align/coursetext.h"
#include "align/sentencealigner.h"
#include "audio/mediaplayer.h"
#include "lessons/learnerstore.h"
#include "lessons/lessoncatalog.h"
#include "lessons/lessondatabase.h"
#include "lessons/lessonloader.h"
#include "lessons/timetext.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>

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

// Decodes the recording and finds the sentences in it; false once the reason is told.
bool alignRecording(const QString& audioPath, const QStringList& sentences,
                    SentenceAligner::Result* result, QTextStream& err)
{
    std::vector<float> samples;
    QString error;
    if (!SentenceAligner::decodeForAlignment(audioPath, &samples, &error)) {
        err << error << "\n";
        return false;
    }
    *result = SentenceAligner::align(samples, sentences);
    if (result->outcome != SentenceAligner::Outcome::Aligned) {
        err << SentenceAligner::outcomeMessage(result->outcome) << "\n";
        return false;
    }
    return true;
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
    if (!storeReadable(sources, err)) {
        return 1;
    }
    const LoadedLesson loaded = read(sources, book, lesson);
    if (loaded.table.isEmpty()) {
        err << "book " << book << ", lesson " << lesson << " has no sentences\n";
        return 1;
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
    const QStringList sentences = CourseText::nonEmptyLines(text);
    SentenceAligner::Result result;
    if (!alignRecording(audioPath, sentences, &result, err)) {
        return 1;
    }
    for (int i = 0; i < sentences.size(); ++i) {
        out << QString::number(result.spans[i].start, 'f', 3) << '\t'
            << QString::number(result.spans[i].end, 'f', 3) << '\t' << sentences[i] << '\t'
            << QString::number(result.confidence.value(i), 'f', 2) << '\n';
    }
    return 0;
}

int importLesson(const QString& store, int book, int lesson, const ImportFiles& files,
                 QTextStream& out, QTextStream& err)
{
    if (!validLesson(book, lesson, err)) {
        return 2;
    }
    if (files.audio.isEmpty() || files.text.isEmpty()) {
        err << "import needs --audio FILE and --text FILE\n";
        return 2;
    }
    QString text, error;
    if (!CourseText::readTextFile(files.text, &text, &error)) {
        err << error << "\n";
        return 1;
    }
    const QStringList sentences = CourseText::splitIntoSentences(text);
    QStringList translations;
    if (!files.translations.isEmpty()) {
        if (!CourseText::readTextFile(files.translations, &text, &error)) {
            err << error << "\n";
            return 1;
        }
        translations = CourseText::nonEmptyLines(text);
        if (translations.size() != sentences.size()) {
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
    if (!alignRecording(files.audio, sentences, &result, err)) {
        return 1;
    }
    for (int i = 0; i < sentences.size(); ++i) {
        // The last sentence plays to the recording's end, as the carried lessons' does, unless
        // the recording goes on with what the text does not hold.
        const bool last = i == sentences.size() - 1 && !result.speechAfterLast;
        stored.sentences.append({sentences[i], translations.value(i),
                                 TimeText::fromSeconds(result.spans[i].start),
                                 last ? QString() : TimeText::fromSeconds(result.spans[i].end)});
    }
    if (!LearnerStore(store).importLesson(stored, &error)) {
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

} // namespace CourseCommands
