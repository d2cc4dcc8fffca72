#include "form1.h"

#include "artwork.h"
#include "facebutton.h"
#include "form1layout.h"
#include "lessoncatalog.h"
#include "lessonloader.h"
#include "lookuppopup.h"
#include "sitepages.h"
#include "toolbarbutton.h"
#include "voicerecorder.h"

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
    label->setObjectName(QStringLiteral("Label4_%1").arg(index));
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

QString Form1::tipText()
{
    return QStringLiteral("提示：点击句子能自动朗读整句并显示中文解释， "
                          "鼠标指向单词按下右键不放（生词列表中左键）能显示单词解释、读音。");
}

Form1::Form1(StudyPaths paths, QWidget* parent) : QMainWindow(parent), m_paths(std::move(paths))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Orlune V4.0"));
    setWindowIcon(Artwork::windowIcon());
    setFont(DesignGeometry::chineseFont(9));

    const qreal ratio = devicePixelRatioF();
    const QSize faceSize(75, 21);
    m_Picture5 = Artwork::buttonFace(faceSize, ratio, false);
    m_Picture6 = Artwork::buttonFace(faceSize, ratio, true);

    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    m_client->setAutoFillBackground(true);
    QPalette palette = m_client->palette();
    palette.setColor(QPalette::Window, windowColor);
    m_client->setPalette(palette);
    setCentralWidget(m_client);

    buildMenus();
    buildToolbar(m_client);
    buildPanels(m_client);
    // Rounded up: the window is never smaller than the minimum, only up to a pixel larger.
    const auto atLeast = [](int twips) {
        return (twips + Form1Layout::twipsPerPixel - 1) / Form1Layout::twipsPerPixel;
    };
    m_client->setMinimumSize(atLeast(Form1Layout::minimumOuterWidth - Form1Layout::frameWidth),
                             atLeast(Form1Layout::minimumOuterHeight - Form1Layout::frameHeight));
    installDefaultPrompts();
    m_W1.setVolume(MediaPlayer::lessonVolume);
    connect(&m_W1, &MediaPlayer::followOnStarted, this, &Form1::continueReading);
    connect(&m_W1, &MediaPlayer::playStateChanged, this, [this](MediaPlayer::PlayState state) {
        // The player stopped in the pause between two sentences: the dictation window took
        // it over, or the device went away. The reading cannot go on by itself; end it as
        // "停止" does rather than leave it waiting.
        if (ContinuousReading && m_pausing && state != MediaPlayer::Playing) {
            StopLessonReading();
        }
    });
    connect(&m_W1, &MediaPlayer::endReached, this, &Form1::CheckSentenceEnd);
    connect(&m_W1, &MediaPlayer::endReached, this, [this] { m_outputFailureReported = false; });
    connect(&m_W1, &MediaPlayer::outputFailed, this, &Form1::playbackFailed);
    m_Picture8 = new LookupPopup(m_client);
    m_Picture8->setGeometry(
        Form1Layout::toPixels(Form1Layout::designRect(QStringLiteral("Picture8"))));
    for (QWidget* box : {static_cast<QWidget*>(m_r1Edit), static_cast<QWidget*>(m_r2),
                         static_cast<QWidget*>(m_r3)}) {
        box->setContextMenuPolicy(Qt::NoContextMenu);
    }
    m_r1Edit->viewport()->installEventFilter(this);
    m_r2->viewport()->installEventFilter(this);
    m_r3->viewport()->installEventFilter(this);
    for (int i = 1; i <= 5; ++i) {
        connect(m_Picture7[i], &ToolbarButton::activated, this,
                [this](int index) { toolbarActivated(index); });
    }
    for (FaceButton* button : m_Label5) {
        connect(button, &FaceButton::released, this, &Form1::sentenceButtonReleased);
    }
    m_Label14->parentWidget()->installEventFilter(this);
    m_Label14->installEventFilter(this);

    resize(Form1Layout::toPixels(Form1Layout::designClientWidth),
           Form1Layout::toPixels(Form1Layout::designClientHeight) + menuBar()->sizeHint().height());
    applyLayout();
}

Form1::~Form1() = default;

void Form1::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    file->setObjectName(QStringLiteral("文件"));
    QAction* quit = file->addAction(QStringLiteral("退出"));
    quit->setObjectName(QStringLiteral("退出"));
    connect(quit, &QAction::triggered, this, &Form1::shutdownRequested);

    QMenu* help = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    help->setObjectName(QStringLiteral("帮助"));
    QAction* online = help->addAction(QStringLiteral("在线帮助"));
    online->setObjectName(QStringLiteral("在线帮助"));
    connect(online, &QAction::triggered, this, [] { SitePages::open(SitePages::helpPage()); });
    QAction* home = help->addAction(QStringLiteral("访问作者主页"));
    home->setObjectName(QStringLiteral("访问作者主页"));
    connect(home, &QAction::triggered, this, [] { SitePages::open(SitePages::homePage()); });
}

void Form1::buildToolbar(QWidget* client)
{
    auto* banner = place(new QLabel(client), QStringLiteral("Label1"));
    banner->setStyleSheet(background(bannerColor));

    const std::array<std::pair<Artwork::ToolIcon, QString>, 5> buttons{{
        {Artwork::ToolIcon::Read, QStringLiteral("朗读")},
        {Artwork::ToolIcon::Stop, QStringLiteral("停止")},
        {Artwork::ToolIcon::Dictation, QStringLiteral("听写")},
        {Artwork::ToolIcon::Help, QStringLiteral("帮助")},
        {Artwork::ToolIcon::Home, QStringLiteral("主页")},
    }};
    for (int i = 1; i <= 5; ++i) {
        auto* button = new ToolbarButton(i, buttons[i - 1].first, buttons[i - 1].second, client);
        QPalette palette = button->palette();
        palette.setColor(QPalette::Window, bannerColor);
        button->setPalette(palette);
        place(button, button->objectName());
        m_Picture7[i] = button;
    }
    setReadingPair(false, false);

    auto* separator = place(new QLabel(client), QStringLiteral("Picture9"));
    separator->setStyleSheet(background(bannerColor) +
                             QStringLiteral("border-left: 1px solid #9fb6d6;"
                                            "margin-left: 8px; margin-right: 8px;"));
}

void Form1::buildPanels(QWidget* client)
{
    // White backs first, so contents and heading bars stand on them.
    for (const char* name : {"Label7", "Label3", "Label2"}) {
        place(new QLabel(client), QString::fromLatin1(name))->setStyleSheet(background(Qt::white));
    }

    auto* treeBar = place(new QWidget(client), QStringLiteral("Picture1_0"));
    treeBar->setStyleSheet(Artwork::headingBarStyle());
    m_Label4[1] = heading(QStringLiteral("选择课文"), treeBar, 1);
    m_T1 = new QTreeWidget(client);
    place(m_T1, QStringLiteral("T1"));
    m_T1->setHeaderHidden(true);
    m_T1->setFrameShape(QFrame::NoFrame);
    m_T1->setFont(DesignGeometry::chineseFont(9));
    // Books open and close through the node click alone: Qt's own arrow and double-click
    // handling would toggle them a second time. Enter loads the selected node.
    m_T1->setItemsExpandable(false);
    m_T1->setExpandsOnDoubleClick(false);
    m_T1->installEventFilter(this);
    connect(m_T1, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { nodeClick(item); });

    auto* wordBar = place(new QWidget(client), QStringLiteral("Picture1_2"));
    wordBar->setStyleSheet(Artwork::headingBarStyle());
    m_Label4[2] = heading(QStringLiteral("生词列表"), wordBar, 2);
    m_r3 = new QPlainTextEdit(client);
    place(m_r3, QStringLiteral("r3"));
    m_r3->setReadOnly(true);
    m_r3->setFont(DesignGeometry::arialFont(9));
    m_r3->setFrameShape(QFrame::NoFrame);

    auto* textBar = place(new QWidget(client), QStringLiteral("Picture1_1"));
    textBar->setStyleSheet(Artwork::headingBarStyle());
    m_Label4[3] = heading(QString(), textBar, 3);
    m_r1Edit = new QTextEdit(client);
    place(m_r1Edit, QStringLiteral("r1"));
    m_r1Edit->setReadOnly(true);
    // Read-only, but the caret and the selection stay: a click places the caret on the line
    // that the sentence click reads.
    m_r1Edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_r1Edit->setFrameShape(QFrame::NoFrame);
    m_r1Edit->setFont(DesignGeometry::arialFont(12));
    m_r1 = SentenceView(m_r1Edit);

    auto* sentenceBar = place(new QWidget(client), QStringLiteral("Picture3"));
    sentenceBar->setAttribute(Qt::WA_StyledBackground);
    sentenceBar->setStyleSheet(background(sentenceBarColor));
    m_Label4[0] = heading(QStringLiteral("句子学习"), sentenceBar, 0);
    buildSentenceButtons(sentenceBar);
    m_r2 = new QPlainTextEdit(client);
    place(m_r2, QStringLiteral("r2"));
    m_r2->setReadOnly(true);
    m_r2->setFont(DesignGeometry::arialFont(10.5));
    m_r2->setFrameShape(QFrame::NoFrame);

    auto* translationBar = place(new QWidget(client), QStringLiteral("Picture2"));
    translationBar->setStyleSheet(Artwork::headingBarStyle());
    m_Label4[4] = heading(QStringLiteral("中文翻译"), translationBar, 4);
    m_Label8 = new QLabel(client);
    place(m_Label8, QStringLiteral("Label8"));
    m_Label8->setWordWrap(true);
    m_Label8->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_Label8->setStyleSheet(QStringLiteral("color: #0000ff; background: transparent;"));
    m_Label8->setFont(DesignGeometry::chineseFont(10.5));

    auto* toggle = new QLabel(client);
    place(toggle, QStringLiteral("Picture10"));
    toggle->setPixmap(Artwork::togglePicture(toggle->size(), devicePixelRatioF()));
    m_Label14 = new QLabel(QStringLiteral("隐 藏"), toggle);
    m_Label14->setObjectName(QStringLiteral("Label14"));
    m_Label14->setAlignment(Qt::AlignCenter);
    m_Label14->setGeometry(toggle->rect());
    m_Label14->setStyleSheet(QStringLiteral("background: transparent; color: #1f3f6e;"));

    m_Label4[5] = new QLabel(QStringLiteral("Orlune 学习软件 · 主页"), client);
    m_Label4[5]->setObjectName(QStringLiteral("Label4_5"));
    place(m_Label4[5], QStringLiteral("Label4_5"));
    m_Label4[5]->setStyleSheet(QStringLiteral("color: #008080; background: transparent;"));
    m_Label4[5]->setFont(DesignGeometry::chineseFont(8));
    m_Label4[5]->setCursor(Qt::PointingHandCursor);
    m_Label4[5]->installEventFilter(this);

    // The silver frames are drawn over the panels and let the mouse through.
    for (const char* name : {"Shape1", "Shape2", "Shape3", "Shape4", "Shape5"}) {
        auto* frame = place(new QFrame(client), QString::fromLatin1(name));
        frame->setStyleSheet(QStringLiteral("border: 1px solid #c0c0c0; background: transparent;"));
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    for (QLabel* label : m_Label4) {
        if (label && label->parentWidget() != client) {
            label->setGeometry(8, 0, 400, label->parentWidget()->height());
        }
    }
    m_Label4[3]->setStyleSheet(QStringLiteral("background: transparent; color: #a02020;"));
}

void Form1::buildSentenceButtons(QWidget* bar)
{
    const std::array<QString, 6> captions{QStringLiteral("上一句"), QStringLiteral("下一句"),
                                          QStringLiteral("朗  读"), QStringLiteral("● 录音"),
                                          QStringLiteral("回  放"), QStringLiteral("另存为")};
    for (int i = 0; i < 6; ++i) {
        auto* button = new FaceButton(i, captions[i], m_Picture5, m_Picture6, bar);
        button->setGeometry(110 + i * 82, 3, 75, 21);
        button->captionLabel()->setFont(DesignGeometry::chineseFont(9));
        m_Label5[i] = button;
    }
    m_Label5[4]->setEnabled(false);
    m_Label5[5]->setEnabled(false);
}

void Form1::buildTree()
{
    m_T1->clear();
    QList<QTreeWidgetItem*> books;
    for (int book = 1; book <= LessonCatalog::bookCount; ++book) {
        auto* item = new QTreeWidgetItem(QStringList{LessonCatalog::bookText(book)});
        item->setData(0, Qt::UserRole, LessonCatalog::bookKey(book));
        item->setIcon(0, Artwork::bookIcon());
        books.append(item);
    }
    m_T1->addTopLevelItems(books);
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
    m_T1->collapseAll();
}

void Form1::load()
{
    buildTree();
    CurrentSentence = -1;
    showMaximized();
}

QWidget* Form1::place(QWidget* widget, const QString& name)
{
    widget->setObjectName(name);
    widget->setGeometry(Form1Layout::toPixels(Form1Layout::designRect(name)));
    return widget;
}

void Form1::applyLayout()
{
    // The rules are written for the outer size; the client area plus the frame gives it.
    const int W = Form1Layout::toTwips(m_client->width()) + Form1Layout::frameWidth;
    const int H = Form1Layout::toTwips(m_client->height()) + Form1Layout::frameHeight;
    for (QWidget* child : m_client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        // The popup stands where the pointer opened it; no resize rule places it.
        if (child != m_Picture8 && Form1Layout::hasDesignRect(child->objectName())) {
            child->setGeometry(
                Form1Layout::toPixels(Form1Layout::resizedRect(child->objectName(), W, H)));
        }
    }
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    applyLayout();
}

void Form1::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit shutdownRequested();
}

void Form1::releaseDevices()
{
    m_shuttingDown = true;
    m_W1.controls().stop();
    m_replay.close();
    // An unfinished recording is dropped; the last finished one stays until the files go.
    m_recorder.reset();
    if (m_Form2) {
        m_Form2->close();
    }
}

void Form1::setReadingPair(bool readEnabled, bool stopEnabled)
{
    m_Picture7[1]->setActionEnabled(readEnabled);
    m_Picture7[2]->setActionEnabled(stopEnabled);
}

void Form1::nodeClick(QTreeWidgetItem* node)
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
    m_W1.controls().stop();
}

void Form1::unloadLesson()
{
    m_W1.close();
    m_W1.controls().stop();
    m_r1.clear();
    m_r2->clear();
    m_r3->clear();
    m_Label8->clear();
    Label10.clear();
    m_Picture7[2]->setActionEnabled(false);
    m_Label5[0]->setEnabled(true);
    m_Label5[1]->setEnabled(true);
    CurrentSentence = -1;
    ContinuousReading = false;
    m_Timer1 = false;
    m_pausing = false;
    m_W1.setEndPosition(-1);
    m_lists.clear();
    m_Label4[3]->clear();
    m_lessonAudioFile.clear();
    m_audioCopyName.clear();
}

void Form1::loadLessonText(QTreeWidgetItem* node)
{
    m_Label8->setText(tipText());
    m_Label4[3]->setText(node->text(0));
    const LessonDatabase database(m_paths.databaseFile());
    LoadedLesson lesson =
        loadLesson(database, m_paths.voiceLibrary, node->parent()->text(0), node->text(0));
    m_lessonAudioFile = lesson.lessonAudioFile;
    m_audioCopyName = lesson.audioCopyName;
    m_lists = std::move(lesson.table);

    m_r1.setText(lesson.sentenceText);
    m_r1.setSelStart(0);
    m_r1.setSelLength(int(m_r1.charText().size()));
    m_r1.setSelColor(normalSentenceColor);
    m_r1.setSelFont(QStringLiteral("Arial"), 12);
    m_r1.setSelStart(0);
    QString words = lesson.wordText;
    // The box takes a bare CR as a paragraph break of its own.
    m_r3->setPlainText(words.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void Form1::prepareAudio()
{
    const LessonAudio audio =
        prepareLessonAudio(m_lessonAudioFile, m_paths.audioFolder(), m_audioCopyName);
    m_W1.setURL(audio.path);
    setReadingPair(!audio.path.isEmpty(), m_Picture7[2]->isActionEnabled());
    if (const QString notice = lessonAudioNotice(audio); !notice.isEmpty()) {
        m_prompts.notify(notice);
    }
}
