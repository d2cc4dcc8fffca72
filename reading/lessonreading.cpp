#include "reading/lessonreading.h"

#include "reading/practicesettings.h"
#include "reading/sentenceplayer.h"

#include <algorithm>

LessonReading::LessonReading(MediaPlayer& player, const PracticeSettings& practice, QObject* parent)
    : QObject(parent), m_ownPlayer(std::make_unique<MediaSentencePlayer>(player)),
      m_player(*m_ownPlayer), m_practice(practice)
{}

LessonReading::LessonReading(SentencePlayer& player, const PracticeSettings& practice,
                             QObject* parent)
    : QObject(parent), m_player(player), m_practice(practice)
{}

LessonReading::~LessonReading() = default;

void LessonReading::setLesson(SentenceTable table)
{
    m_table = std::move(table);
    m_current = -1;
    m_readingLesson = false;
    m_watching = false;
    m_pausing = false;
    m_timesLeft = 0;
    m_followOnRepeats = false;
    m_repeatingClicked = false;
    m_play = 0;
    emit progressChanged();
}

void LessonReading::setCurrent(int i)
{
    m_current = i;
    emit progressChanged();
}

SentenceProgress LessonReading::progress() const
{
    // Only the gap before the same sentence again is the learner's; the second between two
    // sentences of a reading is a breath.
    return {m_current, m_table.count(), m_play, m_plays, m_pausing && m_followOnRepeats};
}

void LessonReading::playSentence(int i)
{
    // The watch goes on only once the new end is in place: moving the end can stop the
    // running playback at once, and that stop belongs to the sentence before.
    m_watching = false;
    if (!m_table.hasUsableTimes(i)) {
        m_player.stop();
        return;
    }
    m_player.setEnd(m_table.endPosition(i));
    m_player.setPosition(m_table.startTime(i));
    m_watching = true;
    m_player.play();
}

void LessonReading::playCurrent(int i)
{
    m_current = i;
    playSentence(i);
    startRepeats();
}

void LessonReading::moveTo(int i)
{
    m_current = i;
    if (m_repeatingClicked) {
        endRepeats();
    }
    if (m_watching) {
        m_player.setEnd(m_table.endPosition(i));
    }
    emit progressChanged();
}

void LessonReading::checkSentenceEnd()
{
    // A sentence without an end time runs to the end of the recording: while it is to sound
    // again, the player still playing at its end report means the pause has begun.
    const bool repeatPauses = m_followOnRepeats && m_player.isPlaying();
    if (m_watching && (repeatPauses || m_table.isPastEnd(m_current, m_player.position()))) {
        m_watching = false;
        if ((m_readingLesson || m_repeatingClicked) && m_player.hasFollowOn()) {
            // The pause runs in the player itself, so it lasts exactly as long as heard and the
            // window stays responsive: the stop command during it ends the reading.
            m_pausing = true;
            emit progressChanged();
            return;
        }
        m_player.stop();
    }
    // Nothing follows once the player has stopped: the last sentence was read, or none of
    // the rest can be played. Either way the reading is over.
    if (m_readingLesson && !m_player.hasFollowOn() && !m_player.isPlaying()) {
        if (wasHeardToEnd()) {
            emit lessonHeardToEnd();
        }
        finishLessonReading();
    }
}

int LessonReading::nextReadingSentence(int after) const
{
    const double length = m_player.mediaSeconds();
    for (int i = after + 1; i < m_table.count(); ++i) {
        if (m_table.isReadable(i, length)) {
            return i;
        }
    }
    // At the end of the lesson the last sentence is read again.
    const int last = m_table.count() - 1;
    return after == last && m_table.isReadable(last, length) ? last : -1;
}

// Read through: the last sentence a reading can play has been heard to its end.
bool LessonReading::wasHeardToEnd() const
{
    const int next = nextReadingSentence(m_current);
    const bool atEnd = next < 0 || next == m_current;
    return atEnd && m_player.position() > m_table.startTime(m_current);
}

// While reading, the player goes on by itself after each sentence: a second of silence, then
// the next sentence it can play, or the last one again at the end of the lesson.
void LessonReading::queueNextSentence()
{
    const int next = nextReadingSentence(m_current);
    if (m_table.endPosition(m_current) < 0 || next < 0) {
        m_player.clearFollowOn();
        return;
    }
    m_followOnSentence = next;
    m_player.setFollowOn(1.0, m_table.startTime(next), m_table.endPosition(next));
}

void LessonReading::followOnStarted()
{
    if (!m_readingLesson && !m_repeatingClicked) {
        return;
    }
    m_pausing = false;
    m_watching = true;
    if (m_followOnRepeats) {
        m_timesLeft -= m_timesLeft > 0 ? 1 : 0;
        ++m_play;
        queueFollowOn();
        emit progressChanged();
        return;
    }
    m_current = m_followOnSentence;
    emit sentenceReached(m_current);
    startRepeats();
}

void LessonReading::startLessonReading()
{
    if (!m_player.hasMedia()) {
        emit cannotRead(QStringLiteral("本课录音无法打开，不能朗读。"));
        return;
    }
    const int first = nextReadingSentence(-1);
    if (first < 0) {
        emit cannotRead(QStringLiteral("本课没有可以朗读的句子。"));
        return;
    }
    m_current = first;
    emit sentenceReached(first);
    playSentence(first);
    m_readingLesson = true;
    m_pausing = false;
    startRepeats();
    emit readingStarted();
    if (!m_player.isPlaying()) {
        // Nothing could be played: the end check ends the reading at once.
        m_player.clearFollowOn();
        checkSentenceEnd();
    }
}

void LessonReading::stopLessonReading()
{
    m_player.stop();
    m_watching = false;
    finishLessonReading();
}

void LessonReading::stop()
{
    if (m_readingLesson) {
        stopLessonReading();
        return;
    }
    // A single sentence stops where it is, and stays the current one.
    m_watching = false;
    m_player.stop();
    endRepeats();
}

void LessonReading::finishLessonReading()
{
    m_pausing = false;
    m_timesLeft = 0;
    m_followOnRepeats = false;
    m_current = -1;
    m_readingLesson = false;
    m_play = 0;
    emit progressChanged();
    emit readingFinished();
}

void LessonReading::endReached()
{
    checkSentenceEnd();
}

void LessonReading::outputRestored()
{
    if (m_outputLossReported) {
        m_outputLossReported = false;
        emit outputBack();
    }
}

void LessonReading::playStateChanged(bool playing)
{
    // The player stopped in the pause between two sentences: the dictation window took it
    // over, or the device went away. The reading cannot go on by itself; it ends as the stop
    // command ends it rather than wait.
    if (m_readingLesson && m_pausing && !playing) {
        stopLessonReading();
    }
    if (m_repeatingClicked && !playing) {
        endRepeats();
    }
}

void LessonReading::outputFailed()
{
    m_watching = false;
    if (m_readingLesson) {
        finishLessonReading();
    }
    // Once per outage: every click would fail the same way until the sound comes back.
    if (!m_outputLossReported) {
        m_outputLossReported = true;
        emit outputLost();
    }
}

// The gap is real time: "as long as the sentence" means as long as it is heard at this speed,
// so the learner can say it along in the gap.
double LessonReading::repeatGap(int i) const
{
    if (m_practice.gap() == PracticeSettings::Gap::OneSecond) {
        return 1.0;
    }
    const double end =
        m_table.endPosition(i) < 0 ? m_player.mediaSeconds() : m_table.endPosition(i);
    return std::max(0.0, end - m_table.startTime(i)) / m_player.speed();
}

// Called once the current sentence has started to sound, for the first time.
void LessonReading::startRepeats()
{
    m_pausing = false;
    const int times = m_practice.repeats();
    m_timesLeft = !m_player.isPlaying()                     ? 0
                  : times == PracticeSettings::untilStopped ? -1
                                                            : times - 1;
    queueFollowOn();
    m_plays = times;
    m_play = m_followOnRepeats ? 1 : 0;
    m_repeatingClicked = !m_readingLesson && m_followOnRepeats;
    emit progressChanged();
    if (m_repeatingClicked) {
        emit repeatsStarted();
    }
}

// What the player goes on with after the sentence sounding now: the same sentence while
// repeats are left, else during a reading the next sentence after the one-second pause.
void LessonReading::queueFollowOn()
{
    const int i = m_current;
    m_followOnRepeats = false;
    if (m_timesLeft != 0 && i >= 0 && i < m_table.count() && m_table.hasUsableTimes(i)) {
        m_followOnSentence = i;
        m_player.setFollowOn(repeatGap(i), m_table.startTime(i), m_table.endPosition(i));
        m_followOnRepeats = m_player.hasFollowOn();
    }
    if (m_followOnRepeats) {
        return;
    }
    m_timesLeft = 0;
    if (m_readingLesson) {
        queueNextSentence();
    } else if (m_player.hasFollowOn()) {
        m_player.clearFollowOn();
    }
}

void LessonReading::endRepeats()
{
    m_timesLeft = 0;
    m_followOnRepeats = false;
    m_repeatingClicked = false;
    m_play = 0;
    if (m_pausing) {
        // Silence alone is left to play: nothing the learner would miss.
        m_pausing = false;
        m_player.stop();
    } else if (m_player.hasFollowOn()) {
        m_player.clearFollowOn();
    }
    emit progressChanged();
    if (!m_readingLesson) {
        emit repeatsEnded();
    }
}
