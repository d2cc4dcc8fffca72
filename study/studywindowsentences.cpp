// The study window's sentence operations: marking, showing and playing the current sentence,
// the sentence click, the sentence buttons and the reading of a whole lesson.
#include "dictation/dictationwindow.h"
#include "study/lookuppopup.h"
#include "study/studywindow.h"
#include "study/toolbarbutton.h"
#include "widgets/facebutton.h"
#include "widgets/sitepages.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTreeWidget>

namespace {
const QColor normalColor(0, 128, 128);
const QColor currentColor(255, 0, 0);
const QString translationShown = QStringLiteral("隐 藏");
const QString translationHidden = QStringLiteral("显 示");
} // namespace

void StudyWindow::unmarkSentence()
{
    m_sentenceView.find(m_markedSentence);
    m_sentenceView.setSelectionColor(normalColor);
    m_sentenceView.setSelectionLength(0);
}

void StudyWindow::markSentence(int i, int n)
{
    m_sentenceView.find(m_lists.sentence(i));
    m_sentenceView.setSelectionColor(currentColor);
    m_sentenceView.setSelectionStart(m_sentenceView.selectionStart() + n);
    m_sentenceView.setSelectionLength(0);
}

void StudyWindow::showSentenceTexts(int i)
{
    m_currentSentenceBox->setPlainText(m_lists.sentence(i));
    m_markedSentence = m_lists.sentence(i);
    m_currentTranslation = m_lists.translation(i);
    m_translationLine->setText(
        m_translationToggle->text() == translationShown ? m_currentTranslation : QString());
    rememberSentence(i);
}

void StudyWindow::playSentence(int i)
{
    // The flag goes on only once the new end is in place: moving the end can stop the
    // running playback at once, and that stop belongs to the sentence before.
    m_watchingSentence = false;
    if (!m_lists.hasUsableTimes(i)) {
        m_player.controls().stop();
        return;
    }
    m_player.setEndPosition(m_lists.endPosition(i));
    m_player.controls().setCurrentPosition(m_lists.startTime(i));
    m_watchingSentence = true;
    m_player.controls().play();
}

void StudyWindow::checkSentenceEnd()
{
    // A sentence without an end time runs to the end of the recording: while it is to sound
    // again, the player still playing at its end report means the pause has begun.
    const bool repeatPauses = m_followOnRepeats && m_player.playState() == MediaPlayer::Playing;
    if (m_watchingSentence &&
        (repeatPauses ||
         m_lists.isPastEnd(m_currentSentence, m_player.controls().currentPosition()))) {
        m_watchingSentence = false;
        if ((m_readingLesson || m_repeatingClicked) && m_player.hasFollowOn()) {
            // The pause runs in the player itself, so it lasts exactly a second as heard and
            // the window stays responsive: "停止" during it ends the reading.
            m_pausing = true;
            return;
        }
        m_player.controls().stop();
    }
    // Nothing follows once the player has stopped: the last sentence was read, or none of
    // the rest can be played. Either way the reading is over.
    if (m_readingLesson && !m_player.hasFollowOn() &&
        m_player.playState() != MediaPlayer::Playing) {
        markLessonRead();
        finishLessonReading();
    }
}

double StudyWindow::recordingSeconds() const
{
    return m_player.sampleRate() > 0 ? double(m_player.frameCount()) / m_player.sampleRate() : 0.0;
}

int StudyWindow::nextReadingSentence(int after) const
{
    const double length = recordingSeconds();
    for (int i = after + 1; i < m_lists.count(); ++i) {
        if (m_lists.isReadable(i, length)) {
            return i;
        }
    }
    // At the end of the lesson the last sentence is read again.
    const int last = m_lists.count() - 1;
    return after == last && m_lists.isReadable(last, length) ? last : -1;
}

// While reading, the player goes on by itself after each sentence: a second of silence, then
// the next sentence it can play, or the last one again at the end of the lesson.
void StudyWindow::queueNextSentence()
{
    const int next = nextReadingSentence(m_currentSentence);
    if (m_lists.endPosition(m_currentSentence) < 0 || next < 0) {
        m_player.clearFollowOn();
        return;
    }
    m_followOnSentence = next;
    m_player.setFollowOn(1.0, m_lists.startTime(next), m_lists.endPosition(next));
}

void StudyWindow::continueReading()
{
    if (!m_readingLesson && !m_repeatingClicked) {
        return;
    }
    m_pausing = false;
    m_watchingSentence = true;
    if (m_followOnRepeats) {
        m_timesLeft -= m_timesLeft > 0 ? 1 : 0;
        queueFollowOn();
        return;
    }
    m_currentSentence = m_followOnSentence;
    unmarkSentence();
    showSentenceTexts(m_currentSentence);
    markSentence(m_currentSentence, int(m_lists.sentence(m_currentSentence).size()));
    startRepeats();
}

void StudyWindow::startLessonReading()
{
    if (!m_player.hasMedia()) {
        m_prompts.notify(QStringLiteral("本课录音无法打开，不能朗读。"));
        return;
    }
    const int first = nextReadingSentence(-1);
    if (first < 0) {
        m_prompts.notify(QStringLiteral("本课没有可以朗读的句子。"));
        return;
    }
    m_currentSentence = first;
    unmarkSentence();
    showSentenceTexts(first);
    playSentence(first);
    markSentence(first, int(m_lists.sentence(first).size()));
    m_readingLesson = true;
    m_pausing = false;
    startRepeats();
    setReadingPair(false, true);
    if (m_player.playState() != MediaPlayer::Playing) {
        // Nothing could be played: the end check ends the reading at once.
        m_player.clearFollowOn();
        checkSentenceEnd();
    }
}

void StudyWindow::stopLessonReading()
{
    m_player.controls().stop();
    m_watchingSentence = false;
    finishLessonReading();
}

void StudyWindow::playbackFailed()
{
    m_watchingSentence = false;
    if (m_readingLesson) {
        finishLessonReading();
    }
    // Once per outage: every click would fail the same way until the sound comes back.
    if (!m_outputFailureReported) {
        m_outputFailureReported = true;
        m_prompts.notify(QStringLiteral("无法播放声音：没有可用的音频输出设备，"
                                        "或声音服务已停止。请检查声音设置后再试。"));
    }
}

void StudyWindow::finishLessonReading()
{
    m_pausing = false;
    m_timesLeft = 0;
    m_followOnRepeats = false;
    unmarkSentence();
    m_currentSentence = -1;
    m_readingLesson = false;
    setReadingPair(true, false);
    m_currentSentenceBox->clear();
    m_translationLine->clear();
    m_currentTranslation.clear();
}

void StudyWindow::toolbarActivated(int index)
{
    switch (index) {
    case ReadLesson:
        startLessonReading();
        break;
    case StopReading:
        stopPlaying();
        break;
    case OpenDictation:
        openDictation();
        break;
    case OpenHelp:
        SitePages::open(SitePages::helpPage());
        break;
    case OpenHome:
        SitePages::open(SitePages::homePage());
        break;
    default:
        break;
    }
}

void StudyWindow::sentenceClick(Qt::MouseButton button)
{
    if (button == Qt::LeftButton && !m_readingLesson) {
        const int first = m_sentenceView.lineIndex(-1);
        const QString line = m_sentenceView.lineText(m_sentenceView.lineFromChar(first));
        if (line == QLatin1String("\r")) {
            return;
        }
        unmarkSentence();
        const int i = m_lists.sentenceForLine(m_sentenceView.paragraphText(first), line);
        m_currentSentence = i;
        markSentence(i, int(line.size()));
        showSentenceTexts(i);
        playSentence(i);
        startRepeats();
    }
    if (button == Qt::RightButton) {
        m_wordPopup->hide();
    }
}

void StudyWindow::refreshSentenceDisplay()
{
    unmarkSentence();
    showSentenceTexts(m_currentSentence);
    markSentence(m_currentSentence, int(m_lists.sentence(m_currentSentence).size()));
}

void StudyWindow::sentenceButtonReleased(int index)
{
    switch (index) {
    case PreviousSentence:
    case NextSentence:
        if (m_readingLesson) {
            return;
        }
        if (index == PreviousSentence) {
            m_currentSentence -= 1;
            if (m_currentSentence < 0) {
                m_currentSentence = 0;
                m_sentenceButtons[PreviousSentence]->setEnabled(false);
            }
            m_sentenceButtons[NextSentence]->setEnabled(true);
        } else {
            m_currentSentence += 1;
            if (m_currentSentence > m_lists.count() - 1) {
                m_currentSentence = m_lists.count() - 1;
                m_sentenceButtons[NextSentence]->setEnabled(false);
            }
            m_sentenceButtons[PreviousSentence]->setEnabled(true);
        }
        // Moving on ends the repeats; a sentence still playing goes on, and now ends where
        // the new sentence ends.
        if (m_repeatingClicked) {
            endRepeats();
        }
        if (m_watchingSentence) {
            m_player.setEndPosition(m_lists.endPosition(m_currentSentence));
        }
        refreshSentenceDisplay();
        break;
    case ReplaySentence:
        if (m_currentSentence < 0 || m_readingLesson) {
            return;
        }
        playSentence(m_currentSentence);
        startRepeats();
        refreshSentenceDisplay();
        break;
    default:
        recordingButtonReleased(index);
        break;
    }
}

void StudyWindow::openDictation()
{
    // Nothing is handed over but the player and the button faces: the dictation window loads
    // its own lessons. A reading started here goes on while it is shown.
    // A sentence repeated here would sound between the dictation window's own: it ends.
    if (m_repeatingClicked) {
        endRepeats();
    }
    auto* dictation = new DictationWindow(m_player, m_normalFace, m_pressedFace, m_paths.tempPath,
                                          m_paths.voiceLibrary);
    dictation->setLearnerStore(m_learnerStore.folder());
    dictation->setAttribute(Qt::WA_DeleteOnClose);
    dictation->setWindowIcon(windowIcon());
    connect(dictation, &DictationWindow::closed, this, [this] {
        if (!m_shuttingDown) {
            show();
        }
    });
    m_dictationWindow = dictation;
    dictation->show();
    hide();
}

void StudyWindow::toggleTranslation()
{
    if (m_translationToggle->text() != translationShown) {
        m_translationToggle->setText(translationShown);
        m_translationLine->setText(m_currentTranslation);
    } else {
        m_translationToggle->setText(translationHidden);
        m_translationLine->clear();
    }
}

bool StudyWindow::eventFilter(QObject* watched, QEvent* event)
{
    const bool mouse =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease;
    if (mouse &&
        (watched == m_currentSentenceBox->viewport() || watched == m_newWordsBox->viewport() ||
         (watched == m_lessonText->viewport() && event->type() == QEvent::MouseButtonPress))) {
        return lookupMouseEvent(static_cast<QWidget*>(watched)->parentWidget(),
                                static_cast<QMouseEvent*>(event));
    }
    if (watched == m_lessonTree && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            nodeClick(m_lessonTree->currentItem());
            return true;
        }
    }
    if (watched == m_lessonText->viewport() && event->type() == QEvent::MouseButtonRelease) {
        sentenceClick(static_cast<QMouseEvent*>(event)->button());
    } else if ((watched == m_translationToggle || watched == m_translationToggle->parentWidget()) &&
               event->type() == QEvent::MouseButtonRelease) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            toggleTranslation();
        }
        return true;
    } else if (watched == m_headings[CreditLine] && event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        SitePages::open(SitePages::homePage());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
