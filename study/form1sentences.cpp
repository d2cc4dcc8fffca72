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
    m_Timer1 = true;
    m_W1.setEndPosition(m_lists.endPosition(i));
    m_W1.controls().setCurrentPosition(m_lists.startTime(i));
    m_W1.controls().play();
}

void Form1::CheckSentenceEnd()
{
    if (!m_Timer1) {
        return;
    }
    if (m_lists.isPastEnd(CurrentSentence, m_W1.controls().currentPosition())) {
        m_Timer1 = false;
        if (ContinuousReading && m_W1.hasFollowOn()) {
            // The pause runs in the player itself, so it lasts exactly a second as heard and
            // the window stays responsive: "停止" during it ends the reading.
            m_pausing = true;
            return;
        }
        m_W1.controls().stop();
    }
    if (ContinuousReading && CurrentSentence == m_lists.count() - 1 &&
        m_W1.playState() != MediaPlayer::Playing) {
        UnmarkSentence();
        CurrentSentence = -1;
        ContinuousReading = false;
        m_pausing = false;
        setReadingPair(true, false);
        m_r2->clear();
        m_Label8->clear();
        Label10.clear();
    }
}

// While reading, the player goes on by itself after each sentence: a second of silence, then
// the next sentence, or the last one again at the end of the lesson.
void Form1::queueNextSentence()
{
    const int next = qMin(CurrentSentence + 1, m_lists.count() - 1);
    if (m_lists.endPosition(CurrentSentence) < 0 || next < 0) {
        m_W1.clearFollowOn();
        return;
    }
    m_W1.setFollowOn(1.0, m_lists.startTime(next), m_lists.endPosition(next));
}

void Form1::continueReading()
{
    if (!ContinuousReading) {
        return;
    }
    m_pausing = false;
    m_Timer1 = true;
    CurrentSentence = qMin(CurrentSentence + 1, m_lists.count() - 1);
    UnmarkSentence();
    ShowSentenceTexts(CurrentSentence);
    MarkSentence(CurrentSentence, int(m_lists.sentence(CurrentSentence).size()));
    queueNextSentence();
}

void Form1::StartLessonReading()
{
    CurrentSentence = 0;
    UnmarkSentence();
    ShowSentenceTexts(0);
    PlaySentence(0);
    MarkSentence(0, int(m_lists.sentence(0).size()));
    ContinuousReading = true;
    m_pausing = false;
    queueNextSentence();
    setReadingPair(false, true);
    if (m_W1.playState() != MediaPlayer::Playing) {
        // Nothing could be played: the end check ends a reading of one sentence at once.
        CheckSentenceEnd();
    }
}

void Form1::StopLessonReading()
{
    m_pausing = false;
    m_W1.controls().stop();
    m_Timer1 = false;
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
        int i = 0;
        while (i < m_lists.count() &&
               !(m_lists.List1[i].contains(line) || line.contains(m_lists.List1[i]))) {
            ++i;
        }
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
        toggleTranslation();
        return true;
    } else if (watched == m_Label4[5] && event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        SitePages::open(SitePages::homePage());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
