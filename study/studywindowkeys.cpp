// The study window's keys, the learner's recording buttons and what stands over the lesson text.
#include "study/practicemenu.h"
#include "study/recordingcontrols.h"
#include "study/startscreen.h"
#include "study/studywindow.h"
#include "study/textmask.h"
#include "study/toolbarbutton.h"
#include "widgets/facebutton.h"
#include "widgets/lessontree.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

QString withShortcut(const QString& text, const QKeySequence& keys)
{
    return QStringLiteral("%1（%2）").arg(text, keys.toString(QKeySequence::NativeText));
}

} // namespace

void StudyWindow::buildRecordingControls()
{
    m_recording = new RecordingControls({m_panels.sentenceButton(RecordVoice),
                                         m_panels.sentenceButton(PlayRecording),
                                         m_panels.sentenceButton(SaveRecording)},
                                        m_paths.recordingFile(), m_prompts, this);
}

void StudyWindow::buildTextCovers()
{
    QTextEdit* lessonText = m_panels.sentenceView().widget();
    auto* start = new StartScreen(lessonText, m_practice, [this](int book, int lesson) {
        const QTreeWidgetItem* node = m_panels.lessonTree()->lessonNode(book, lesson);
        return node && node->toolTip(0) != LessonTree::emptyLessonTip();
    });
    connect(start, &StartScreen::continueRequested, this, &StudyWindow::continueLastStudy);
    connect(this, &StudyWindow::lessonShown, start,
            [this, start] { start->setLessonOpen(m_lesson.book > 0); });
    auto* mask =
        new TextMask({lessonText->document(), m_panels.currentSentenceBox()->document()}, this);
    mask->setMasked(m_practice.hidesText());
    connect(m_practiceMenu, &PracticeMenu::hideTextChosen, this, [this, mask](bool hide) {
        m_practice.setHidesText(hide);
        mask->setMasked(hide);
    });
}

void StudyWindow::buildShortcuts()
{
    struct Key
    {
        const char* name;
        QKeySequence keys;
        QWidget* control;
        QString tip;
        std::function<void()> act;
    };
    const auto button = [this](StudyPanels::SentenceButton which) {
        return [this, which] {
            if (m_panels.sentenceButton(which)->isEnabled()) {
                sentenceButtonReleased(which);
            }
        };
    };
    const std::array<Key, 7> keys{{
        {"key_replay", QKeySequence(Qt::Key_F5), m_panels.sentenceButton(ReplaySentence),
         QStringLiteral("再听一遍本句"), button(ReplaySentence)},
        {"key_previous", QKeySequence(Qt::ALT | Qt::Key_Left),
         m_panels.sentenceButton(PreviousSentence), QStringLiteral("上一句"),
         button(PreviousSentence)},
        {"key_next", QKeySequence(Qt::ALT | Qt::Key_Right), m_panels.sentenceButton(NextSentence),
         QStringLiteral("下一句"), button(NextSentence)},
        {"key_read", QKeySequence(Qt::Key_F6), m_panels.toolbarButton(ReadLesson),
         QStringLiteral("朗读全课"),
         [this] {
             if (m_panels.toolbarButton(ReadLesson)->isActionEnabled()) {
                 toolbarActivated(ReadLesson);
             }
         }},
        {"key_stop", QKeySequence(Qt::Key_Escape), m_panels.toolbarButton(StopReading),
         QStringLiteral("停止朗读和重复"), [this] { stopPlaying(); }},
        {"key_record", QKeySequence(Qt::Key_F8), m_panels.sentenceButton(RecordVoice),
         QStringLiteral("开始或停止录音"), button(RecordVoice)},
        {"key_playback", QKeySequence(Qt::Key_F9), m_panels.sentenceButton(PlayRecording),
         QStringLiteral("回放录音"), button(PlayRecording)},
    }};
    for (const Key& key : keys) {
        auto* action = new QAction(key.tip, this);
        action->setObjectName(QString::fromLatin1(key.name));
        action->setShortcut(key.keys);
        connect(action, &QAction::triggered, this, key.act);
        addAction(action);
        key.control->setToolTip(withShortcut(key.tip, key.keys));
    }
}
