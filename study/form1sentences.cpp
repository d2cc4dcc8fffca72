// The study window's sentence operations: marking, showing and playing the current sentence,
// the sentence click, the sentence buttons and the reading of a whole lesson.
#include "facebutton.h"
#include "form1.h"
#include "form2.h"
#include "lookuppopup.h"
#include "sitepages.h"
#include "toolbarbutton.h"

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

void Form1::UnmarkSentence()
{
    m_r1.Find(Label9);
    m_r1.setSelColor(normalColor);
    m_r1.setSelLength(0);
}

void Form1::MarkSentence(int i, int n)
{
    m_r1.Find(m_lists.sentence(i));
    m_r1.setSelColor(currentColor);
    m_r1.setSelStart(m_r1.SelStart() + n);
    m_r1.setSelLength(0);
}

void Form1::ShowSentenceTexts(int i)
{
    m_r2->setPlainText(m_lists.sentence(i));
    Label9 = m_lists.sentence(i);
    Label10 = m_lists.translation(i);
    m_Label8->setText(m_Label14->text() == translationShown ? Label10 : QString());
}

void Form1::PlaySentence(int i)
{
    // The flag goes on only once the new end is in place: moving the end can stop the
    // running playback at once, and that stop belongs to the sentence before.
    m_Timer1 = false;
    if (!m_lists.hasUsableTimes(i)) {
        m_W1.controls().stop();
        return;
    }
    m_W1.setEndPosition(m_lists.endPosition(i));
    m_W1.controls().setCurrentPosition(m_lists.startTime(i));
    m_Timer1 = true;
    m_W1.controls().play();
}

void Form1::CheckSentenceEnd()
{
    if (m_Timer1 && m_lists.isPastEnd(CurrentSentence, m_W1.controls().currentPosition())) {
        m_Timer1 = false;
        if (ContinuousReading && m_W1.hasFollowOn()) {
            // The pause runs in the player itself, so it lasts exactly a second as heard and
            // the window stays responsive: "停止" during it ends the reading.
            m_pausing = true;
            return;
        }
        m_W1.controls().stop();
    }
    // Nothing follows once the player has stopped: the last sentence was read, or none of
    // the rest can be played. Either way the reading is over.
    if (ContinuousReading && !m_W1.hasFollowOn() && m_W1.playState() != MediaPlayer::Playing) {
        finishLessonReading();
    }
}

double Form1::recordingSeconds() const
{
    return m_W1.sampleRate() > 0 ? double(m_W1.frameCount()) / m_W1.sampleRate() : 0.0;
}

int Form1::nextReadingSentence(int after) const
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
void Form1::queueNextSentence()
{
    const int next = nextReadingSentence(CurrentSentence);
    if (m_lists.endPosition(CurrentSentence) < 0 || next < 0) {
        m_W1.clearFollowOn();
        return;
    }
    m_followOnSentence = next;
    m_W1.setFollowOn(1.0, m_lists.startTime(next), m_lists.endPosition(next));
}

void Form1::continueReading()
{
    if (!ContinuousReading) {
        return;
    }
    m_pausing = false;
    m_Timer1 = true;
    CurrentSentence = m_followOnSentence;
    UnmarkSentence();
    ShowSentenceTexts(CurrentSentence);
    MarkSentence(CurrentSentence, int(m_lists.sentence(CurrentSentence).size()));
    queueNextSentence();
}

void Form1::StartLessonReading()
{
    if (!m_W1.hasMedia()) {
        m_prompts.notify(QStringLiteral("本课录音无法打开，不能朗读。"));
        return;
    }
    const int first = nextReadingSentence(-1);
    if (first < 0) {
        m_prompts.notify(QStringLiteral("本课没有可以朗读的句子。"));
        return;
    }
    CurrentSentence = first;
    UnmarkSentence();
    ShowSentenceTexts(first);
    PlaySentence(first);
    MarkSentence(first, int(m_lists.sentence(first).size()));
    ContinuousReading = true;
    m_pausing = false;
    queueNextSentence();
    setReadingPair(false, true);
    if (m_W1.playState() != MediaPlayer::Playing) {
        // Nothing could be played: the end check ends the reading at once.
        m_W1.clearFollowOn();
        CheckSentenceEnd();
    }
}

void Form1::StopLessonReading()
{
    m_W1.controls().stop();
    m_Timer1 = false;
    finishLessonReading();
}

void Form1::playbackFailed()
{
    m_Timer1 = false;
    if (ContinuousReading) {
        finishLessonReading();
    }
    // Once per outage: every click would fail the same way until the sound comes back.
    if (!m_outputFailureReported) {
        m_outputFailureReported = true;
        m_prompts.notify(QStringLiteral("无法播放声音：没有可用的音频输出设备，"
                                        "或声音服务已停止。请检查声音设置后再试。"));
    }
}

void Form1::finishLessonReading()
{
    m_pausing = false;
    UnmarkSentence();
    CurrentSentence = -1;
    ContinuousReading = false;
    setReadingPair(true, false);
    m_r2->clear();
    m_Label8->clear();
    Label10.clear();
}

void Form1::toolbarActivated(int index)
{
    switch (index) {
    case 1:
        StartLessonReading();
        break;
    case 2:
        StopLessonReading();
        break;
    case 3:
        openDictation();
        break;
    case 4:
        SitePages::open(SitePages::helpPage());
        break;
    case 5:
        SitePages::open(SitePages::homePage());
        break;
    default:
        break;
    }
}

void Form1::sentenceClick(Qt::MouseButton button)
{
    if (button == Qt::LeftButton && !ContinuousReading) {
        const int first = m_r1.lineIndex(-1);
        const QString line = m_r1.GetLineText(m_r1.lineFromChar(first));
        if (line == QLatin1String("\r")) {
            return;
        }
        UnmarkSentence();
        const int i = m_lists.sentenceForLine(m_r1.paragraphText(first), line);
        CurrentSentence = i;
        MarkSentence(i, int(line.size()));
        ShowSentenceTexts(i);
        PlaySentence(i);
    }
    if (button == Qt::RightButton) {
        m_Picture8->hide();
    }
}

void Form1::refreshSentenceDisplay()
{
    UnmarkSentence();
    ShowSentenceTexts(CurrentSentence);
    MarkSentence(CurrentSentence, int(m_lists.sentence(CurrentSentence).size()));
}

void Form1::sentenceButtonReleased(int index)
{
    switch (index) {
    case 0:
    case 1:
        if (ContinuousReading) {
            return;
        }
        if (index == 0) {
            CurrentSentence -= 1;
            if (CurrentSentence < 0) {
                CurrentSentence = 0;
                m_Label5[0]->setEnabled(false);
            }
            m_Label5[1]->setEnabled(true);
        } else {
            CurrentSentence += 1;
            if (CurrentSentence > m_lists.count() - 1) {
                CurrentSentence = m_lists.count() - 1;
                m_Label5[1]->setEnabled(false);
            }
            m_Label5[0]->setEnabled(true);
        }
        // A sentence still playing goes on, and now ends where the new sentence ends.
        if (m_Timer1) {
            m_W1.setEndPosition(m_lists.endPosition(CurrentSentence));
        }
        refreshSentenceDisplay();
        break;
    case 2:
        if (CurrentSentence < 0 || ContinuousReading) {
            return;
        }
        PlaySentence(CurrentSentence);
        refreshSentenceDisplay();
        break;
    default:
        recordingButtonReleased(index);
        break;
    }
}

void Form1::openDictation()
{
    // Nothing is handed over but the player and the button faces: the dictation window loads
    // its own lessons. A reading started here goes on while it is shown.
    auto* dictation =
        new Form2(m_W1, m_Picture5, m_Picture6, m_paths.tempPath, m_paths.voiceLibrary);
    dictation->setAttribute(Qt::WA_DeleteOnClose);
    dictation->setWindowIcon(windowIcon());
    connect(dictation, &Form2::closed, this, [this] {
        if (!m_shuttingDown) {
            show();
        }
    });
    m_Form2 = dictation;
    dictation->show();
    hide();
}

void Form1::toggleTranslation()
{
    if (m_Label14->text() != translationShown) {
        m_Label14->setText(translationShown);
        m_Label8->setText(Label10);
    } else {
        m_Label14->setText(translationHidden);
        m_Label8->clear();
    }
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    const bool mouse =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease;
    if (mouse && (watched == m_r2->viewport() || watched == m_r3->viewport() ||
                  (watched == m_r1Edit->viewport() && event->type() == QEvent::MouseButtonPress))) {
        return lookupMouseEvent(static_cast<QWidget*>(watched)->parentWidget(),
                                static_cast<QMouseEvent*>(event));
    }
    if (watched == m_T1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            nodeClick(m_T1->currentItem());
            return true;
        }
    }
    if (watched == m_r1Edit->viewport() && event->type() == QEvent::MouseButtonRelease) {
        sentenceClick(static_cast<QMouseEvent*>(event)->button());
    } else if ((watched == m_Label14 || watched == m_Label14->parentWidget()) &&
               event->type() == QEvent::MouseButtonRelease) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            toggleTranslation();
        }
        return true;
    } else if (watched == m_Label4[5] && event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        SitePages::open(SitePages::homePage());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
