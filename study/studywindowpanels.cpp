// The study window's widgets: the toolbar in the banner, the panels with their heading bars,
// the sentence buttons and the keyboard shortcuts.
#include "study/artwork.h"
#include "study/practicemenu.h"
#include "study/recordingcontrols.h"
#include "study/startscreen.h"
#include "study/studywindow.h"
#include "study/studywindowlayout.h"
#include "study/textmask.h"
#include "study/toolbarbutton.h"
#include "widgets/facebutton.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

const QColor bannerColor(203, 222, 245);
const QColor sentenceBarColor(228, 239, 252);

QString background(const QColor& color)
{
    return QStringLiteral("background-color: %1;").arg(color.name());
}

QWidget* place(QWidget* widget, const QString& name)
{
    return StudyWindowLayout::table().place(widget, name);
}

QPlainTextEdit* textBox(QWidget* client, const QString& name, double pointSize)
{
    auto* box = new QPlainTextEdit(client);
    place(box, name);
    box->setReadOnly(true);
    box->setFont(DesignGeometry::arialFont(pointSize));
    box->setFrameShape(QFrame::NoFrame);
    return box;
}

QString withShortcut(const QString& text, const QKeySequence& keys)
{
    return QStringLiteral("%1（%2）").arg(text, keys.toString(QKeySequence::NativeText));
}

} // namespace

void StudyWindow::buildToolbar(QWidget* client)
{
    place(new QLabel(client), QStringLiteral("banner"))->setStyleSheet(background(bannerColor));
    struct Command
    {
        const char* name;
        Artwork::ToolIcon icon;
        QString caption;
    };
    const std::array<Command, ToolbarCommandCount> commands{{
        {"readLesson", Artwork::ToolIcon::Read, QStringLiteral("朗读")},
        {"stopReading", Artwork::ToolIcon::Stop, QStringLiteral("停止")},
        {"dictation", Artwork::ToolIcon::Dictation, QStringLiteral("听写")},
        {"help", Artwork::ToolIcon::Help, QStringLiteral("帮助")},
        {"home", Artwork::ToolIcon::Home, QStringLiteral("主页")},
    }};
    for (int i = 0; i < ToolbarCommandCount; ++i) {
        auto* button = new ToolbarButton(i, QString::fromLatin1(commands[i].name), commands[i].icon,
                                         commands[i].caption, client);
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
    m_practiceMenu->placeDisplay(m_client->findChild<QLabel*>(QStringLiteral("banner")));
}

QLabel* StudyWindow::buildHeadingBar(Heading heading, const QString& bar, const QString& text,
                                     QWidget* client)
{
    static const std::array<const char*, HeadingCount> names{
        "sentenceHeading", "lessonTreeHeading",  "newWordsHeading",
        "lessonTitle",     "translationHeading", "creditLine"};
    auto* barWidget = place(new QWidget(client), bar);
    // The sentence bar holds the sentence buttons on a plain light blue.
    if (heading == SentenceHeading) {
        barWidget->setAttribute(Qt::WA_StyledBackground);
        barWidget->setStyleSheet(background(sentenceBarColor));
    } else {
        barWidget->setStyleSheet(Artwork::headingBarStyle());
    }
    auto* label = new QLabel(text, barWidget);
    label->setObjectName(QString::fromLatin1(names[heading]));
    label->setStyleSheet(QStringLiteral("background: transparent; color: #1f3f6e;"));
    label->setFont(DesignGeometry::chineseFont(9));
    label->setGeometry(8, 0, 400, barWidget->height());
    m_headings[heading] = label;
    return label;
}

void StudyWindow::buildPanels(QWidget* client)
{
    // White backs first, so contents and heading bars stand on them.
    for (const char* name : {"lessonTextBack", "sentenceBack", "translationBack"}) {
        place(new QLabel(client), QString::fromLatin1(name))->setStyleSheet(background(Qt::white));
    }

    buildHeadingBar(TreeHeading, QStringLiteral("lessonTreeBar"), QStringLiteral("选择课文"),
                    client);
    m_lessonTree = new LessonTree(client);
    place(m_lessonTree, QStringLiteral("lessonTree"));
    m_lessonTree->setFont(DesignGeometry::chineseFont(9));
    connect(m_lessonTree, &LessonTree::nodeChosen, this, &StudyWindow::nodeClick);
    connect(m_lessonTree, &LessonTree::storeUnreadable, this,
            [this](const QString& message) { m_prompts.notify(message); });

    buildHeadingBar(WordsHeading, QStringLiteral("newWordsBar"), QStringLiteral("生词列表"),
                    client);
    m_newWordsBox = textBox(client, QStringLiteral("newWords"), 9);

    buildHeadingBar(LessonTitle, QStringLiteral("lessonTextBar"), QString(), client)
        ->setStyleSheet(QStringLiteral("background: transparent; color: #a02020;"));
    auto* lessonText = new QTextEdit(client);
    place(lessonText, QStringLiteral("lessonText"));
    lessonText->setReadOnly(true);
    // Read-only, but the caret and the selection stay: a click places the caret on the line
    // that the sentence click reads. The caret is not drawn: a blinking caret says "type here".
    lessonText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    lessonText->setCursorWidth(0);
    lessonText->setFrameShape(QFrame::NoFrame);
    lessonText->setFont(DesignGeometry::arialFont(12));
    m_sentenceView = SentenceView(lessonText);
    auto* start = new StartScreen(lessonText, m_practice);
    connect(start, &StartScreen::continueRequested, this, &StudyWindow::continueLastStudy);
    connect(this, &StudyWindow::lessonShown, start,
            [this, start] { start->setLessonOpen(m_lesson.book > 0); });

    buildSentenceButtons(buildHeadingBar(SentenceHeading, QStringLiteral("sentenceBar"),
                                         QStringLiteral("句子学习"), client)
                             ->parentWidget());
    m_currentSentenceBox = textBox(client, QStringLiteral("currentSentence"), 10.5);
    auto* mask = new TextMask({lessonText->document(), m_currentSentenceBox->document()}, this);
    mask->setMasked(m_practice.hidesText());
    connect(m_practiceMenu, &PracticeMenu::hideTextChosen, this, [this, mask](bool hide) {
        m_practice.setHidesText(hide);
        mask->setMasked(hide);
    });

    buildHeadingBar(TranslationHeading, QStringLiteral("translationBar"),
                    QStringLiteral("中文翻译"), client);
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
    place(m_headings[CreditLine], QStringLiteral("creditLine"));
    m_headings[CreditLine]->setStyleSheet(
        QStringLiteral("color: #008080; background: transparent;"));
    m_headings[CreditLine]->setFont(DesignGeometry::chineseFont(8));
    m_headings[CreditLine]->setCursor(Qt::PointingHandCursor);
    m_headings[CreditLine]->installEventFilter(this);

    // The silver frames are drawn over the panels and let the mouse through.
    for (const char* name : {"lessonTreeFrame", "lessonTextFrame", "translationFrame",
                             "newWordsFrame", "sentenceFrame"}) {
        auto* frame = place(new QFrame(client), QString::fromLatin1(name));
        frame->setStyleSheet(QStringLiteral("border: 1px solid #c0c0c0; background: transparent;"));
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
}

void StudyWindow::buildSentenceButtons(QWidget* bar)
{
    struct Button
    {
        const char* name;
        QString caption;
    };
    const std::array<Button, SentenceButtonCount> buttons{{
        {"previousSentence", QStringLiteral("上一句")},
        {"nextSentence", QStringLiteral("下一句")},
        {"replaySentence", QStringLiteral("朗  读")},
        {"record", QStringLiteral("● 录音")},
        {"playRecording", QStringLiteral("回  放")},
        {"saveRecording", QStringLiteral("另存为")},
    }};
    // Placed on the bar from the left after its heading, 82 pixels apart.
    for (int i = 0; i < SentenceButtonCount; ++i) {
        auto* button = new FaceButton(i, QString::fromLatin1(buttons[i].name), buttons[i].caption,
                                      m_faces.normal, m_faces.pressed, bar);
        button->setGeometry(110 + i * 82, 3, 75, 21);
        button->captionLabel()->setFont(DesignGeometry::chineseFont(9));
        m_sentenceButtons[i] = button;
    }
    m_sentenceButtons[PlayRecording]->setEnabled(false);
    m_sentenceButtons[SaveRecording]->setEnabled(false);
    m_recording =
        new RecordingControls({m_sentenceButtons[RecordVoice], m_sentenceButtons[PlayRecording],
                               m_sentenceButtons[SaveRecording]},
                              m_paths.recordingFile(), m_prompts, this);
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
}
