// The import dialog's widgets, their layout and their wiring.
#include "import/dialogbutton.h"
#include "import/importdialog.h"
#include "lessons/lessoncatalog.h"
#include "widgets/designgeometry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTextDocument>
#include <QTimer>

namespace {

const QString recordingFilter = QStringLiteral("录音 (*.mp3 *.wav *.flac *.ogg);;所有文件 (*)");
const QString textFilter = QStringLiteral("课文 (*.txt *.lrc *.srt *.vtt);;文本文件 (*.txt);;LRC "
                                          "歌词 (*.lrc);;字幕 (*.srt *.vtt);;所有文件 (*)");

QLineEdit* makePathLine(const QString& name, const QString& placeholder, QWidget* parent)
{
    auto* line = new QLineEdit(parent);
    line->setObjectName(name);
    line->setReadOnly(true);
    line->setPlaceholderText(placeholder);
    return line;
}

} // namespace

void ImportDialog::buildLayout()
{
    auto* columns = new QHBoxLayout;
    // The result table needs the room: its sentences and translations are long lines.
    columns->addWidget(buildLessonGroup(), 2);
    columns->addWidget(buildResultGroup(), 3);
    auto* main = new QVBoxLayout(this);
    main->addLayout(columns, 1);
    buildBottom(main);
    resize(1080, 640);
}

// The book and lesson the import is for, and what the lesson holds now.
void ImportDialog::addLessonChoice(QGridLayout* form)
{
    QWidget* group = form->parentWidget();
    m_bookBox = new QComboBox(group);
    m_bookBox->setObjectName(QStringLiteral("bookBox"));
    for (int book = 1; book <= LessonCatalog::bookCount; ++book) {
        m_bookBox->addItem(QStringLiteral("第%1册").arg(book));
    }
    m_lessonBox = new QSpinBox(group);
    m_lessonBox->setObjectName(QStringLiteral("lessonBox"));
    m_lessonBox->setPrefix(QStringLiteral("第 "));
    m_lessonBox->setSuffix(QStringLiteral(" 课"));
    m_storedLabel = new QLabel(group);
    m_storedLabel->setObjectName(QStringLiteral("storedLabel"));
    auto* lessonRow = new QHBoxLayout;
    lessonRow->addWidget(m_bookBox);
    lessonRow->addWidget(m_lessonBox);
    lessonRow->addWidget(m_storedLabel, 1);
    form->addWidget(new QLabel(QStringLiteral("课次："), group), 0, 0);
    form->addLayout(lessonRow, 0, 1, 1, 3);
}

// A row for a file the lesson may go without: its name, "选择…" and "清除". The line is named
// "<lower-case key>Line", the buttons "choose<key>" and "clear<key>".
ImportDialog::FileRow ImportDialog::addOptionalFile(QGridLayout* form, int row,
                                                    const QString& label, const QString& key,
                                                    const QString& placeholder)
{
    QWidget* group = form->parentWidget();
    QString lineName = key + QStringLiteral("Line");
    lineName[0] = lineName[0].toLower();
    auto* line = makePathLine(lineName, placeholder, group);
    auto* choose = makeDialogButton(QStringLiteral("选择…"), QStringLiteral("choose") + key, group);
    auto* clear = makeDialogButton(QStringLiteral("清除"), QStringLiteral("clear") + key, group);
    form->addWidget(new QLabel(label, group), row, 0);
    form->addWidget(line, row, 1);
    form->addWidget(choose, row, 2);
    form->addWidget(clear, row, 3);
    return {line, choose, clear};
}

// A button that asks for a file and hands the one chosen on.
void ImportDialog::offerFile(QPushButton* button, const QString& title, const QString& filter,
                             void (ImportDialog::*use)(const QString&))
{
    connect(button, &QPushButton::clicked, this, [this, title, filter, use] {
        const QString path = m_prompts.openFile(title, filter);
        if (!path.isEmpty()) {
            (this->*use)(path);
        }
    });
}

QGroupBox* ImportDialog::buildLessonGroup()
{
    auto* lessonGroup = new QGroupBox(QStringLiteral("课文和录音"), this);
    auto* form = new QGridLayout(lessonGroup);
    form->setColumnStretch(1, 1);

    addLessonChoice(form);

    m_recordingLine = makePathLine(QStringLiteral("recordingLine"),
                                   QStringLiteral("MP3、WAV、FLAC 或 Ogg"), lessonGroup);
    auto* chooseRecording =
        makeDialogButton(QStringLiteral("选择…"), QStringLiteral("chooseRecording"), lessonGroup);
    form->addWidget(new QLabel(QStringLiteral("录音："), lessonGroup), 1, 0);
    form->addWidget(m_recordingLine, 1, 1, 1, 2);
    form->addWidget(chooseRecording, 1, 3);

    auto* readText =
        makeDialogButton(QStringLiteral("读入文件…"), QStringLiteral("chooseText"), lessonGroup);
    auto* split =
        makeDialogButton(QStringLiteral("分句"), QStringLiteral("splitButton"), lessonGroup);
    split->setToolTip(QStringLiteral("把课文按句子分行，每行一句"));
    auto* textRow = new QHBoxLayout;
    textRow->addWidget(readText);
    textRow->addWidget(split);
    textRow->addStretch(1);
    form->addWidget(new QLabel(QStringLiteral("英文课文："), lessonGroup), 2, 0);
    form->addLayout(textRow, 2, 1, 1, 3);
    m_textBox = new QPlainTextEdit(lessonGroup);
    m_textBox->setObjectName(QStringLiteral("textBox"));
    m_textBox->setFont(DesignGeometry::arialFont(10));
    m_textBox->setPlaceholderText(
        QStringLiteral("在此粘贴英文课文，或点「读入文件…」。\n分句后每行一句，可以直接修改。"));
    m_textBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    form->addWidget(m_textBox, 3, 0, 1, 4);

    const FileRow translations =
        addOptionalFile(form, 4, QStringLiteral("中文译文："), QStringLiteral("Translation"),
                        QStringLiteral("可不选：每句一行译文"));
    m_translationLine = translations.line;
    const FileRow words =
        addOptionalFile(form, 5, QStringLiteral("生词表："), QStringLiteral("Words"),
                        QStringLiteral("可不选：每行一个生词"));
    m_wordsLine = words.line;
    m_wordsLine->setToolTip(QStringLiteral("每行一个生词：单词，Tab 键，中文释义"));
    form->setRowStretch(3, 1);

    m_inputs = {m_bookBox, m_lessonBox,         chooseRecording,    readText,     split,
                m_textBox, translations.choose, translations.clear, words.choose, words.clear};

    connect(m_bookBox, &QComboBox::currentIndexChanged, this, &ImportDialog::bookChanged);
    connect(m_lessonBox, &QSpinBox::valueChanged, this, &ImportDialog::lessonChanged);
    offerFile(chooseRecording, QStringLiteral("选择录音"), recordingFilter,
              &ImportDialog::setRecordingFile);
    offerFile(readText, QStringLiteral("选择英文课文"), textFilter, &ImportDialog::loadTextFile);
    offerFile(translations.choose, QStringLiteral("选择中文译文"), textFilter,
              &ImportDialog::loadTranslationFile);
    offerFile(words.choose, QStringLiteral("选择生词表"), textFilter, &ImportDialog::loadWordsFile);
    connect(translations.clear, &QPushButton::clicked, this, [this] {
        m_translations.clear();
        m_translationLine->clear();
        discardResult();
    });
    connect(words.clear, &QPushButton::clicked, this, [this] {
        m_words.clear();
        m_wordsLine->clear();
    });
    connect(split, &QPushButton::clicked, this, &ImportDialog::splitText);
    connect(m_textBox, &QPlainTextEdit::textChanged, this, &ImportDialog::textEdited);
    connect(m_textBox->document(), &QTextDocument::contentsChange, this,
            [this](int, int removed, int added) {
                // More than a keystroke arriving in a box not yet split is a paste (or a drop):
                // show it split at once. The document must not change inside its own signal.
                if (!m_settingText && !m_splitShown && added - removed > 1) {
                    QTimer::singleShot(0, this, &ImportDialog::splitPasted);
                }
            });
    return lessonGroup;
}

QGroupBox* ImportDialog::buildResultGroup()
{
    auto* resultGroup = new QGroupBox(QStringLiteral("对齐结果"), this);
    auto* result = new QVBoxLayout(resultGroup);
    m_alignButton =
        makeDialogButton(QStringLiteral("开始对齐"), QStringLiteral("alignButton"), resultGroup);
    m_cancelButton =
        makeDialogButton(QStringLiteral("取消"), QStringLiteral("cancelButton"), resultGroup);
    m_progress = new QProgressBar(resultGroup);
    m_progress->setObjectName(QStringLiteral("progressBar"));
    m_progress->setRange(0, 1000);
    auto* runRow = new QHBoxLayout;
    runRow->addWidget(m_alignButton);
    runRow->addWidget(m_cancelButton);
    m_keepTimes = new QCheckBox(QStringLiteral("保持原有时间"), resultGroup);
    m_keepTimes->setObjectName(QStringLiteral("keepTimesBox"));
    m_keepTimes->setToolTip(
        QStringLiteral("用歌词或字幕文件里的时间，不再把句子的边界移到说话人的停顿处。"));
    m_keepTimes->hide();
    runRow->addWidget(m_keepTimes);
    runRow->addWidget(m_progress, 1);
    result->addLayout(runRow);

    m_table = new QTableView(resultGroup);
    m_table->setObjectName(QStringLiteral("sentenceTable"));
    m_table->setModel(&m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::EditKeyPressed);
    m_table->setAlternatingRowColors(true);
    m_table->setWordWrap(false);
    m_table->setToolTip(QStringLiteral("双击一行试听这一句；选中后按 F2 修改句子或译文"));
    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionResizeMode(AlignedSentenceModel::SentenceColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(AlignedSentenceModel::StartColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(AlignedSentenceModel::EndColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(AlignedSentenceModel::TranslationColumn, QHeaderView::Stretch);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    result->addWidget(m_table, 1);

    result->addLayout(buildNudgeRow(resultGroup));

    connect(m_alignButton, &QPushButton::clicked, this, &ImportDialog::startAlignment);
    connect(m_cancelButton, &QPushButton::clicked, this, &ImportDialog::cancelAlignment);
    connect(m_table, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { playRow(index.row()); });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ImportDialog::updateButtons);
    return resultGroup;
}

// The buttons that move the chosen sentence's boundaries, each heard at once, and its replay.
QHBoxLayout* ImportDialog::buildNudgeRow(QGroupBox* resultGroup)
{
    const auto nudgeButton = [resultGroup](const QString& text, const QString& name,
                                           const QString& tip) {
        QPushButton* button = makeDialogButton(text, name, resultGroup);
        button->setToolTip(tip);
        return button;
    };
    m_startEarlier = nudgeButton(QStringLiteral("开始提前"), QStringLiteral("startEarlier"),
                                 QStringLiteral("本句开始时间提前 50 毫秒并试听"));
    m_startLater = nudgeButton(QStringLiteral("开始推后"), QStringLiteral("startLater"),
                               QStringLiteral("本句开始时间推后 50 毫秒并试听"));
    m_endEarlier = nudgeButton(QStringLiteral("结束提前"), QStringLiteral("endEarlier"),
                               QStringLiteral("本句结束时间提前 50 毫秒并试听"));
    m_endLater = nudgeButton(QStringLiteral("结束推后"), QStringLiteral("endLater"),
                             QStringLiteral("本句结束时间推后 50 毫秒并试听"));
    m_playButton = nudgeButton(QStringLiteral("试听本句"), QStringLiteral("playButton"),
                               QStringLiteral("播放选中的一句"));
    auto* nudgeRow = new QHBoxLayout;
    for (QPushButton* button : {m_startEarlier, m_startLater, m_endEarlier, m_endLater}) {
        nudgeRow->addWidget(button);
    }
    nudgeRow->addStretch(1);
    nudgeRow->addWidget(m_playButton);

    connect(m_startEarlier, &QPushButton::clicked, this,
            [this] { nudge(true, -AlignedSentenceModel::nudgeMilliseconds); });
    connect(m_startLater, &QPushButton::clicked, this,
            [this] { nudge(true, AlignedSentenceModel::nudgeMilliseconds); });
    connect(m_endEarlier, &QPushButton::clicked, this,
            [this] { nudge(false, -AlignedSentenceModel::nudgeMilliseconds); });
    connect(m_endLater, &QPushButton::clicked, this,
            [this] { nudge(false, AlignedSentenceModel::nudgeMilliseconds); });
    connect(m_playButton, &QPushButton::clicked, this, [this] { playRow(selectedRow()); });
    return nudgeRow;
}

void ImportDialog::buildBottom(QVBoxLayout* main)
{
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusLine"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_removeButton =
        makeDialogButton(QStringLiteral("删除导入"), QStringLiteral("removeButton"), this);
    m_removeButton->setToolTip(QStringLiteral("删除这一课导入的录音和课文，恢复原来的课文"));
    m_saveButton = makeDialogButton(QStringLiteral("保存"), QStringLiteral("saveButton"), this);
    auto* closeButton =
        makeDialogButton(QStringLiteral("关闭"), QStringLiteral("closeButton"), this);
    auto* bottomRow = new QHBoxLayout;
    bottomRow->addWidget(m_removeButton);
    bottomRow->addStretch(1);
    bottomRow->addWidget(m_saveButton);
    bottomRow->addWidget(closeButton);

    main->addWidget(m_status);
    main->addLayout(bottomRow);
    connect(m_saveButton, &QPushButton::clicked, this, &ImportDialog::save);
    connect(m_removeButton, &QPushButton::clicked, this, &ImportDialog::removeImport);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
}
