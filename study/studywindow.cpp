#include "study/studywindow.h"

#include "dictation/dictationwindow.h"
#include "shadowing/shadowingpanel.h"
#include "shadowing/shadowingpractice.h"
#include "study/artwork.h"
#include "study/lookuppopup.h"
#include "study/pointerlookup.h"
#include "study/practicemenu.h"
#include "study/recordingcontrols.h"
#include "study/sentencestatus.h"
#include "study/studycollection.h"
#include "study/studywindowlayout.h"
#include "study/toolbarbutton.h"
#include "widgets/facebutton.h"
#include "widgets/sitepages.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <algorithm>

QString StudyWindow::tipText()
{
    return QStringLiteral("提示：点击句子能自动朗读整句并显示中文解释， "
                          "鼠标指向单词按下右键不放（生词列表中左键）能显示单词解释、读音。");
}

StudyWindow::StudyWindow(StudyPaths paths, QWidget* parent)
    : QMainWindow(parent), m_paths(std::move(paths))
{
    setObjectName(QStringLiteral("studyWindow"));
    setWindowTitle(QStringLiteral("Orlune V4.0"));
    setWindowIcon(Artwork::windowIcon());
    setFont(DesignGeometry::chineseFont(9));

    // Before the lesson tree speaks: loading it may already have something to tell.
    m_prompts = StudyPrompts::standard(this);
    buildMenus();
    m_practiceMenu->placeDisplay(m_panels.banner());
    buildRecordingControls();
    buildTextCovers();
    buildShortcuts();
    connect(m_panels.lessonTree(), &LessonTree::nodeChosen, this, &StudyWindow::nodeClick);
    connect(m_panels.lessonTree(), &LessonTree::storeUnreadable, this,
            [this](const QString& message) { m_prompts.notify(message); });
    m_player.setVolume(MediaPlayer::lessonVolume);
    m_player.setSpeed(m_practice.speed());
    // Shadowing hears the player's reports before the reading does.
    connectShadowing();
    connectReading();
    m_lookup = std::make_unique<PointerLookup>(m_panels.client(), m_panels.sentenceView(),
                                               m_panels.newWordsBox(), m_paths.dictionaryFile(),
                                               m_paths.wordSpeechFile());
    for (QAbstractScrollArea* box :
         {static_cast<QAbstractScrollArea*>(m_panels.sentenceView().widget()),
          static_cast<QAbstractScrollArea*>(m_panels.currentSentenceBox()),
          static_cast<QAbstractScrollArea*>(m_panels.newWordsBox())}) {
        box->setContextMenuPolicy(Qt::NoContextMenu);
        box->viewport()->installEventFilter(this);
    }
    for (ToolbarButton* button : m_panels.toolbar()) {
        connect(button, &ToolbarButton::activated, this,
                [this](int index) { toolbarActivated(index); });
    }
    for (FaceButton* button : m_panels.sentenceButtons()) {
        connect(button, &FaceButton::released, this, &StudyWindow::sentenceButtonReleased);
    }
    m_collection = std::make_unique<StudyCollection>(*this);

    resize(StudyWindowLayout::toPixels(StudyWindowLayout::designClientWidth),
           StudyWindowLayout::toPixels(StudyWindowLayout::designClientHeight) +
               menuBar()->sizeHint().height());
    applyLayout();
}

StudyWindow::~StudyWindow() = default;

void StudyWindow::connectReading()
{
    connect(&m_player, &MediaPlayer::followOnStarted, &m_reading, &LessonReading::followOnStarted);
    connect(&m_player, &MediaPlayer::playStateChanged, &m_reading,
            [this](MediaPlayer::PlayState state) {
                m_reading.playStateChanged(state == MediaPlayer::Playing);
            });
    connect(&m_player, &MediaPlayer::endReached, &m_reading, &LessonReading::endReached);
    connect(&m_player, &MediaPlayer::outputFailed, &m_reading, &LessonReading::outputFailed);
    connect(&m_player, &MediaPlayer::outputRestored, &m_reading, &LessonReading::outputRestored);

    // "停止" also ends a clicked sentence while it sounds: usable whenever the lesson plays.
    connect(&m_player, &MediaPlayer::playStateChanged, this, [this](MediaPlayer::PlayState state) {
        if (state == MediaPlayer::Playing) {
            m_panels.setStopEnabled(true);
        } else if (!m_reading.isReadingLesson() && !m_reading.isRepeating() &&
                   !m_shadowing->session().isActive()) {
            m_panels.setStopEnabled(false);
        }
    });
    connect(&m_reading, &LessonReading::sentenceReached, this,
            [this] { refreshSentenceDisplay(); });
    new SentenceStatus(m_panels.sentenceButton(PreviousSentence)->parentWidget(),
                       m_panels.heading(StudyPanels::TranslationHeading)->parentWidget(),
                       m_panels.currentSentenceBox(), m_reading, this);
    connect(&m_reading, &LessonReading::readingStarted, this,
            [this] { m_panels.setReadingPair(false, true); });
    connect(&m_reading, &LessonReading::readingFinished, this, [this] {
        unmarkSentence();
        m_panels.setReadingPair(true, false);
        clearSentenceTexts();
    });
    connect(&m_reading, &LessonReading::repeatsStarted, this,
            [this] { m_panels.setStopEnabled(true); });
    connect(&m_reading, &LessonReading::repeatsEnded, this,
            [this] { m_panels.setStopEnabled(false); });
    connect(&m_reading, &LessonReading::lessonHeardToEnd, this, &StudyWindow::markLessonRead);
    connect(&m_reading, &LessonReading::cannotRead, this,
            [this](const QString& message) { m_prompts.notify(message); });
    connect(&m_reading, &LessonReading::outputLost, this, [this] {
        m_prompts.notify(QStringLiteral("无法播放声音：没有可用的音频输出设备，"
                                        "或声音服务已停止。请检查声音设置后再试。"));
    });
    connect(&m_reading, &LessonReading::outputBack, this,
            [this] { m_prompts.notify(QStringLiteral("声音已恢复，可以继续学习。")); });
}

void StudyWindow::connectShadowing()
{
    m_shadowing = std::make_unique<ShadowingPractice>(
        m_player, m_reading, m_panels.client(), m_paths.takeFolder(),
        [this](const QString& message) { m_prompts.notify(message); });
    connect(m_shadowing.get(), &ShadowingPractice::sentenceReached, this, [this](int i) {
        m_reading.setCurrent(i);
        refreshSentenceDisplay();
    });
    connect(m_shadowing.get(), &ShadowingPractice::started, this,
            [this] { m_panels.setStopEnabled(true); });
    connect(m_shadowing.get(), &ShadowingPractice::ended, this, [this] {
        if (!m_reading.isReadingLesson() && !m_reading.isRepeating()) {
            m_panels.setStopEnabled(false);
        }
    });
    connect(m_shadowing.get(), &ShadowingPractice::panelVisibilityChanged, this,
            &StudyWindow::applyLayout);
    connect(m_shadowing.get(), &ShadowingPractice::holdSentenceChanged, m_practiceMenu,
            &PracticeMenu::setHoldSentence);
    connect(m_practiceMenu, &PracticeMenu::holdSentenceChosen, m_shadowing.get(),
            &ShadowingPractice::setHoldSentence);
    connect(m_practiceMenu, &PracticeMenu::shadowingRequested, this, &StudyWindow::toggleShadowing);
    connect(m_practiceMenu, &PracticeMenu::compareRequested, this, &StudyWindow::compareTake);
    // One microphone, one recording: the learner's own recording ends a shadowing session.
    connect(m_recording, &RecordingControls::recordingStarts, this, [this] {
        if (m_shadowing->session().isActive()) {
            m_shadowing->session().stop();
        }
    });
}

void StudyWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    file->setObjectName(QStringLiteral("文件"));
    m_continueAction = file->addAction(QStringLiteral("继续上次学习"));
    m_continueAction->setObjectName(QStringLiteral("继续上次学习"));
    m_continueAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    m_continueAction->setEnabled(m_practice.lastPlace().isValid());
    connect(m_continueAction, &QAction::triggered, this, &StudyWindow::continueLastStudy);
    QAction* import = file->addAction(QStringLiteral("导入课文…"));
    import->setObjectName(QStringLiteral("导入课文"));
    import->setToolTip(QStringLiteral("为一课导入自己的录音和课文，句子时间自动找出"));
    connect(import, &QAction::triggered, this, &StudyWindow::openImportDialog);
    QAction* importFolder = file->addAction(QStringLiteral("导入整册…"));
    importFolder->setObjectName(QStringLiteral("导入整册"));
    importFolder->setToolTip(QStringLiteral("一次导入一个文件夹里一册课程的录音和课文"));
    connect(importFolder, &QAction::triggered, this, &StudyWindow::openFolderImport);
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("退出"));
    quit->setObjectName(QStringLiteral("退出"));
    connect(quit, &QAction::triggered, this, &StudyWindow::shutdownRequested);

    m_practiceMenu = new PracticeMenu(menuBar(), m_practice, this);
    connect(m_practiceMenu, &PracticeMenu::speedChosen, this, &StudyWindow::setSpeed);
    connect(m_practiceMenu, &PracticeMenu::repeatsChosen, this, &StudyWindow::setRepeats);
    connect(m_practiceMenu, &PracticeMenu::gapChosen, this, &StudyWindow::setRepeatGap);

    QMenu* help = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    help->setObjectName(QStringLiteral("帮助"));
    QAction* online = help->addAction(QStringLiteral("在线帮助"));
    online->setObjectName(QStringLiteral("在线帮助"));
    connect(online, &QAction::triggered, this, [this] { openPage(SitePages::helpPage()); });
    QAction* home = help->addAction(QStringLiteral("访问作者主页"));
    home->setObjectName(QStringLiteral("访问作者主页"));
    connect(home, &QAction::triggered, this, [this] { openPage(SitePages::homePage()); });
}

void StudyWindow::openPage(const QUrl& page)
{
    if (!SitePages::open(page)) {
        m_prompts.notify(SitePages::cannotOpenNotice(page));
    }
}

void StudyWindow::load()
{
    m_panels.lessonTree()->shade(m_paths.databaseFile(), m_learnerStore);
    for (const auto& [book, lesson] : m_practice.readLessons()) {
        m_panels.lessonTree()->markRead(book, lesson);
    }
    m_reading.setCurrent(-1);
    // The start screen reads the remembered place anew.
    emit lessonShown();
    showMaximized();
}

void StudyWindow::applyLayout()
{
    m_panels.applyLayout(popup(), m_shadowing ? m_shadowing->panel() : nullptr);
}

void StudyWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    applyLayout();
}

void StudyWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit shutdownRequested();
}

void StudyWindow::releaseDevices()
{
    m_shadowing->dropTakes();
    m_player.controls().stop();
    // An unfinished recording is dropped; the last finished one stays until the files go.
    m_recording->release();
    if (m_dictationWindow) {
        // The program ends: the study window is not to come back when the other one closes.
        m_dictationWindow->disconnect(this);
        m_dictationWindow->close();
    }
}
