#include "study/studywindow.h"

#include "audio/voicerecorder.h"
#include "dictation/dictationwindow.h"
#include "lessons/lessoncatalog.h"
#include "lessons/lessonloader.h"
#include "shadowing/shadowingpanel.h"
#include "study/artwork.h"
#include "study/lookuppopup.h"
#include "study/studywindowlayout.h"
#include "study/toolbarbutton.h"
#include "widgets/facebutton.h"
#include "widgets/lessontreeshading.h"
#include "widgets/sitepages.h"

#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTreeWidget>

namespace {

// Windows colour values are 0x00BBGGRR.
QColor fromColorValue(unsigned value)
{
    return QColor(int(value & 0xff), int((value >> 8) & 0xff), int((value >> 16) & 0xff));
}

const QColor normalSentenceColor = fromColorValue(0x808000);
const QColor bannerColor(203, 222, 245);
const QColor windowColor(236, 237, 239);
const QColor sentenceBarColor(228, 239, 252);

QString background(const QColor& color)
{
    return QStringLiteral("background-color: %1;").arg(color.name());
}

QLabel* heading(const QString& text, QWidget* bar, int index)
{
    auto* label = new QLabel(text, bar);
    label->setObjectName(QStringLiteral("heading_%1").arg(index));
    label->setStyleSheet(QStringLiteral("background: transparent; color: #1f3f6e;"));
    label->setFont(DesignGeometry::chineseFont(9));
    return label;
}

} // namespace

// Without a private folder there is no file of ours: an empty folder path would name files in
// the working folder instead.
QString StudyPaths::databaseFile() const
{
    return tempPath.isEmpty() ? QString() : QDir(tempPath).filePath(QStringLiteral("qvnxcl.wrd"));
}

QString StudyPaths::audioFolder() const
{
    return tempPath.isEmpty() ? QString() : QDir(tempPath).filePath(QStringLiteral("sounenclff"));
}

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

    const qreal ratio = devicePixelRatioF();
    const QSize faceSize(75, 21);
    m_normalFace = Artwork::buttonFace(faceSize, ratio, false);
    m_pressedFace = Artwork::buttonFace(faceSize, ratio, true);

    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    m_client->setAutoFillBackground(true);
    QPalette palette = m_client->palette();
    palette.setColor(QPalette::Window, windowColor);
    m_client->setPalette(palette);
    setCentralWidget(m_client);

    m_practice = std::make_unique<PracticeSettings>();
    // Before the panels: building the lesson tree may already have something to tell.
    installDefaultPrompts();
    buildMenus();
    buildToolbar(m_client);
    buildPanels(m_client);
    buildShortcuts();
    // Rounded up: the window is never smaller than the minimum, only up to a pixel larger.
    const auto atLeast = [](int twips) {
        return (twips + StudyWindowLayout::twipsPerPixel - 1) / StudyWindowLayout::twipsPerPixel;
    };
    m_client->setMinimumSize(
        atLeast(StudyWindowLayout::minimumOuterWidth - StudyWindowLayout::frameWidth),
        atLeast(StudyWindowLayout::minimumOuterHeight - StudyWindowLayout::frameHeight));
    m_player.setVolume(MediaPlayer::lessonVolume);
    m_player.setSpeed(m_practice->speed());
    connect(&m_player, &MediaPlayer::followOnStarted, this, &StudyWindow::continueReading);
    connect(&m_player, &MediaPlayer::playStateChanged, this, [this](MediaPlayer::PlayState state) {
        // The player stopped in the pause between two sentences: the dictation window took
        // it over, or the device went away. The reading cannot go on by itself; end it as
        // "停止" does rather than leave it waiting.
        if (m_readingLesson && m_pausing && state != MediaPlayer::Playing) {
            stopLessonReading();
        }
        if (m_repeatingClicked && state != MediaPlayer::Playing) {
            endRepeats();
        }
    });
    connect(&m_player, &MediaPlayer::endReached, this, &StudyWindow::checkSentenceEnd);
    connect(&m_player, &MediaPlayer::endReached, this, [this] { m_outputFailureReported = false; });
    connect(&m_player, &MediaPlayer::outputFailed, this, &StudyWindow::playbackFailed);
    m_wordPopup = new LookupPopup(m_client);
    m_wordPopup->setGeometry(
        StudyWindowLayout::toPixels(StudyWindowLayout::designRect(QStringLiteral("wordPopup"))));
    for (QWidget* box :
         {static_cast<QWidget*>(m_lessonText), static_cast<QWidget*>(m_currentSentenceBox),
          static_cast<QWidget*>(m_newWordsBox)}) {
        box->setContextMenuPolicy(Qt::NoContextMenu);
    }
    m_lessonText->viewport()->installEventFilter(this);
    m_currentSentenceBox->viewport()->installEventFilter(this);
    m_newWordsBox->viewport()->installEventFilter(this);
    for (int i = ReadLesson; i < ToolbarCommandCount; ++i) {
        connect(m_toolbar[i], &ToolbarButton::activated, this,
                [this](int index) { toolbarActivated(index); });
    }
    for (FaceButton* button : m_sentenceButtons) {
        connect(button, &FaceButton::released, this, &StudyWindow::sentenceButtonReleased);
    }
    m_translationToggle->parentWidget()->installEventFilter(this);
    m_translationToggle->installEventFilter(this);

    resize(StudyWindowLayout::toPixels(StudyWindowLayout::designClientWidth),
           StudyWindowLayout::toPixels(StudyWindowLayout::designClientHeight) +
               menuBar()->sizeHint().height());
    applyLayout();
}

StudyWindow::~StudyWindow()
{
    // The panel is a window of its own: left to QWidget's destructor, it would be hidden only
    // after our members are gone, and its hiding stops the shadowing session among them.
    delete m_shadowingPanel;
    m_shadowingPanel = nullptr;
}

void StudyWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    file->setObjectName(QStringLiteral("文件"));
    m_continueAction = file->addAction(QStringLiteral("继续上次学习"));
    m_continueAction->setObjectName(QStringLiteral("继续上次学习"));
    m_continueAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    m_continueAction->setEnabled(m_practice->lastPlace().isValid());
    connect(m_continueAction, &QAction::triggered, this, &StudyWindow::continueLastStudy);
    QAction* import = file->addAction(QStringLiteral("导入课文…"));
    import->setObjectName(QStringLiteral("导入课文"));
    import->setToolTip(QStringLiteral("为一课导入自己的录音和课文，句子时间自动找出"));
    connect(import, &QAction::triggered, this, &StudyWindow::openImportDialog);
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("退出"));
    quit->setObjectName(QStringLiteral("退出"));
    connect(quit, &QAction::triggered, this, &StudyWindow::shutdownRequested);

    buildPracticeMenu();

    QMenu* help = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    help->setObjectName(QStringLiteral("帮助"));
    QAction* online = help->addAction(QStringLiteral("在线帮助"));
    online->setObjectName(QStringLiteral("在线帮助"));
    connect(online, &QAction::triggered, this, [] { SitePages::open(SitePages::helpPage()); });
    QAction* home = help->addAction(QStringLiteral("访问作者主页"));
    home->setObjectName(QStringLiteral("访问作者主页"));
    connect(home, &QAction::triggered, this, [] { SitePages::open(SitePages::homePage()); });
}

void StudyWindow::buildToolbar(QWidget* client)
{
    auto* banner = place(new QLabel(client), QStringLiteral("banner"));
    banner->setStyleSheet(background(bannerColor));

    const std::array<std::pair<Artwork::ToolIcon, QString>, 5> buttons{{
        {Artwork::ToolIcon::Read, QStringLiteral("朗读")},
        {Artwork::ToolIcon::Stop, QStringLiteral("停止")},
        {Artwork::ToolIcon::Dictation, QStringLiteral("听写")},
        {Artwork::ToolIcon::Help, QStringLiteral("帮助")},
        {Artwork::ToolIcon::Home, QStringLiteral("主页")},
    }};
    for (int i = ReadLesson; i < ToolbarCommandCount; ++i) {
        auto* button = new ToolbarButton(i, buttons[i - 1].first, buttons[i - 1].second, client);
        QPalette palette = button->palette();
        palette.setColor(QPalette::Window, bannerColor);
        button->setPalette(palette);
        place(button, button->objectName());
        m_toolbar[i] = button;
    }
    setReadingPair(false, false);

    auto* separator = place(new QLabel(client), QStringLiteral("toolbarSeparator"));
    separator->setStyleSheet(background(bannerColor) +
                             QStringLiteral("border-left: 1px solid #9fb6d6;"
                                            "margin-left: 8px; margin-right: 8px;"));
}

void StudyWindow::buildPanels(QWidget* client)
{
    // White backs first, so contents and heading bars stand on them.
    for (const char* name : {"lessonTextBack", "sentenceBack", "translationBack"}) {
        place(new QLabel(client), QString::fromLatin1(name))->setStyleSheet(background(Qt::white));
    }

    auto* treeBar = place(new QWidget(client), QStringLiteral("lessonTreeBar"));
    treeBar->setStyleSheet(Artwork::headingBarStyle());
    m_headings[TreeHeading] = heading(QStringLiteral("选择课文"), treeBar, 1);
    m_lessonTree = new QTreeWidget(client);
    place(m_lessonTree, QStringLiteral("lessonTree"));
    m_lessonTree->setHeaderHidden(true);
    m_lessonTree->setFrameShape(QFrame::NoFrame);
    m_lessonTree->setFont(DesignGeometry::chineseFont(9));
    // Books open and close through the node click alone: Qt's own arrow and double-click
    // handling would toggle them a second time. Enter loads the selected node.
    m_lessonTree->setItemsExpandable(false);
    m_lessonTree->setExpandsOnDoubleClick(false);
    m_lessonTree->installEventFilter(this);
    connect(m_lessonTree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { nodeClick(item); });

    auto* wordBar = place(new QWidget(client), QStringLiteral("newWordsBar"));
    wordBar->setStyleSheet(Artwork::headingBarStyle());
    m_headings[WordsHeading] = heading(QStringLiteral("生词列表"), wordBar, 2);
    m_newWordsBox = new QPlainTextEdit(client);
    place(m_newWordsBox, QStringLiteral("newWords"));
    m_newWordsBox->setReadOnly(true);
    m_newWordsBox->setFont(DesignGeometry::arialFont(9));
    m_newWordsBox->setFrameShape(QFrame::NoFrame);

    auto* textBar = place(new QWidget(client), QStringLiteral("lessonTextBar"));
    textBar->setStyleSheet(Artwork::headingBarStyle());
    m_headings[LessonTitle] = heading(QString(), textBar, 3);
    m_headings[LessonTitle]->setObjectName(QStringLiteral("lessonTitle"));
    m_lessonText = new QTextEdit(client);
    place(m_lessonText, QStringLiteral("lessonText"));
    m_lessonText->setReadOnly(true);
    // Read-only, but the caret and the selection stay: a click places the caret on the line
    // that the sentence click reads.
    m_lessonText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_lessonText->setFrameShape(QFrame::NoFrame);
    m_lessonText->setFont(DesignGeometry::arialFont(12));
    m_sentenceView = SentenceView(m_lessonText);

    auto* sentenceBar = place(new QWidget(client), QStringLiteral("sentenceBar"));
    sentenceBar->setAttribute(Qt::WA_StyledBackground);
    sentenceBar->setStyleSheet(background(sentenceBarColor));
    m_headings[SentenceHeading] = heading(QStringLiteral("句子学习"), sentenceBar, 0);
    buildSentenceButtons(sentenceBar);
    m_currentSentenceBox = new QPlainTextEdit(client);
    place(m_currentSentenceBox, QStringLiteral("currentSentence"));
    m_currentSentenceBox->setReadOnly(true);
    m_currentSentenceBox->setFont(DesignGeometry::arialFont(10.5));
    m_currentSentenceBox->setFrameShape(QFrame::NoFrame);

    auto* translationBar = place(new QWidget(client), QStringLiteral("translationBar"));
    translationBar->setStyleSheet(Artwork::headingBarStyle());
    m_headings[TranslationHeading] = heading(QStringLiteral("中文翻译"), translationBar, 4);
    m_translationLine = new QLabel(client);
    place(m_translationLine, QStringLiteral("translationLine"));
    m_translationLine->setWordWrap(true);
    m_translationLine->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_translationLine->setStyleSheet(QStringLiteral("color: #0000ff; background: transparent;"));
    m_translationLine->setFont(DesignGeometry::chineseFont(10.5));

    auto* toggle = new QLabel(client);
    place(toggle, QStringLiteral("translationToggleBack"));
    toggle->setPixmap(Artwork::togglePicture(toggle->size(), devicePixelRatioF()));
    m_translationToggle = new QLabel(QStringLiteral("隐 藏"), toggle);
    m_translationToggle->setObjectName(QStringLiteral("translationToggle"));
    m_translationToggle->setAlignment(Qt::AlignCenter);
    m_translationToggle->setGeometry(toggle->rect());
    m_translationToggle->setStyleSheet(QStringLiteral("background: transparent; color: #1f3f6e;"));

    m_headings[CreditLine] = new QLabel(QStringLiteral("Orlune 学习软件 · 主页"), client);
    m_headings[CreditLine]->setObjectName(QStringLiteral("creditLine"));
    place(m_headings[CreditLine], QStringLiteral("creditLine"));
    m_headings[CreditLine]->setStyleSheet(
        QStringLiteral("color: #008080; background: transparent;"));
    m_headings[CreditLine]->setFont(DesignGeometry::chineseFont(8));
    m_headings[CreditLine]->setCursor(Qt::PointingHandCursor);
    m_headings[CreditLine]->installEventFilter(this);

    // The silver frames are drawn over the panels and let the mouse through.
    for (const char* name : {"frame1", "frame2", "frame3", "frame4", "frame5"}) {
        auto* frame = place(new QFrame(client), QString::fromLatin1(name));
        frame->setStyleSheet(QStringLiteral("border: 1px solid #c0c0c0; background: transparent;"));
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    for (QLabel* label : m_headings) {
        if (label && label->parentWidget() != client) {
            label->setGeometry(8, 0, 400, label->parentWidget()->height());
        }
    }
    m_headings[LessonTitle]->setStyleSheet(
        QStringLiteral("background: transparent; color: #a02020;"));
}

void StudyWindow::buildSentenceButtons(QWidget* bar)
{
    const std::array<QString, 6> captions{QStringLiteral("上一句"), QStringLiteral("下一句"),
                                          QStringLiteral("朗  读"), QStringLiteral("● 录音"),
                                          QStringLiteral("回  放"), QStringLiteral("另存为")};
    for (int i = 0; i < SentenceButtonCount; ++i) {
        auto* button = new FaceButton(i, captions[i], m_normalFace, m_pressedFace, bar);
        button->setGeometry(110 + i * 82, 3, 75, 21);
        button->captionLabel()->setFont(DesignGeometry::chineseFont(9));
        m_sentenceButtons[i] = button;
    }
    m_sentenceButtons[PlayRecording]->setEnabled(false);
    m_sentenceButtons[SaveRecording]->setEnabled(false);
}

void StudyWindow::buildTree()
{
    m_lessonTree->clear();
    QList<QTreeWidgetItem*> books;
    for (int book = 1; book <= LessonCatalog::bookCount; ++book) {
        auto* item = new QTreeWidgetItem(QStringList{LessonCatalog::bookText(book)});
        item->setData(0, Qt::UserRole, LessonCatalog::bookKey(book));
        item->setIcon(0, Artwork::bookIcon());
        books.append(item);
    }
    m_lessonTree->addTopLevelItems(books);
    const QIcon lessonIcon = Artwork::lessonIcon();
    for (int book = 1; book <= LessonCatalog::bookCount; ++book) {
        QList<QTreeWidgetItem*> lessons;
        for (int n = 1; n <= LessonCatalog::lessonCounts[book - 1]; ++n) {
            auto* item = new QTreeWidgetItem(QStringList{LessonCatalog::lessonText(n)});
            item->setIcon(0, lessonIcon);
            lessons.append(item);
        }
        books[book - 1]->addChildren(lessons);
    }
    reportStoreProblem(
        LessonTreeShading::shade(m_lessonTree, m_paths.databaseFile(), m_learnerStore));
    m_lessonTree->collapseAll();
}

void StudyWindow::refreshLessons(const QString& bookDigit, const QString& lessonText)
{
    reportStoreProblem(
        LessonTreeShading::shade(m_lessonTree, m_paths.databaseFile(), m_learnerStore));
    if (auto* dictation = qobject_cast<DictationWindow*>(m_dictationWindow.data())) {
        dictation->refreshLessons(bookDigit, lessonText);
    }
    QTreeWidgetItem* book = m_lessonTree->topLevelItem(m_lessonBook - 1);
    QTreeWidgetItem* open = book ? book->child(m_lessonNumber - 1) : nullptr;
    if (open && (bookDigit.isEmpty() ||
                 (bookDigit == QString::number(m_lessonBook) && lessonText == open->text(0)))) {
        nodeClick(open);
    }
}

void StudyWindow::load()
{
    buildTree();
    for (const auto& [book, lesson] : m_practice->readLessons()) {
        tickLesson(m_lessonTree->topLevelItem(book - 1)->child(lesson - 1));
    }
    m_currentSentence = -1;
    showMaximized();
}

QWidget* StudyWindow::place(QWidget* widget, const QString& name)
{
    widget->setObjectName(name);
    widget->setGeometry(StudyWindowLayout::toPixels(StudyWindowLayout::designRect(name)));
    return widget;
}

void StudyWindow::applyLayout()
{
    // The rules are written for the outer size; the client area plus the frame gives it.
    const int W = StudyWindowLayout::toTwips(m_client->width()) + StudyWindowLayout::frameWidth;
    const int H = StudyWindowLayout::toTwips(m_client->height()) + StudyWindowLayout::frameHeight;
    for (QWidget* child : m_client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        // The popup stands where the pointer opened it; no resize rule places it.
        if (child != m_wordPopup && StudyWindowLayout::hasDesignRect(child->objectName())) {
            child->setGeometry(StudyWindowLayout::toPixels(
                StudyWindowLayout::resizedRect(child->objectName(), W, H)));
        }
    }
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
    m_shuttingDown = true;
    dropShadowingTakes();
    m_player.controls().stop();
    m_replay.close();
    // An unfinished recording is dropped; the last finished one stays until the files go.
    m_recorder.reset();
    if (m_dictationWindow) {
        m_dictationWindow->close();
    }
}

void StudyWindow::setReadingPair(bool readEnabled, bool stopEnabled)
{
    m_toolbar[ReadLesson]->setActionEnabled(readEnabled);
    m_toolbar[StopReading]->setActionEnabled(stopEnabled);
}

void StudyWindow::nodeClick(QTreeWidgetItem* node)
{
    if (!node) {
        return;
    }
    unloadLesson();
    if (!node->parent()) {
        node->setExpanded(!node->isExpanded());
    } else {
        loadLessonText(node);
    }
    prepareAudio();
    m_player.controls().stop();
}

void StudyWindow::unloadLesson()
{
    dropShadowingTakes();
    m_player.close();
    m_player.controls().stop();
    m_sentenceView.clear();
    m_currentSentenceBox->clear();
    m_newWordsBox->clear();
    m_translationLine->clear();
    m_currentTranslation.clear();
    m_toolbar[StopReading]->setActionEnabled(false);
    m_sentenceButtons[PreviousSentence]->setEnabled(true);
    m_sentenceButtons[NextSentence]->setEnabled(true);
    m_currentSentence = -1;
    m_readingLesson = false;
    m_watchingSentence = false;
    m_pausing = false;
    m_player.setEndPosition(-1);
    m_lists.clear();
    m_headings[LessonTitle]->clear();
    m_lessonAudioFile.clear();
    m_audioCopyName.clear();
    m_lessonBook = 0;
    m_lessonNumber = 0;
    m_timesLeft = 0;
    m_followOnRepeats = false;
    m_repeatingClicked = false;
}

void StudyWindow::loadLessonText(QTreeWidgetItem* node)
{
    m_translationLine->setText(tipText());
    m_headings[LessonTitle]->setText(node->text(0));
    m_lessonBook = m_lessonTree->indexOfTopLevelItem(node->parent()) + 1;
    m_lessonNumber = node->parent()->indexOfChild(node) + 1;
    m_practice->setLastPlace({m_lessonBook, m_lessonNumber, -1});
    m_continueAction->setEnabled(true);
    const LessonDatabase database(m_paths.databaseFile());
    LoadedLesson lesson = loadLesson(database, m_learnerStore, m_paths.voiceLibrary,
                                     node->parent()->text(0), node->text(0));
    m_lessonAudioFile = lesson.lessonAudioFile;
    m_audioCopyName = lesson.audioCopyName;
    m_lists = std::move(lesson.table);
    reportStoreProblem(lesson.storeProblem);

    m_sentenceView.setText(lesson.sentenceText);
    m_sentenceView.setSelectionStart(0);
    m_sentenceView.setSelectionLength(int(m_sentenceView.charText().size()));
    m_sentenceView.setSelectionColor(normalSentenceColor);
    m_sentenceView.setSelectionFont(QStringLiteral("Arial"), 12);
    m_sentenceView.setSelectionStart(0);
    QString words = lesson.wordText;
    // The box takes a bare CR as a paragraph break of its own.
    m_newWordsBox->setPlainText(words.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void StudyWindow::reportStoreProblem(const QString& problem)
{
    // Once for each new problem: a damaged store would otherwise speak up at every click.
    if (!problem.isEmpty() && problem != m_reportedStoreProblem) {
        m_prompts.notify(LessonTreeShading::storeProblemNotice(problem));
    }
    m_reportedStoreProblem = problem;
}

void StudyWindow::prepareAudio()
{
    const LessonAudio audio =
        prepareLessonAudio(m_lessonAudioFile, m_paths.audioFolder(), m_audioCopyName);
    m_player.setUrl(audio.path);
    setReadingPair(!audio.path.isEmpty(), m_toolbar[StopReading]->isActionEnabled());
    if (const QString notice = lessonAudioNotice(audio); !notice.isEmpty()) {
        m_prompts.notify(notice);
    }
}
