#include "tools/orlune-course/coursecommands.h"

#include "align/sentencealigner.h"
#include "align/timedtext.h"
#include "audio/mediaplayer.h"
#include "export/deckexport.h"
#include "export/lessonsource.h"
#include "export/subtitleexport.h"
#include "lessons/learnerstore.h"
#include "lessons/lessoncatalog.h"
#include "lessons/starredsentences.h"
#include "lessons/wordnotebook.h"
#include "tools/orlune-course/commandsupport.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QSaveFile>
#include <QTimer>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace CourseCommands {

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
