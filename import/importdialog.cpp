#include "import/importdialog.h"

#include "align/timedtext.h"
#include "audio/mediaplayer.h"
#include "audio/soundfile.h"
#include "lessons/learnerstore.h"
#include "lessons/lessoncatalog.h"
#include "lessons/lessondatabase.h"
#include "lessons/timetext.h"
#include "widgets/designgeometry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>

QString ImportDialog::startPrompt()
{
    return QStringLiteral("选择录音和英文课文，然后点「开始对齐」。");
}

ImportDialog::ImportDialog(MediaPlayer* player, LearnerStore* store, int book, int lesson,
                           QWidget* parent)
    : QDialog(parent), m_store(store), m_player(player), m_model(this)
{
    setObjectName(QStringLiteral("importDialog"));
    setWindowTitle(QStringLiteral("导入课文"));
    setFont(DesignGeometry::chineseFont(10));
    installDefaultPrompts();
    buildLayout();

    book = std::clamp(book, 1, LessonCatalog::bookCount);
    m_bookBox->setCurrentIndex(book - 1);
    bookChanged();
    m_lessonBox->setValue(lesson);
    lessonChanged();

    connect(&m_run, &AlignmentRun::progressChanged, this, [this](double done) {
        m_progress->setValue(int(done * 1000));
        m_progress->setFormat(done < 0.1 ? QStringLiteral("正在读取录音…")
                                         : QStringLiteral("正在对齐… %p%"));
    });
    connect(&m_run, &AlignmentRun::finished, this, &ImportDialog::alignmentFinished);
    if (player) {
        // The study window reports a missing output device too; here it is said where the
        // learner is looking.
        connect(player, &MediaPlayer::outputFailed, this, [this] {
            if (m_player.isBorrowed()) {
                showStatus(QStringLiteral("无法试听：没有可用的声音输出设备。"), true);
            }
        });
    }
    setBusy(false);
    showStatus(startPrompt());
}

ImportDialog::~ImportDialog()
{
    m_run.cancel();
    m_player.release();
}

void ImportDialog::done(int result)
{
    // Closing mid-run leaves the thread to notice the cancel on its own; nothing waits for it.
    m_run.cancel();
    m_player.release();
    QDialog::done(result);
}

void ImportDialog::installDefaultPrompts()
{
    m_prompts.openFile = [this](const QString& title, const QString& filter) {
        return QFileDialog::getOpenFileName(this, title, QDir::homePath(), filter);
    };
    m_prompts.confirm = [this](const QString& question) {
        return QMessageBox::question(this, QStringLiteral("导入课文"), question) ==
               QMessageBox::Yes;
    };
}
int ImportDialog::book() const
{
    return m_bookBox->currentIndex() + 1;
}

int ImportDialog::lesson() const
{
    return m_lessonBox->value();
}

QString ImportDialog::bookDigit() const
{
    return QString::number(book());
}

QString ImportDialog::lessonText() const
{
    return LessonCatalog::lessonText(lesson());
}

void ImportDialog::bookChanged()
{
    const int count = LessonCatalog::lessonCounts[std::size_t(m_bookBox->currentIndex())];
    m_lessonBox->setRange(1, count);
    lessonChanged();
}

void ImportDialog::setCarriedDatabase(const QString& path)
{
    m_carriedDatabase = path;
    lessonChanged();
}

void ImportDialog::lessonChanged()
{
    QString problem;
    m_lessonInStore = m_store && m_store->hasLesson(bookDigit(), lessonText(), &problem);
    m_carriedSentences =
        m_carriedDatabase.isEmpty()
            ? 0
            : LessonDatabase(m_carriedDatabase).sentences(bookDigit(), lessonText()).size();
    // What the lesson holds now is said before anything is aligned: saving replaces it.
    QString held;
    if (m_lessonInStore) {
        held = QStringLiteral("（本课已有导入的课文）");
    } else if (!problem.isEmpty()) {
        held = QStringLiteral("（%1）").arg(problem);
    } else if (m_carriedSentences > 0) {
        held = QStringLiteral("（本课有随附的课文，共 %1 句）").arg(m_carriedSentences);
    } else if (!m_carriedDatabase.isEmpty()) {
        held = QStringLiteral("（本课还没有课文）");
    }
    m_storedLabel->setText(held);
    showStoredLesson();
    updateButtons();
}

void ImportDialog::textEdited()
{
    if (m_settingText) {
        return;
    }
    if (m_textBox->toPlainText().trimmed().isEmpty()) {
        m_splitShown = false;
        showStatus(startPrompt()); // a count of sentences no longer there would mislead
    }
    m_showingStored = false; // the learner's own work from here on
    // Wording may be mended freely; once lines come or go, the times no longer match them.
    if (!m_givenTimes.isEmpty() &&
        CourseText::nonEmptyLines(m_textBox->toPlainText()).size() != m_givenTimes.size()) {
        m_givenTimes.clear();
        m_keepTimes->hide();
        showStatus(
            QStringLiteral("课文的行数变了，不再使用%1里的时间，将自动对齐。").arg(m_timedFormat));
    }
    discardResult();
}

void ImportDialog::splitPasted()
{
    if (!m_splitShown && !m_textBox->toPlainText().trimmed().isEmpty()) {
        splitText();
    }
}

void ImportDialog::splitText()
{
    const QStringList sentences = CourseText::splitIntoSentences(m_textBox->toPlainText());
    m_settingText = true;
    m_textBox->setPlainText(sentences.join(u'\n'));
    m_settingText = false;
    m_splitShown = !sentences.isEmpty();
    textEdited();
    showStatus(
        QStringLiteral("已把课文分成 %1 句，每行一句。请核对（可直接修改），再点「开始对齐」。")
            .arg(sentences.size()));
}

void ImportDialog::startAlignment()
{
    if (m_recording.isEmpty()) {
        showStatus(QStringLiteral("请先选择录音文件。"), true);
        return;
    }
    if (m_textBox->toPlainText().trimmed().isEmpty()) {
        showStatus(QStringLiteral("请先读入或粘贴英文课文。"), true);
        return;
    }
    // A pasted paragraph is shown split before anything is aligned: the learner sees, and can
    // mend, where sentences were taken to end.
    if (!m_splitShown) {
        const QStringList split = CourseText::splitIntoSentences(m_textBox->toPlainText());
        if (split != CourseText::nonEmptyLines(m_textBox->toPlainText())) {
            splitText();
            return;
        }
        m_splitShown = true;
    }
    const QStringList sentences = CourseText::nonEmptyLines(m_textBox->toPlainText());
    if (!m_translations.isEmpty() && m_translations.size() != sentences.size()) {
        showStatus(QStringLiteral("译文有 %1 行，课文有 %2 句：每句要有一行译文。"
                                  "请修改译文文件或课文，或清除译文。")
                       .arg(m_translations.size())
                       .arg(sentences.size()),
                   true);
        return;
    }
    discardResult();
    m_player.stop();
    m_alignedRecording = m_recording;
    m_alignedSentences = sentences;
    setBusy(true);
    m_progress->setValue(0);
    showStatus(QStringLiteral("正在对齐 %1 句…可以随时取消。").arg(sentences.size()));
    m_run.start(m_recording, sentences, m_givenTimes, m_keepTimes->isChecked());
}

void ImportDialog::cancelAlignment()
{
    if (!m_run.isRunning()) {
        return;
    }
    m_run.cancel();
    setBusy(false);
    m_progress->reset();
    showStatus(QStringLiteral("已取消对齐。"));
}

void ImportDialog::alignmentFinished(const AlignmentReport& report)
{
    setBusy(false);
    using SentenceAligner::Outcome;
    if (!report.decodeError.isEmpty()) {
        m_progress->reset();
        showStatus(QStringLiteral("录音：%1").arg(report.decodeError), true);
        return;
    }
    QString dropped;
    if (report.beyondRecording > 0 && report.beyondRecording < m_alignedSentences.size()) {
        // Lines timed past the recording's end are left out, and said so.
        const qsizetype kept = m_alignedSentences.size() - report.beyondRecording;
        m_alignedSentences = m_alignedSentences.mid(0, kept);
        dropped =
            QStringLiteral("有 %1 句的时间超出了录音的长度，已略去。").arg(report.beyondRecording);
    } else if (report.beyondRecording > 0) {
        m_progress->reset();
        showStatus(QStringLiteral("%1里所有的时间都超出了录音的长度，两者似乎不是同一课。")
                       .arg(m_timedFormat),
                   true);
        return;
    }
    if (report.result.outcome != Outcome::Aligned ||
        report.result.spans.size() != m_alignedSentences.size()) {
        m_progress->reset();
        showStatus(report.result.outcome == Outcome::Aligned
                       ? QStringLiteral("对齐没有成功，请再试一次。")
                       : SentenceAligner::outcomeMessage(report.result.outcome),
                   report.result.outcome != Outcome::Cancelled);
        return;
    }
    m_model.setSentences(m_alignedSentences, m_translations.mid(0, m_alignedSentences.size()),
                         report.result.spans, report.recordingSeconds,
                         report.result.speechAfterLast, report.result.confidence);
    m_table->setColumnHidden(AlignedSentenceModel::TranslationColumn, !m_model.hasTranslations());
    m_progress->setFormat(QStringLiteral("完成"));
    updateButtons();
    const int unsure = m_model.unsureCount();
    if (unsure > 0) {
        showStatus(QStringLiteral("对齐完成：%1 句，其中 %2 句没有把握，已用黄色标出。请双击试听"
                                  "这些句子，用下方按钮微调开始和结束时间，满意后点「保存」。")
                       .arg(m_model.rowCount())
                       .arg(unsure) +
                   dropped);
    } else {
        showStatus(QStringLiteral("对齐完成：%1 句。双击一行可试听，用下方按钮微调开始和结束时间，"
                                  "满意后点「保存」。")
                       .arg(m_model.rowCount()) +
                   dropped);
    }
}

void ImportDialog::save()
{
    if (m_model.isEmpty() || !m_store) {
        return;
    }
    const QString digit = bookDigit();
    const QString text = lessonText();
    // Nothing the lesson holds is replaced without the learner's word, and they are told how
    // to get it back.
    if (m_lessonInStore &&
        !m_prompts.confirm(QStringLiteral("第%1册第 %2 课已有导入的课文，要用这次的替换它吗？"
                                          "替换后，原先导入的课文和录音不再保留。")
                               .arg(digit)
                               .arg(lesson()))) {
        return;
    }
    if (!m_lessonInStore && m_carriedSentences > 0 &&
        !m_prompts.confirm(QStringLiteral("第%1册第 %2 课有随附的课文（%3 句）。保存后，学习这一课"
                                          "时会用导入的课文代替它；以后在这里点「删除导入」，"
                                          "就能换回随附的课文。要保存吗？")
                               .arg(digit)
                               .arg(lesson())
                               .arg(m_carriedSentences))) {
        return;
    }
    LearnerStore::Lesson stored;
    stored.bookDigit = digit;
    stored.lessonText = text;
    stored.sentences = m_model.sentenceRows();
    for (const CourseText::NewWord& word : m_words) {
        stored.words.append({word.word, word.meaning});
    }
    stored.recordingFile = m_alignedRecording;
    QString error;
    if (!m_store->importLesson(stored, &error)) {
        showStatus(QStringLiteral("保存失败：%1").arg(error), true);
        return;
    }
    lessonChanged();
    showStatus(QStringLiteral("已保存为第%1册第 %2 课，学习窗口里打开这一课即可学习。")
                   .arg(digit)
                   .arg(lesson()));
    // The study window reopens the lesson into the player: it must get the player back first.
    m_player.release();
    emit lessonStored(digit, text);
}

void ImportDialog::removeImport()
{
    if (!m_store) {
        return;
    }
    const QString digit = bookDigit();
    const QString text = lessonText();
    if (!m_prompts.confirm(QStringLiteral("删除第%1册第 %2 课导入的录音和课文，恢复原来的课文吗？")
                               .arg(digit)
                               .arg(lesson()))) {
        return;
    }
    QString error;
    if (!m_store->removeLesson(digit, text, &error)) {
        showStatus(QStringLiteral("删除失败：%1").arg(error), true);
        return;
    }
    lessonChanged();
    showStatus(QStringLiteral("已删除第%1册第 %2 课的导入。").arg(digit).arg(lesson()));
    m_player.release();
    emit lessonRemoved(digit, text);
}

void ImportDialog::playRow(int row)
{
    if (row < 0 || row >= m_model.rowCount()) {
        return;
    }
    if (!m_player.play(m_alignedRecording, m_model.startSeconds(row), m_model.endSeconds(row))) {
        showStatus(QStringLiteral("无法播放这段录音。"), true);
    }
}

void ImportDialog::nudge(bool start, int milliseconds)
{
    const int row = selectedRow();
    if (row < 0) {
        return;
    }
    const bool moved =
        start ? m_model.nudgeStart(row, milliseconds) : m_model.nudgeEnd(row, milliseconds);
    if (!moved) {
        showStatus(QStringLiteral("不能再移动了：相邻两句的时间不能重叠。"));
    }
    playRow(row);
}

int ImportDialog::selectedRow() const
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void ImportDialog::updateButtons()
{
    const bool busy = m_run.isRunning();
    const bool rowChosen = !busy && selectedRow() >= 0;
    for (QPushButton* button :
         {m_startEarlier, m_startLater, m_endEarlier, m_endLater, m_playButton}) {
        button->setEnabled(rowChosen);
    }
    m_saveButton->setEnabled(!busy && !m_model.isEmpty());
    m_removeButton->setEnabled(!busy && m_lessonInStore);
}

void ImportDialog::discardResult()
{
    if (m_model.isEmpty()) {
        return;
    }
    m_player.stop();
    m_model.clear();
    m_progress->reset();
    m_progress->setFormat(QStringLiteral("%p%"));
    updateButtons();
    showStatus(QStringLiteral("录音或课文有改动，请重新对齐。"));
}

void ImportDialog::setBusy(bool busy)
{
    for (QWidget* input : m_inputs) {
        input->setEnabled(!busy);
    }
    m_alignButton->setEnabled(!busy);
    m_cancelButton->setEnabled(busy);
    if (!busy) {
        m_progress->setFormat(QStringLiteral("%p%"));
    }
    updateButtons();
}

void ImportDialog::showStatus(const QString& text, bool problem)
{
    m_status->setText(text);
    m_status->setStyleSheet(problem ? QStringLiteral("color: #b00020;") : QString());
}
