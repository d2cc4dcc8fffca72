#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// Finds where each sentence of a text is spoken in a recording of it.
//
// The recording may hold more than the text: an announcement before the first sentence and
// exercises after the last are left out. Every span holds the whole of its sentence and none of
// its neighbours: boundaries sit in the pause the speaker made between two sentences.
namespace SentenceAligner {

// The sample rate the aligner works at; decodeForAlignment() delivers it.
inline constexpr int sampleRate = 16000;

// Longest recording the aligner takes: the player plays no more than this either.
inline constexpr double maxRecordingSeconds = 30 * 60;

struct Span
{
    double start = 0; // seconds from the start of the recording
    double end = 0;   // end > start; end <= the next span's start
};

enum class Outcome {
    Aligned,
    Cancelled,
    EmptyText,         // no sentence with a letter in it
    NoSpeech,          // the recording is silent (or noise only)
    TextTooLong,       // the text needs far more time than the recording holds
    RecordingTooLong,  // over maxRecordingSeconds
    SentenceTooLong,   // one sentence over maxSentenceCharacters: its end marks are missing
    TextNotInRecording // the text's speech is nowhere in the recording: another lesson's text
};

// Longer than any sentence a lesson holds; a line this long has lost its sentence ends, and
// speaking it as one sentence would take minutes that cannot be cancelled.
inline constexpr int maxSentenceCharacters = 1000;

struct Result
{
    Outcome outcome = Outcome::Aligned;
    QList<Span> spans; // one per sentence when aligned, else empty
    // More speech follows the last sentence (exercises after the text): its end must then be
    // stored, where it is otherwise left open to play to the end of the recording.
    bool speechAfterLast = false;
    // How sure the aligner is of each span (0..1, one per span): under unsureBelow the
    // learner should listen to it before trusting it.
    QList<double> confidence;
    // How sure it is that the text was read in the recording at all (0..1); a text it is
    // not sure of is refused with TextNotInRecording.
    double textConfidence = 0;
};

// A sentence whose confidence is under this is marked for the learner to check.
inline constexpr double unsureBelow = 0.5;

// Called now and then with the share done (0..1); returning false cancels the alignment.
using Progress = std::function<bool(double done)>;

struct Options
{
    // Off only to measure what the pause search gains: boundaries then stay where the warping
    // path maps the reference's boundaries.
    bool moveBoundariesIntoPauses = true;
};

// Mono samples at `sampleRate`. Runs on any thread; touches nothing shared.
Result align(const std::vector<float>& samples, const QStringList& sentences,
             const Progress& progress = {}, const Options& options = {});

// Places sentences whose times a timed text gives (`given`, a start and an end each; an end
// of -1 runs to the next start or the recording's end): each boundary is moved into the
// speaker's pause near it and onto the speech's own onset and offset, as align() does after
// warping, unless `options.moveBoundariesIntoPauses` is off, when the given times are kept.
Result placeTimed(const std::vector<float>& samples, const QList<Span>& given,
                  const Options& options = {});

// Reads anything SoundFile reads (MP3, WAV, FLAC, Ogg), mixes it to mono and resamples it to
// `sampleRate`. False, with `error` in Chinese for the learner, when the file cannot be read or
// is longer than maxRecordingSeconds. Asks `keepGoing` every second of sound or so: false stops
// the decoding and gives false with an empty `error`.
bool decodeForAlignment(const QString& path, std::vector<float>* samples, QString* error,
                        const std::function<bool()>& keepGoing = {});

// What the learner is told for an outcome other than Aligned, in Chinese.
QString outcomeMessage(Outcome outcome);

} // namespace SentenceAligner
