// The study window's practice tools: speed and repeats, the keyboard, and the remembered place
// in the course.
#include "shadowing/shadowingsession.h"
#include "study/studywindow.h"
#include "study/toolbarbutton.h"
#include "widgets/commonartwork.h"
#include "widgets/designgeometry.h"
#include "widgets/facebutton.h"

#include <QActionGroup>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QTextEdit>
#include <QTreeWidget>

namespace {

QString speedText(double factor)
{
    return QStringLiteral("%1×").arg(factor, 0, 'f', 1);
}

QString repeatText(int times)
{
    return times == PracticeSettings::untilStopped ? QStringLiteral("一直重复")
                                                   : QStringLiteral("%1 次").arg(times);
}

// The lesson icon with a green tick in its lower right corner.
QIcon readLessonIcon()
{
    QPixmap picture = CommonArtwork::lessonIcon().pixmap(16, 16);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 150, 60), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(QPolygonF{QPointF(7.5, 11), QPointF(10, 13.5), QPointF(15, 7.5)});
    return QIcon(picture);
}

QString withShortcut(const QString& text, const QKeySequence& keys)
{
    return QStringLiteral("%1（%2）").arg(text, keys.toString(QKeySequence::NativeText));
}

} // namespace

void StudyWindow::buildPracticeMenu()
{
    QMenu* practice = menuBar()->addMenu(QStringLiteral("练习(&P)"));
    practice->setObjectName(QStringLiteral("练习"));

    QMenu* speeds = practice->addMenu(QStringLiteral("语速"));
    auto* speedGroup = new QActionGroup(speeds);
    for (int tenths = 5; tenths <= 15; ++tenths) {
        QAction* item = speeds->addAction(speedText(tenths / 10.0));
        item->setObjectName(QStringLiteral("speed_%1").arg(tenths));
        item->setCheckable(true);
        item->setActionGroup(speedGroup);
        connect(item, &QAction::triggered, this, [this, tenths] { setSpeed(tenths / 10.0); });
    }
    speeds->addSeparator();
    const std::array<std::pair<QString, int>, 2> steps{
        {{QStringLiteral("慢一点"), -1}, {QStringLiteral("快一点"), 1}}};
    for (const auto& [text, step] : steps) {
        QAction* item = speeds->addAction(text);
        item->setObjectName(step < 0 ? QStringLiteral("slower") : QStringLiteral("faster"));
        item->setShortcut(step < 0 ? QKeySequence(Qt::CTRL | Qt::Key_Minus)
                                   : QKeySequence(Qt::CTRL | Qt::Key_Equal));
        connect(item, &QAction::triggered, this,
                [this, step = step] { setSpeed(m_practice->speed() + step / 10.0); });
    }

    QMenu* repeats = practice->addMenu(QStringLiteral("重复次数"));
    auto* repeatGroup = new QActionGroup(repeats);
    for (int times : PracticeSettings::repeatChoices) {
        QAction* item = repeats->addAction(repeatText(times));
        item->setObjectName(QStringLiteral("repeat_%1").arg(times));
        item->setCheckable(true);
        item->setActionGroup(repeatGroup);
        connect(item, &QAction::triggered, this, [this, times] { setRepeats(times); });
    }

    QMenu* gaps = practice->addMenu(QStringLiteral("重复间隔"));
    auto* gapGroup = new QActionGroup(gaps);
    const std::array<std::pair<QString, PracticeSettings::Gap>, 2> gapChoices{
        {{QStringLiteral("与句子等长"), PracticeSettings::Gap::SentenceLength},
         {QStringLiteral("1 秒"), PracticeSettings::Gap::OneSecond}}};
    for (const auto& [text, gap] : gapChoices) {
        QAction* item = gaps->addAction(text);
        item->setObjectName(gap == PracticeSettings::Gap::OneSecond ? QStringLiteral("gap_second")
                                                                    : QStringLiteral("gap_length"));
        item->setCheckable(true);
        item->setActionGroup(gapGroup);
        connect(item, &QAction::triggered, this, [this, gap = gap] { setRepeatGap(gap); });
    }
    buildShadowing(practice);
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
    const auto button = [this](SentenceButton which) {
        return [this, which] {
            if (m_sentenceButtons[which]->isEnabled()) {
                sentenceButtonReleased(which);
            }
        };
    };
    const std::array<Key, 7> keys{{
        {"key_replay", QKeySequence(Qt::Key_F5), m_sentenceButtons[ReplaySentence],
         QStringLiteral("再听一遍本句"), button(ReplaySentence)},
        {"key_previous", QKeySequence(Qt::ALT | Qt::Key_Left), m_sentenceButtons[PreviousSentence],
         QStringLiteral("上一句"), button(PreviousSentence)},
        {"key_next", QKeySequence(Qt::ALT | Qt::Key_Right), m_sentenceButtons[NextSentence],
         QStringLiteral("下一句"), button(NextSentence)},
        {"key_read", QKeySequence(Qt::Key_F6), m_toolbar[ReadLesson], QStringLiteral("朗读全课"),
         [this] {
             if (m_toolbar[ReadLesson]->isActionEnabled()) {
                 toolbarActivated(ReadLesson);
             }
         }},
        {"key_stop", QKeySequence(Qt::Key_Escape), m_toolbar[StopReading],
         QStringLiteral("停止朗读和重复"), [this] { stopPlaying(); }},
        {"key_record", QKeySequence(Qt::Key_F8), m_sentenceButtons[RecordVoice],
         QStringLiteral("开始或停止录音"), button(RecordVoice)},
        {"key_playback", QKeySequence(Qt::Key_F9), m_sentenceButtons[PlayRecording],
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
    // In the banner's free space right of the buttons: no control moves for it.
    auto* banner = m_client->findChild<QLabel*>(QStringLiteral("banner"));
    m_practiceDisplay = new QLabel(banner);
    m_practiceDisplay->setObjectName(QStringLiteral("practiceDisplay"));
    m_practiceDisplay->setGeometry(DesignGeometry::toPixels(TwipsRect{5040, 300, 2250, 270}));
    m_practiceDisplay->setFont(DesignGeometry::chineseFont(9));
    m_practiceDisplay->setStyleSheet(QStringLiteral("background: transparent; color: #1f3f6e;"));
    m_practiceDisplay->setToolTip(QStringLiteral("在“练习”菜单中调整语速和重复次数"));
    updatePracticeDisplay();
}

void StudyWindow::updatePracticeDisplay()
{
    m_practiceDisplay->setText(
        QStringLiteral("语速 %1　重复 %2")
            .arg(speedText(m_practice->speed()), repeatText(m_practice->repeats())));
    const auto check = [this](const QString& name) {
        if (auto* item = menuBar()->findChild<QAction*>(name)) {
            item->setChecked(true);
        }
    };
    check(QStringLiteral("speed_%1").arg(qRound(m_practice->speed() * 10)));
    check(QStringLiteral("repeat_%1").arg(m_practice->repeats()));
    check(m_practice->gap() == PracticeSettings::Gap::OneSecond ? QStringLiteral("gap_second")
                                                                : QStringLiteral("gap_length"));
}

void StudyWindow::setSpeed(double factor)
{
    m_practice->setSpeed(factor);
    m_player.setSpeed(m_practice->speed());
    updatePracticeDisplay();
}

void StudyWindow::setRepeats(int times)
{
    m_practice->setRepeats(times);
    updatePracticeDisplay();
}

void StudyWindow::setRepeatGap(PracticeSettings::Gap gap)
{
    m_practice->setGap(gap);
    updatePracticeDisplay();
}

// The gap is real time: "as long as the sentence" means as long as it is heard at this speed,
// so the learner can say it along in the gap.
double StudyWindow::repeatGap(int i) const
{
    if (m_practice->gap() == PracticeSettings::Gap::OneSecond) {
        return 1.0;
    }
    const double end = m_lists.endPosition(i) < 0 ? recordingSeconds() : m_lists.endPosition(i);
    return std::max(0.0, end - m_lists.startTime(i)) / m_player.speed();
}

// Called once sentence m_currentSentence has started to sound, for the first time.
void StudyWindow::startRepeats()
{
    m_pausing = false;
    const int times = m_practice->repeats();
    const bool sounding = m_player.playState() == MediaPlayer::Playing;
    m_timesLeft = !sounding ? 0 : times == PracticeSettings::untilStopped ? -1 : times - 1;
    queueFollowOn();
    m_repeatingClicked = !m_readingLesson && m_followOnRepeats;
    if (m_repeatingClicked) {
        m_toolbar[StopReading]->setActionEnabled(true);
    }
}

// What the player goes on with after the sentence sounding now: the same sentence while
// repeats are left, else during a reading the next sentence after the one-second pause.
void StudyWindow::queueFollowOn()
{
    const int i = m_currentSentence;
    m_followOnRepeats = false;
    if (m_timesLeft != 0 && i >= 0 && i < m_lists.count() && m_lists.hasUsableTimes(i)) {
        m_followOnSentence = i;
        m_player.setFollowOn(repeatGap(i), m_lists.startTime(i), m_lists.endPosition(i));
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

void StudyWindow::endRepeats()
{
    m_timesLeft = 0;
    m_followOnRepeats = false;
    m_repeatingClicked = false;
    if (m_pausing) {
        // Silence alone is left to play: nothing the learner would miss.
        m_pausing = false;
        m_player.controls().stop();
    } else if (m_player.hasFollowOn()) {
        m_player.clearFollowOn();
    }
    if (!m_readingLesson) {
        m_toolbar[StopReading]->setActionEnabled(false);
    }
}

void StudyWindow::stopPlaying()
{
    if (m_shadowing->isActive()) {
        m_shadowing->stop();
        return;
    }
    if (m_readingLesson) {
        stopLessonReading();
        return;
    }
    // A single sentence stops where it is, and stays the current one.
    m_watchingSentence = false;
    m_player.controls().stop();
    endRepeats();
}

void StudyWindow::rememberSentence(int i)
{
    if (m_lessonBook > 0 && i >= 0 && i < m_lists.count()) {
        m_practice->setLastPlace({m_lessonBook, m_lessonNumber, i});
    }
}

void StudyWindow::tickLesson(QTreeWidgetItem* node)
{
    static const QIcon icon = readLessonIcon();
    if (node) {
        node->setIcon(0, icon);
        node->setData(0, readRole, true);
    }
}

void StudyWindow::markLessonRead()
{
    // Read through: the last sentence a reading can play has been heard to its end.
    const int next = nextReadingSentence(m_currentSentence);
    const bool atEnd = next < 0 || next == m_currentSentence;
    const bool heard = m_player.controls().currentPosition() > m_lists.startTime(m_currentSentence);
    if (m_lessonBook <= 0 || !atEnd || !heard) {
        return;
    }
    m_practice->markLessonRead(m_lessonBook, m_lessonNumber);
    tickLesson(m_lessonTree->topLevelItem(m_lessonBook - 1)->child(m_lessonNumber - 1));
}

void StudyWindow::continueLastStudy()
{
    const PracticeSettings::Place place = m_practice->lastPlace();
    QTreeWidgetItem* book = place.isValid() ? m_lessonTree->topLevelItem(place.book - 1) : nullptr;
    QTreeWidgetItem* node = book ? book->child(place.lesson - 1) : nullptr;
    if (!node) {
        m_prompts.notify(QStringLiteral("还没有上次学习的记录。请先在左边选择一课。"));
        return;
    }
    book->setExpanded(true);
    m_lessonTree->setCurrentItem(node);
    m_lessonTree->scrollToItem(node);
    nodeClick(node);
    // The lesson may have changed since: a sentence it no longer has is simply not shown.
    if (place.sentence >= 0 && place.sentence < m_lists.count()) {
        m_currentSentence = place.sentence;
        refreshSentenceDisplay();
        m_lessonText->ensureCursorVisible();
    }
}
